// The BER leaf types of the association and release APDUs and of the
// conformance block: bit strings, octet strings, object identifiers and
// one-octet integers. Each leaf reads and writes only its length and its
// contents; the enclosing APDU writes the identifier octets.
#pragma once

#include "../INFRA/BitStr.h"
#include "../INFRA/FixedWidth.h"
#include "../INFRA/OctetString.h"

namespace vantrel {

// A BER bit string: one length octet, the count of unused bits in the last
// octet, the bits from the most significant end. Value holds one character
// "0" or "1" per bit. The XML and the Data form are those of the A-XDR bit
// string.
class TBERBitStr : public TBitStr {
public:
    using TBitStr::TBitStr;
    TBERBitStr(TXMLId aXMLId, TStringWrapper& PDUStr) : TBitStr(aXMLId) { LoadPduStr(PDUStr); }

    void EncodeToPduStr(std::string& PduStr) const override;

    // Reads a bit-string body (length, unused bits, data) into Value.
    void LoadPduStr(TStringWrapper& PDUStr);
    bool IsSet(size_t BitNr) const noexcept { return BitNr < Value.size() && Value[BitNr] == '1'; }
    // Clears every bit that S has and holds "0".
    void IntersectWith(std::string_view S) noexcept;
};

class T_ProtocolVersion final : public TElementImpl<T_ProtocolVersion, TBERBitStr> {
public:
    using TElementImpl::TElementImpl;
    static constexpr std::string_view kClassName = "T_ProtocolVersion";
};

class T_ACSERequirement final : public TElementImpl<T_ACSERequirement, TBERBitStr> {
public:
    using TElementImpl::TElementImpl;
    static constexpr std::string_view kClassName = "T_ACSERequirement";
};

// A BER octet string: a length and the octets; in XML the formatted notation.
class TBEROctetStr : public TOctetString {
public:
    explicit TBEROctetStr(TXMLId aXMLId) noexcept : TOctetString(aXMLId, kVariableSize) {}
    TBEROctetStr(TXMLId aXMLId, TStringWrapper& PDUStr) : TBEROctetStr(aXMLId) { LoadFromPduStr(PDUStr); }
    TBEROctetStr(TXMLId aXMLId, TXMLParser& XMLParser) : TBEROctetStr(aXMLId) {
        XMLParser.XMLAssertStartTag(aXMLId);
        LoadFromXml(XMLParser);
        XMLParser.Next();
    }
};

class T_APTitle final : public TElementImpl<T_APTitle, TBEROctetStr> {
public:
    using TElementImpl::TElementImpl;
    static constexpr std::string_view kClassName = "T_APTitle";
};

class T_AEQualifier final : public TElementImpl<T_AEQualifier, TBEROctetStr> {
public:
    using TElementImpl::TElementImpl;
    static constexpr std::string_view kClassName = "T_AEQualifier";
};

class T_AuthenticationValue final : public TElementImpl<T_AuthenticationValue, TBEROctetStr> {
public:
    using TElementImpl::TElementImpl;
    static constexpr std::string_view kClassName = "T_AuthenticationValue";
};

class T_ImplementationData final : public TElementImpl<T_ImplementationData, TBEROctetStr> {
public:
    using TElementImpl::TElementImpl;
    static constexpr std::string_view kClassName = "T_ImplementationData";
};

// An object identifier. The DLMS names of the name table are held as their
// row; any other identifier is kept as its contents octets and written as
// its arcs in braces, "{2,16,756,5,8,3,1}" ("{}" when empty).
class TBERObjectIdentifier : public TCOSEMPduBase {
public:
    // The Value of an identifier outside the name table.
    static constexpr uint8_t kUnnamed = 0xFF;

    explicit TBERObjectIdentifier(TXMLId aXMLId) noexcept : TCOSEMPduBase(aXMLId) {}
    TBERObjectIdentifier(TXMLId aXMLId, TStringWrapper& PDUStr) : TCOSEMPduBase(aXMLId) { LoadFromPDUStr(PDUStr); }
    TBERObjectIdentifier(TXMLId aXMLId, TXMLParser& XMLParser) : TCOSEMPduBase(aXMLId) { LoadFromXml(XMLParser); }
    TBERObjectIdentifier(TXMLId aXMLId, TStringWrapper& PDUStr, TDataForm) : TCOSEMPduBase(aXMLId) {
        PDUStr.ExpectByte(9);
        LoadFromPDUStr(PDUStr);
    }

    void EncodeToPduStr(std::string& PduStr) const override;
    void ToXML(TScriptStream& Stream) const override;
    int32_t DataTag() const override { return 9; }
    void EncodeToDataPduStr(std::string& PduStr) const override;

    // A length octet (0 or 7) and the contents octets.
    void LoadFromPDUStr(TStringWrapper& PDUStr);
    // A name of the table, or arcs in braces.
    void LoadFromXml(TXMLParser& XMLParser);
    // The XML text: the name, or the arcs in braces.
    std::string GetValueStr() const;
    // Both absent, or both present and the same identifier.
    static bool Equal(const TBERObjectIdentifier* O1, const TBERObjectIdentifier* O2) noexcept;

    // The row of the name table, or kUnnamed.
    uint8_t Value = 0;
    // The contents octets of an unnamed identifier.
    std::string Contents;
};

class T_ApplicationContextName final : public TElementImpl<T_ApplicationContextName, TBERObjectIdentifier> {
public:
    using TElementImpl::TElementImpl;
    static constexpr std::string_view kClassName = "T_ApplicationContextName";
};

class T_MechanismName final : public TElementImpl<T_MechanismName, TBERObjectIdentifier> {
public:
    using TElementImpl::TElementImpl;
    static constexpr std::string_view kClassName = "T_MechanismName";
};

[[noreturn]] void RaiseBERIntegerSize(std::string_view ClassName);

// The contents of a BER INTEGER of one octet: the length 01 and the value.
// Its universal tag 02 belongs to the enclosing APDU. In XML two hex digits.
template <class Derived>
class TBERIntegerImpl : public TFixedWidthImpl<Derived, uint8_t, 1> {
    using Base = TFixedWidthImpl<Derived, uint8_t, 1>;

public:
    using Base::Base;
    TBERIntegerImpl(TXMLId aXMLId, TStringWrapper& PDUStr) : Base(aXMLId) {
        if (PDUStr.NextByte() != 1) RaiseBERIntegerSize(Derived::kClassName);
        this->Value = PDUStr.NextByte();
    }

    void EncodeToPduStr(std::string& PduStr) const override {
        const char octets[] = {'\x01', static_cast<char>(this->Value)};
        PduStr.append(octets, 2);
    }
};

class T_InvocationId final : public TBERIntegerImpl<T_InvocationId> {
public:
    using TBERIntegerImpl::TBERIntegerImpl;
    static constexpr std::string_view kClassName = "T_InvocationId";
};

class T_AssociationResult final : public TBERIntegerImpl<T_AssociationResult> {
public:
    using TBERIntegerImpl::TBERIntegerImpl;
    static constexpr std::string_view kClassName = "T_AssociationResult";
};

class T_ACSEServiceUser final : public TBERIntegerImpl<T_ACSEServiceUser> {
public:
    using TBERIntegerImpl::TBERIntegerImpl;
    static constexpr std::string_view kClassName = "T_ACSEServiceUser";
};

class T_ACSEServiceProvider final : public TBERIntegerImpl<T_ACSEServiceProvider> {
public:
    using TBERIntegerImpl::TBERIntegerImpl;
    static constexpr std::string_view kClassName = "T_ACSEServiceProvider";
};

}  // namespace vantrel
