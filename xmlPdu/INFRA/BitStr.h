// TBitStr: the A-XDR bit string. Value holds one character "0" or "1" per
// bit, first bit first. The encoding is the bit count (A-XDR length form) and
// the bits packed from the most significant end; the XML is the bit text.
#pragma once

#include "COSEMPduBase.h"

namespace vantrel {

class TBitStr : public TCOSEMPduBase {
public:
    explicit TBitStr(TXMLId aXMLId) noexcept : TCOSEMPduBase(aXMLId) {}
    TBitStr(TXMLId aXMLId, std::string aValue) noexcept : TCOSEMPduBase(aXMLId), Value(std::move(aValue)) {}
    TBitStr(TXMLId aXMLId, TStringWrapper& PDUStr);
    // Takes the Value attribute as it is: the enclosing type has matched the name.
    TBitStr(TXMLId aXMLId, TXMLParser& XMLParser);
    TBitStr(TXMLId aXMLId, TStringWrapper& PDUStr, TDataForm);

    void EncodeToPduStr(std::string& PduStr) const override;
    void ToXML(TScriptStream& Stream) const override { EmitTagAttrLine(Stream, XMLId, xmlValue, Value); }
    int32_t DataTag() const override { return 4; }
    void EncodeToDataPduStr(std::string& PduStr) const override;

    std::string Value;

private:
    void LoadFromPduStr(TStringWrapper& PDUStr);
};

}  // namespace vantrel
