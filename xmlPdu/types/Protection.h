// Protected APDUs: their clear-text framing (system titles, transaction id,
// key information, date and time) and their ciphered payload. Without keys
// the payload is one opaque octet string. With the user's keys a payload that
// deciphers, and whose APDU encodes back to the very same octets, is written
// in the clear: SecurityControl, InvocationCounter, the SystemTitle it was
// deciphered with (of the glo_ and ded_ rows, whose octets do not carry it),
// AuthenticationTag and CiphertextCheck when the tag could not be checked,
// and the APDU's own element; otherwise it stays opaque after a comment that
// says why, and with keys given a note says so too. Signed content is never
// taken apart.
#pragma once

#include "../INFRA/Choice.h"
#include "../INFRA/Enum.h"
#include "../INFRA/Sequence.h"
#include "../security/SecurityLayer.h"
#include "Strings.h"

namespace vantrel {

// The octets of a ciphered payload (Value) and, once deciphered, the same
// payload in the clear.
class TCipheredOctets : public TOctetString {
public:
    TCipheredOctets(const TCipheredOctets& Source) = default;

    // Deciphers Value when the translation has keys; a payload that does not
    // decipher keeps the reason in Reason. What names the APDU in notes.
    void Decipher(TStringWrapper& PDUStr, const TCipherParams& Params, std::string_view What);
    // Enciphers the clear form read from XML into Value; fails at the place
    // of the clear form when it cannot (What names the APDU).
    void Encipher(TXMLParser& XMLParser, const TCipherParams& Params, std::string_view What);

    bool Deciphered() const noexcept { return Clear.Apdu != nullptr; }
    // The octets of SecurityControl, InvocationCounter and a kept
    // AuthenticationTag in the payload; the SystemTitle and the check value
    // of the deciphered form stand for no octet of it (no octets).
    bool InnerOctets(uint32_t Key, uint32_t& Offset, uint32_t& Length) const override;
    static constexpr uint32_t kSecurityControlField = 0, kInvocationCounterField = 1, kAuthenticationTagField = 2,
                              kSystemTitleField = 3, kCheckField = 4;

    TClearPayload Clear;
    std::string Reason;  // why a payload with keys stays opaque

protected:
    explicit TCipheredOctets(TXMLId aXMLId) noexcept : TOctetString(aXMLId, kVariableSize) {}
    // Reads SecurityControl, InvocationCounter, with WithTitle a SystemTitle,
    // the AuthenticationTag and CiphertextCheck when present, and the APDU.
    void ReadClear(TXMLParser& XMLParser, bool WithTitle);
    void WriteClear(TScriptStream& Stream) const;

    TXMLParser::TMark FMark;  // where the clear form began
};

// A service-specific ciphered APDU (the glo_ and ded_ rows): a length and the
// payload. In XML either <glo_GetRequest Value="..." /> or the element
// holding the payload in the clear.
class T_CipheredApdu final : public TElementImpl<T_CipheredApdu, TCipheredOctets> {
public:
    static constexpr std::string_view kClassName = "T_CipheredApdu";

    explicit T_CipheredApdu(TXMLId aXMLId) noexcept : TElementImpl(aXMLId) {}
    T_CipheredApdu(TXMLId aXMLId, TStringWrapper& PDUStr);
    T_CipheredApdu(TXMLId aXMLId, TXMLParser& XMLParser);

    void ToXML(TScriptStream& Stream) const override;

    // The key and system title of the APDU kind Id in the translation's context.
    static TCipherParams Params(TXMLId Id, const TSecurityContext* Context);
};

// The ciphered service or content of the general ciphering APDUs. In XML
// either its own element with the opaque octets, or the payload in the clear
// (SecurityControl, InvocationCounter, the APDU) in its place. The enclosing
// APDU deciphers and enciphers it: only it knows the key and system title.
class T_CipheredContent final : public TElementImpl<T_CipheredContent, TCipheredOctets> {
public:
    static constexpr std::string_view kClassName = "T_CipheredContent";

    explicit T_CipheredContent(TXMLId aXMLId) noexcept : TElementImpl(aXMLId) {}
    T_CipheredContent(TXMLId aXMLId, TStringWrapper& PDUStr) : TElementImpl(aXMLId) { LoadFromPduStr(PDUStr); }
    T_CipheredContent(TXMLId aXMLId, TXMLParser& XMLParser);

    void ToXML(TScriptStream& Stream) const override;
};

// The key rule and the system title that a general glo- or ded-ciphering
// APDU carries itself.
inline TCipherParams OwnTitleParams(TKeyRule Key, std::string_view Title) {
    TCipherParams params;
    params.Key = Key;
    params.Title = Title;
    params.TitleName = "SystemTitle";
    return params;
}

// The general ciphering APDUs: a sequence whose last member is the ciphered
// content. They decipher it after reading, and write the reason it stays
// opaque before their own element. Derived::ParamsOf(Members) names the key
// and the system title.
template <class Derived>
class TGeneralCipheringImpl : public TSequenceImpl<Derived> {
    using Base = TSequenceImpl<Derived>;

public:
    explicit TGeneralCipheringImpl(TXMLId aXMLId) : Base(aXMLId) {}
    TGeneralCipheringImpl(TXMLId aXMLId, TStringWrapper& PDUStr) : Base(aXMLId, PDUStr) {
        if (HasKeys(PDUStr.Security))
            Content().Decipher(PDUStr, Derived::ParamsOf(this->Members), ElementName(aXMLId));
    }
    TGeneralCipheringImpl(TXMLId aXMLId, TXMLParser& XMLParser) : Base(aXMLId, XMLParser) {
        if (Content().Deciphered())
            Content().Encipher(XMLParser, Derived::ParamsOf(this->Members), ElementName(this->XMLId));
    }

    void ToXML(TScriptStream& Stream) const override {
        const auto& content = static_cast<const T_CipheredContent&>(*this->Members.back());
        if (!content.Reason.empty()) Stream.XMLComment(CommentText(content.Reason));
        else if (content.Deciphered() && !content.Clear.Tag.empty()) Stream.XMLComment(kTagNotChecked);
        Base::ToXML(Stream);
    }

protected:
    T_CipheredContent& Content() { return static_cast<T_CipheredContent&>(*this->Members.back()); }
};

class T_GeneralGloCiphering final : public TGeneralCipheringImpl<T_GeneralGloCiphering> {
public:
    using TGeneralCipheringImpl::TGeneralCipheringImpl;
    static constexpr std::string_view kClassName = "T_GeneralGloCiphering";
    static const TSequenceTable kTable;
    const T_OctetString& SystemTitle() const { return MemberAs<T_OctetString>(0); }
    const T_CipheredContent& CipheredService() const { return MemberAs<T_CipheredContent>(1); }
    static TCipherParams ParamsOf(const TElementList& Members) {
        return OwnTitleParams(TKeyRule::Global, static_cast<const T_OctetString&>(*Members[0]).Value);
    }
};

class T_GeneralDedCiphering final : public TGeneralCipheringImpl<T_GeneralDedCiphering> {
public:
    using TGeneralCipheringImpl::TGeneralCipheringImpl;
    static constexpr std::string_view kClassName = "T_GeneralDedCiphering";
    static const TSequenceTable kTable;
    const T_OctetString& SystemTitle() const { return MemberAs<T_OctetString>(0); }
    const T_CipheredContent& CipheredService() const { return MemberAs<T_CipheredContent>(1); }
    static TCipherParams ParamsOf(const TElementList& Members) {
        return OwnTitleParams(TKeyRule::Dedicated, static_cast<const T_OctetString&>(*Members[0]).Value);
    }
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
template <class Derived, class Base = TSequenceImpl<Derived>>
class TProtectionHeaderImpl : public Base {
public:
    using Base::Base;
    const T_OctetString& TransactionId() const { return this->template MemberAs<T_OctetString>(0); }
    const T_OctetString& OriginatorSystemTitle() const { return this->template MemberAs<T_OctetString>(1); }
    const T_OctetString& RecipientSystemTitle() const { return this->template MemberAs<T_OctetString>(2); }
    const T_OctetString& DateTime() const { return this->template MemberAs<T_OctetString>(3); }
    const T_OctetString& OtherInformation() const { return this->template MemberAs<T_OctetString>(4); }
};

class T_GeneralCiphering final
    : public TProtectionHeaderImpl<T_GeneralCiphering, TGeneralCipheringImpl<T_GeneralCiphering>> {
public:
    using TProtectionHeaderImpl::TProtectionHeaderImpl;
    static constexpr std::string_view kClassName = "T_GeneralCiphering";
    static const TSequenceTable kTable;
    const T_KeyInfo* KeyInfo() const { return OptionalMember<T_KeyInfo>(5); }
    const T_CipheredContent& CipheredContent() const { return MemberAs<T_CipheredContent>(6); }
    // The key its key information names; the originator's system title.
    static TCipherParams ParamsOf(const TElementList& Members);
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
