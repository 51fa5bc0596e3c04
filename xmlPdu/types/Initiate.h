// The xDLMS initiate exchange: the conformance block and the initiate
// request and response that travel in the association's user information.
#pragma once

#include "../INFRA/Sequence.h"
#include "BERPrimitives.h"
#include "Scalars.h"
#include "Strings.h"
#include "VariableAccess.h"

namespace vantrel {

// The conformance block: a BER bit string of 24 named bits under the
// application tag 5F 1F. In XML one "ConformanceBit" element per set bit,
// named, from the highest bit down.
class T_Conformance final : public TElementImpl<T_Conformance, TBERBitStr> {
public:
    static constexpr std::string_view kClassName = "T_Conformance";
    static constexpr TXMLId BitXMLId = xmlConformanceBit;
    static constexpr size_t kBits = 24;

    explicit T_Conformance(TXMLId aXMLId) : TElementImpl(aXMLId) { SetDefaultValue(); }
    T_Conformance(TXMLId aXMLId, TStringWrapper& PDUStr);
    // Takes whatever element stands at the reader: the enclosing sequence
    // does not check the name.
    T_Conformance(TXMLId aXMLId, TXMLParser& XMLParser);

    void EncodeToPduStr(std::string& PduStr) const override;
    void ToXML(TScriptStream& Stream) const override;
    // The octet of bit Key (a ConformanceBit element).
    bool InnerOctets(uint32_t Key, uint32_t& Offset, uint32_t& Length) const override;

    // The bit number of a name or alias (exact case).
    static size_t NameToValue(std::string_view Name);
    static std::string_view ValueToName(size_t Bit);
    void SetDefaultValue() { Value.assign(kBits, '0'); }

    // Read with the short tag 5F, without its second octet 1F.
    bool ShortTag = false;
};

class T_InitiateRequest final : public TSequenceImpl<T_InitiateRequest> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_InitiateRequest";
    static const TSequenceTable kTable;
    const T_OctetString* DedicatedKey() const { return OptionalMember<T_OctetString>(0); }
    const T_Boolean* ResponseAllowed() const { return OptionalMember<T_Boolean>(1); }
    const T_Integer8* ProposedQualityOfService() const { return OptionalMember<T_Integer8>(2); }
    const T_Unsigned8& ProposedDlmsVersionNumber() const { return MemberAs<T_Unsigned8>(3); }
    const T_Conformance& ProposedConformance() const { return MemberAs<T_Conformance>(4); }
    const T_Unsigned16& ProposedMaxPduSize() const { return MemberAs<T_Unsigned16>(5); }
};

class T_InitiateResponse final : public TSequenceImpl<T_InitiateResponse> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_InitiateResponse";
    static const TSequenceTable kTable;
    const T_Integer8* NegotiatedQualityOfService() const { return OptionalMember<T_Integer8>(0); }
    const T_Unsigned8& NegotiatedDlmsVersionNumber() const { return MemberAs<T_Unsigned8>(1); }
    const T_Conformance& NegotiatedConformance() const { return MemberAs<T_Conformance>(2); }
    const T_Unsigned16& NegotiatedMaxPduSize() const { return MemberAs<T_Unsigned16>(3); }
    const T_ObjectName& VaaName() const { return MemberAs<T_ObjectName>(4); }
};

}  // namespace vantrel
