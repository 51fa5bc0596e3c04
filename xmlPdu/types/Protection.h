// Protected APDUs, taken apart only as far as their clear-text framing goes:
// system titles, transaction id, key information, date and time. The
// ciphered or signed payload stays one opaque octet string; nothing here
// holds a key or deciphers anything.
#pragma once

#include "../INFRA/Choice.h"
#include "../INFRA/Enum.h"
#include "../INFRA/Sequence.h"
#include "Strings.h"

namespace vantrel {

class T_GeneralGloCiphering final : public TSequenceImpl<T_GeneralGloCiphering> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_GeneralGloCiphering";
    static const TSequenceTable kTable;
    const T_OctetString& SystemTitle() const { return MemberAs<T_OctetString>(0); }
    const T_OctetString& CipheredService() const { return MemberAs<T_OctetString>(1); }
};

class T_GeneralDedCiphering final : public TSequenceImpl<T_GeneralDedCiphering> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_GeneralDedCiphering";
    static const TSequenceTable kTable;
    const T_OctetString& SystemTitle() const { return MemberAs<T_OctetString>(0); }
    const T_OctetString& CipheredService() const { return MemberAs<T_OctetString>(1); }
};

class T_KeyId final : public TEnumImpl<T_KeyId> {
public:
    using TEnumImpl::TEnumImpl;
    static constexpr std::string_view kClassName = "T_KeyId";
    static constexpr TEnumName kNames[] = {
        {0, "GlobalUnicastEncryptionKey"},
        {1, "GlobalBroadcastEncryptionKey"},
    };
};

class T_KekId final : public TEnumImpl<T_KekId> {
public:
    using TEnumImpl::TEnumImpl;
    static constexpr std::string_view kClassName = "T_KekId";
    static constexpr TEnumName kNames[] = {
        {0, "MasterKey"},
    };
};

class T_IdentifiedKey final : public TSequenceImpl<T_IdentifiedKey> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_IdentifiedKey";
    static const TSequenceTable kTable;
    const T_KeyId& KeyId() const { return MemberAs<T_KeyId>(0); }
};

class T_WrappedKey final : public TSequenceImpl<T_WrappedKey> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_WrappedKey";
    static const TSequenceTable kTable;
    const T_KekId& KekId() const { return MemberAs<T_KekId>(0); }
    const T_OctetString& KeyCipheredData() const { return MemberAs<T_OctetString>(1); }
};

class T_AgreedKey final : public TSequenceImpl<T_AgreedKey> {
public:
    using TSequenceImpl::TSequenceImpl;
    static constexpr std::string_view kClassName = "T_AgreedKey";
    static const TSequenceTable kTable;
    const T_OctetString& KeyParameters() const { return MemberAs<T_OctetString>(0); }
    const T_OctetString& KeyCipheredData() const { return MemberAs<T_OctetString>(1); }
};

class T_KeyInfo final : public TChoiceImpl<T_KeyInfo> {
public:
    using TChoiceImpl::TChoiceImpl;
    static constexpr std::string_view kClassName = "T_KeyInfo";
    static const TChoiceTable kTable;
};

// The five octet strings that general ciphering and general signing begin
// with: transaction id, originator and recipient system titles, date-time
// (plain octets, possibly empty) and other information.
template <class Derived>
class TProtectionHeaderImpl : public TSequenceImpl<Derived> {
public:
    using TSequenceImpl<Derived>::TSequenceImpl;
    const T_OctetString& TransactionId() const { return this->template MemberAs<T_OctetString>(0); }
    const T_OctetString& OriginatorSystemTitle() const { return this->template MemberAs<T_OctetString>(1); }
    const T_OctetString& RecipientSystemTitle() const { return this->template MemberAs<T_OctetString>(2); }
    const T_OctetString& DateTime() const { return this->template MemberAs<T_OctetString>(3); }
    const T_OctetString& OtherInformation() const { return this->template MemberAs<T_OctetString>(4); }
};

class T_GeneralCiphering final : public TProtectionHeaderImpl<T_GeneralCiphering> {
public:
    using TProtectionHeaderImpl::TProtectionHeaderImpl;
    static constexpr std::string_view kClassName = "T_GeneralCiphering";
    static const TSequenceTable kTable;
    const T_KeyInfo* KeyInfo() const { return OptionalMember<T_KeyInfo>(5); }
    const T_OctetString& CipheredContent() const { return MemberAs<T_OctetString>(6); }
};

class T_GeneralSigning final : public TProtectionHeaderImpl<T_GeneralSigning> {
public:
    using TProtectionHeaderImpl::TProtectionHeaderImpl;
    static constexpr std::string_view kClassName = "T_GeneralSigning";
    static const TSequenceTable kTable;
    const T_OctetString& Content() const { return MemberAs<T_OctetString>(5); }
    const T_OctetString& Signature() const { return MemberAs<T_OctetString>(6); }
};

}  // namespace vantrel
