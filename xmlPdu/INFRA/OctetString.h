// TOctetString: the base of every octet-string element. With Size -1 the
// encoding is an A-XDR length and the octets; with a fixed Size, exactly Size
// octets. The XML is one element whose Value attribute holds the octets in
// the formatted notation (backslash text when printable, else hex).
#pragma once

#include "COSEMPduBase.h"

namespace vantrel {

class TOctetString : public TCOSEMPduBase {
public:
    static constexpr int32_t kVariableSize = -1;

    void EncodeToPduStr(std::string& PduStr) const override;
    void ToXML(TScriptStream& Stream) const override;
    // Compares the octets (a proper prefix is smaller), with the sign of CompareTo.
    int32_t CompareTo(const TCOSEMPduBase& X) const override;

    void LoadFromPduStr(TStringWrapper& PDUStr);
    // Reads the Value attribute of the current start tag.
    void LoadFromXml(TXMLParser& XMLParser);

    std::string Value;
    int32_t Size;

protected:
    TOctetString(TXMLId aXMLId, int32_t aSize) noexcept : TCOSEMPduBase(aXMLId), Size(aSize) {}
};

// The concrete octet string Derived of fixed size kSize (or kVariableSize).
template <class Derived, int32_t kSize>
class TOctetStringImpl : public TElementImpl<Derived, TOctetString> {
    using Base = TElementImpl<Derived, TOctetString>;

public:
    explicit TOctetStringImpl(TXMLId aXMLId) noexcept : Base(aXMLId, kSize) {}
    TOctetStringImpl(TXMLId aXMLId, std::string aValue) : Base(aXMLId, kSize) { this->Value = std::move(aValue); }
    TOctetStringImpl(TXMLId aXMLId, TStringWrapper& PDUStr) : Base(aXMLId, kSize) { this->LoadFromPduStr(PDUStr); }
    TOctetStringImpl(TXMLId aXMLId, TXMLParser& XMLParser) : Base(aXMLId, kSize) {
        XMLParser.XMLAssertStartTag(aXMLId);
        this->LoadFromXml(XMLParser);
        XMLParser.Next();
    }
};

}  // namespace vantrel
