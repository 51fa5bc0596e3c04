// The BER-encoded ACSE APDUs: association request (AARQ) and response
// (AARE), with the carrier of the xDLMS APDU in their user information.
//
// A BER APDU is not a sequence: its fields are tagged, may arrive in any
// order and are written in table order with their lengths recomputed. Each
// APDU is its name plus one table of fields; TBERApdu reads and writes them.
#pragma once

#include <array>
#include <span>

#include "BERPrimitives.h"
#include "COSEMpdu.h"

namespace vantrel {

// One tagged field of a BER APDU.
struct TBERField {
    static constexpr int kNoInnerTag = -1;

    uint8_t OuterTag;
    int InnerTag;  // the universal tag inside a constructed field, or kNoInnerTag
    // With xmlIgnore the field has no element of its own: in XML it is the
    // carried APDU's element, and any APDU's start tag opens it.
    TXMLId Id;
    const TElementFactory* Factory;
    bool Required = false;
};
inline constexpr bool Required = true;

struct TBERTable {
    static constexpr uint8_t kNone = 0xFF;

    std::span<const TBERField> Fields;
    std::array<uint8_t, 256> ByTag{};  // field index of every outer tag

    const TBERField* FindTag(uint8_t Tag) const { return ByTag[Tag] != kNone ? &Fields[ByTag[Tag]] : nullptr; }
};

// Builds a field table with its tag index; a repeated tag does not compile.
template <size_t N>
consteval TBERTable MakeBERTable(const TBERField (&Fields)[N]) {
    static_assert(N < TBERTable::kNone);
    TBERTable t{Fields};
    t.ByTag.fill(TBERTable::kNone);
    for (size_t i = 0; i < N; ++i) {
        if (t.ByTag[Fields[i].OuterTag] != TBERTable::kNone) throw "repeated tag";
        t.ByTag[Fields[i].OuterTag] = static_cast<uint8_t>(i);
    }
    return t;
}

class TBERApdu : public TCOSEMPduBase {
public:
    TBERApdu(const TBERApdu& aSource);

    virtual const TBERTable& BERTable() const = 0;

    // The contents length, then every present field in table order.
    void EncodeToPduStr(std::string& PduStr) const override;
    void ToXML(TScriptStream& Stream) const override;

    // One entry per row of the table; null when the field is absent.
    TElementList Fields;

protected:
    explicit TBERApdu(TXMLId aXMLId) noexcept : TCOSEMPduBase(aXMLId) {}
    // Every field present and empty.
    void CreateFields(const TBERTable& Table);
    void DecodeFromPduStr(TStringWrapper& PDUStr, const TBERTable& Table);
    void LoadFromXml(TXMLParser& XMLParser, const TBERTable& Table);

    template <class T>
    const T* Field(size_t Index) const {
        return static_cast<const T*>(Fields[Index].get());
    }

private:
    // Fails with "Field X missing" when a required field is absent.
    void CheckRequired() const;
};

// The concrete BER APDU Derived, with Derived::kClassName and Derived::kTable.
template <class Derived>
class TBERApduImpl : public TElementImpl<Derived, TBERApdu> {
    using Base = TElementImpl<Derived, TBERApdu>;

public:
    explicit TBERApduImpl(TXMLId aXMLId) : Base(aXMLId) { this->CreateFields(Derived::kTable); }
    TBERApduImpl(TXMLId aXMLId, TStringWrapper& PDUStr) : Base(aXMLId) {
        this->DecodeFromPduStr(PDUStr, Derived::kTable);
    }
    TBERApduImpl(TXMLId aXMLId, TXMLParser& XMLParser) : Base(aXMLId) { this->LoadFromXml(XMLParser, Derived::kTable); }

    const TBERTable& BERTable() const override { return Derived::kTable; }
};

// A whole APDU of the top-level choice carried inside another APDU: an
// octet-string length, then the APDU with its tag. Inside the association
// APDUs it has no element of its own in XML.
class T_BERCOSEMpdu final : public T_COSEMpdu {
public:
    static constexpr std::string_view kClassName = "T_BERCOSEMpdu";

    explicit T_BERCOSEMpdu(TXMLId aXMLId) noexcept : T_COSEMpdu(aXMLId) {}
    T_BERCOSEMpdu(TXMLId aXMLId, TStringWrapper& PDUStr);
    T_BERCOSEMpdu(TXMLId aXMLId, TXMLParser& XMLParser);

    std::string_view ClassName() const override { return kClassName; }
    TElementPtr Clone() const override { return std::make_unique<T_BERCOSEMpdu>(*this); }
    // The length, then the APDU.
    void EncodeToPduStr(std::string& PduStr) const override;
    // The APDU alone.
    void EncodeToPduStrNoLen(std::string& PduStr) const override { T_COSEMpdu::EncodeToPduStr(PduStr); }
};

// The source of an association result: the ACSE service user (A1) or the
// service provider (A2), each with one diagnostic octet.
class T_ResultSourceDiagnostic final : public TElementImpl<T_ResultSourceDiagnostic, TCOSEMPduBase> {
public:
    static constexpr std::string_view kClassName = "T_ResultSourceDiagnostic";

    explicit T_ResultSourceDiagnostic(TXMLId aXMLId);
    T_ResultSourceDiagnostic(TXMLId aXMLId, TStringWrapper& PDUStr);
    T_ResultSourceDiagnostic(TXMLId aXMLId, TXMLParser& XMLParser);
    T_ResultSourceDiagnostic(const T_ResultSourceDiagnostic& aSource);

    // The outer length, Tag1, the inner length, 02 and the member.
    void EncodeToPduStr(std::string& PduStr) const override;
    void ToXML(TScriptStream& Stream) const override;

    uint8_t Tag1 = 0xA1;
    TElementPtr Value;
};

class T_AssociationRequest final : public TBERApduImpl<T_AssociationRequest> {
public:
    using TBERApduImpl::TBERApduImpl;
    static constexpr std::string_view kClassName = "T_AssociationRequest";
    static const TBERTable kTable;
    const T_ProtocolVersion* ProtocolVersion() const { return Field<T_ProtocolVersion>(0); }
    const T_ApplicationContextName* ApplicationContextName() const { return Field<T_ApplicationContextName>(1); }
    const T_APTitle* CalledAPTitle() const { return Field<T_APTitle>(2); }
    const T_AEQualifier* CalledAEQualifier() const { return Field<T_AEQualifier>(3); }
    const T_InvocationId* CalledAPInvocationId() const { return Field<T_InvocationId>(4); }
    const T_InvocationId* CalledAEInvocationId() const { return Field<T_InvocationId>(5); }
    const T_APTitle* CallingAPTitle() const { return Field<T_APTitle>(6); }
    const T_AEQualifier* CallingAEQualifier() const { return Field<T_AEQualifier>(7); }
    const T_InvocationId* CallingAPInvocationId() const { return Field<T_InvocationId>(8); }
    const T_InvocationId* CallingAEInvocationId() const { return Field<T_InvocationId>(9); }
    const T_ACSERequirement* SenderACSERequirements() const { return Field<T_ACSERequirement>(10); }
    const T_MechanismName* MechanismName() const { return Field<T_MechanismName>(11); }
    const T_AuthenticationValue* CallingAuthenticationValue() const { return Field<T_AuthenticationValue>(12); }
    const T_ImplementationData* ImplementationInformation() const { return Field<T_ImplementationData>(13); }
    const T_BERCOSEMpdu* UserInformation() const { return Field<T_BERCOSEMpdu>(14); }
};

class T_AssociationResponse final : public TBERApduImpl<T_AssociationResponse> {
public:
    using TBERApduImpl::TBERApduImpl;
    static constexpr std::string_view kClassName = "T_AssociationResponse";
    static const TBERTable kTable;
    const T_ProtocolVersion* ProtocolVersion() const { return Field<T_ProtocolVersion>(0); }
    const T_ApplicationContextName* ApplicationContextName() const { return Field<T_ApplicationContextName>(1); }
    const T_AssociationResult* AssociationResult() const { return Field<T_AssociationResult>(2); }
    const T_ResultSourceDiagnostic* ResultSourceDiagnostic() const { return Field<T_ResultSourceDiagnostic>(3); }
    const T_APTitle* RespondingAPTitle() const { return Field<T_APTitle>(4); }
    const T_AEQualifier* RespondingAEQualifier() const { return Field<T_AEQualifier>(5); }
    const T_InvocationId* RespondingAPInvocationId() const { return Field<T_InvocationId>(6); }
    const T_InvocationId* RespondingAEInvocationId() const { return Field<T_InvocationId>(7); }
    const T_ACSERequirement* ResponderACSERequirement() const { return Field<T_ACSERequirement>(8); }
    const T_MechanismName* MechanismName() const { return Field<T_MechanismName>(9); }
    const T_AuthenticationValue* RespondingAuthenticationValue() const { return Field<T_AuthenticationValue>(10); }
    const T_BERCOSEMpdu* UserInformation() const { return Field<T_BERCOSEMpdu>(11); }
};

}  // namespace vantrel
