#include "Protection.h"

#include "../security/Keys.h"
#include "../security/SecurityContext.h"
#include "COSEMpdu.h"

namespace vantrel {

// ------------------------------------------------------------ ciphered payload

void TCipheredOctets::Decipher(TStringWrapper& PDUStr, const TCipherParams& Params, std::string_view What) {
    // The payload is written back as read: the reading stays as canonical as
    // it was. What deciphers is checked on its own.
    TSecurityContext& context = *PDUStr.Security;
    const bool noted = GivesKeys(&context);
    std::string cause;
    const TReadLevel plaintext(PDUStr.Map);
    Reason = DecipherPayload(context, Params, Value, PDUStr.Nesting.Depth, Clear, noted ? &cause : nullptr, PDUStr.Map);
    if (!noted) return;
    if (!Reason.empty()) context.Notes.push_back(NotDecipheredNote(What, Reason, cause));
    else if (!Clear.Tag.empty()) context.Notes.push_back(TagNotCheckedNote(What));
}

void TCipheredOctets::Encipher(TXMLParser& XMLParser, const TCipherParams& Params, std::string_view What) {
    if (!Deciphered()) return;
    std::string why;
    {
        const TEncodeLevel plaintext;
        why = EncipherPayload(XMLParser.Security, Params, Clear, Value);
    }
    if (!why.empty()) XMLParser.RaiseXMLErrorAt(FMark, std::string(What) + " cannot be enciphered: " + why);
    // With the authentication key the tag is computed again; one that differs
    // from the XML's is not written without a word.
    if (!Clear.Tag.empty() && (Clear.SecurityControl & 0x10) && !std::string_view(Value).ends_with(Clear.Tag) &&
        XMLParser.Security)
        XMLParser.Security->Notes.push_back(std::string(What) +
                                            ": the AuthenticationTag of the XML is not the tag of its content; the tag "
                                            "computed with the AuthenticationKey is written");
}

namespace {
// The octets of the Value attribute of the element Id, which must have Size
// of them; Field names them for the octet map.
std::string ReadOctets(TXMLParser& XMLParser, TXMLId Id, size_t Size, uint32_t Field) {
    XMLParser.XMLAssertStartTag(Id);
    std::string octets = XMLParser.HexStrToByteStrOfValue();
    if (octets.size() != Size)
        XMLParser.RaiseXMLError(std::string(ElementName(Id)) + ": " + std::to_string(Size) +
                                (Size == 1 ? " octet expected" : " octets expected"));
    XMLParser.MapInner(Field);
    XMLParser.Next();
    return octets;
}

void WriteOctets(TScriptStream& Stream, TXMLId Id, std::string_view Octets, uint32_t Field) {
    Stream.MapInner(Field);
    Stream.TagAttrHexLine(ElementName(Id), ElementName(xmlValue), Octets);
}
}  // namespace

void TCipheredOctets::ReadClear(TXMLParser& XMLParser, bool WithTitle) {
    const std::string control = ReadOctets(XMLParser, xmlSecurityControl, 1, kSecurityControlField);
    Clear.InvocationCounter = ReadOctets(XMLParser, xmlInvocationCounter, 4, kInvocationCounterField);
    if (WithTitle && XMLParser.IsStartTag(xmlSystemTitle))
        Clear.Title = ReadOctets(XMLParser, xmlSystemTitle, 8, kSystemTitleField);
    if (XMLParser.IsStartTag(xmlAuthenticationTag)) {
        Clear.Tag = ReadOctets(XMLParser, xmlAuthenticationTag, 12, kAuthenticationTagField);
        if (XMLParser.IsStartTag(xmlCiphertextCheck))
            Clear.Check = ReadOctets(XMLParser, xmlCiphertextCheck, 8, kCheckField);
    }
    TNestingGuard guard(XMLParser.Nesting);
    // A ciphered APDU inside is enciphered as it is read: its own plaintext
    // lies one level deeper than this one's.
    const TEncodeLevel plaintext;
    Clear.Apdu = ReadElement<T_COSEMpdu>(xmlIgnore, XMLParser);
    Clear.SecurityControl = static_cast<uint8_t>(control[0]);
}

void TCipheredOctets::WriteClear(TScriptStream& Stream) const {
    const char control = static_cast<char>(Clear.SecurityControl);
    WriteOctets(Stream, xmlSecurityControl, std::string_view(&control, 1), kSecurityControlField);
    WriteOctets(Stream, xmlInvocationCounter, Clear.InvocationCounter, kInvocationCounterField);
    if (!Clear.Title.empty()) WriteOctets(Stream, xmlSystemTitle, Clear.Title, kSystemTitleField);
    if (!Clear.Tag.empty()) {
        WriteOctets(Stream, xmlAuthenticationTag, Clear.Tag, kAuthenticationTagField);
        WriteOctets(Stream, xmlCiphertextCheck, Clear.Check, kCheckField);
    }
    WriteElement(Stream, *Clear.Apdu);
}

bool TCipheredOctets::InnerOctets(uint32_t Key, uint32_t& Offset, uint32_t& Length) const {
    // The payload ends the element's octets; it opens with the two header
    // fields and, authenticated, ends with the tag.
    if (Key == kSystemTitleField || Key == kCheckField) {
        Offset = UINT32_MAX;  // in no octet: the map's "none"
        Length = 0;
        return true;
    }
    if (Key > kAuthenticationTagField || Value.size() < 5 || Value.size() > Length) return false;
    if (Key == kAuthenticationTagField && Value.size() < 5 + 12) return false;
    const uint32_t payload = Offset + Length - static_cast<uint32_t>(Value.size());
    switch (Key) {
    case kSecurityControlField: Offset = payload, Length = 1; break;
    case kInvocationCounterField: Offset = payload + 1, Length = 4; break;
    default: Offset = payload + static_cast<uint32_t>(Value.size()) - 12, Length = 12; break;
    }
    return true;
}

// ------------------------------------------------------------ glo_ and ded_ rows

namespace {
// Whether the server sends the APDU kind: responses, errors, reports and
// notifications. The client sends the rest.
bool SentByServer(std::string_view Name) {
    return Name.ends_with("Response") || Name.ends_with("ServiceError") || Name.ends_with("ReportRequest") ||
           Name.ends_with("NotificationRequest");
}
}  // namespace

TCipherParams T_CipheredApdu::Params(TXMLId Id, const TSecurityContext* Context) {
    const std::string_view name = ElementName(Id);
    const bool server = SentByServer(name);
    TCipherParams params;
    params.Key = name.starts_with("ded_") ? TKeyRule::Dedicated : TKeyRule::Global;
    params.TitleName = server ? "ServerSystemTitle" : "ClientSystemTitle";
    if (Context && Context->InAssociation && !Context->AssociationTitle.empty()) {
        params.Title = Context->AssociationTitle;  // the association APDU around it names it
    } else if (Context && Context->Keys) {
        params.Title = Context->Keys->Get(server ? VantrelKeys::ServerSystemTitle : VantrelKeys::ClientSystemTitle);
        params.KeepTitle = true;
        params.OtherTitle = Context->Keys->Get(server ? VantrelKeys::ClientSystemTitle : VantrelKeys::ServerSystemTitle);
        params.OtherTitleName = server ? "ClientSystemTitle" : "ServerSystemTitle";
    }
    return params;
}

T_CipheredApdu::T_CipheredApdu(TXMLId aXMLId, TStringWrapper& PDUStr) : TElementImpl(aXMLId) {
    LoadFromPduStr(PDUStr);
    if (HasKeys(PDUStr.Security)) Decipher(PDUStr, Params(aXMLId, PDUStr.Security), ElementName(aXMLId));
}

T_CipheredApdu::T_CipheredApdu(TXMLId aXMLId, TXMLParser& XMLParser) : TElementImpl(aXMLId) {
    XMLParser.XMLAssertStartTag(aXMLId);
    if (XMLParser.HasAttribute() || XMLParser.FullElement()) {  // the opaque form
        LoadFromXml(XMLParser);
        XMLParser.Next();
        return;
    }
    FMark = XMLParser.Mark();
    XMLParser.Next();
    ReadClear(XMLParser, true);
    XMLParser.XMLAssertStopTagAndNext(aXMLId);
    // The title the XML records wins over the keys' (XML without it, as
    // written before, takes the keys' title).
    TCipherParams params = Params(aXMLId, XMLParser.Security);
    if (!Clear.Title.empty()) params.Title = Clear.Title;
    Encipher(XMLParser, params, ElementName(aXMLId));
}

void T_CipheredApdu::ToXML(TScriptStream& Stream) const {
    if (!Deciphered()) {
        if (!Reason.empty()) Stream.XMLComment(CommentText(Reason));
        TOctetString::ToXML(Stream);
        return;
    }
    if (!Clear.Tag.empty()) Stream.XMLComment(kTagNotChecked);
    const std::string_view name = ElementName(XMLId);
    Stream.XMLOpenTagLn(name);
    ++Stream.Indent;
    WriteClear(Stream);
    --Stream.Indent;
    Stream.XMLCloseTagLn(name);
}

// ------------------------------------------------------------ general ciphering

T_CipheredContent::T_CipheredContent(TXMLId aXMLId, TXMLParser& XMLParser) : TElementImpl(aXMLId) {
    if (XMLParser.IsStartTag(xmlSecurityControl)) {
        FMark = XMLParser.Mark();
        ReadClear(XMLParser, false);
        return;
    }
    XMLParser.XMLAssertStartTag(aXMLId);
    LoadFromXml(XMLParser);
    XMLParser.Next();
}

void T_CipheredContent::ToXML(TScriptStream& Stream) const {
    if (Deciphered()) WriteClear(Stream);
    else TOctetString::ToXML(Stream);
}

TCipherParams T_GeneralCiphering::ParamsOf(const TElementList& Members) {
    TCipherParams params;
    params.Title = static_cast<const T_OctetString&>(*Members[1]).Value;
    params.TitleName = "OriginatorSystemTitle";
    params.Key = TKeyRule::Unnamed;
    const auto* info = static_cast<const T_KeyInfo*>(Members[5].get());
    if (!info || !info->Value) return params;
    switch (info->Tag) {
    case 0:
        params.Key = static_cast<const T_IdentifiedKey&>(*info->Value).KeyId().Value == 0 ? TKeyRule::Unicast
                                                                                          : TKeyRule::Broadcast;
        break;
    case 1:
        params.Key = TKeyRule::Wrapped;
        params.WrappedKey = static_cast<const T_WrappedKey&>(*info->Value).KeyCipheredData().Value;
        break;
    default: params.Key = TKeyRule::Agreed; break;
    }
    return params;
}

namespace {
constexpr const TElementFactory* kOctets = &ElementFactory<T_OctetString>;

constexpr TField kGeneralGloCipheringFields[] = {
    {xmlSystemTitle, kOctets},
    {xmlCipheredService, &ElementFactory<T_CipheredContent>},
};

constexpr TField kIdentifiedKeyFields[] = {
    {xmlKeyId, &ElementFactory<T_KeyId>},
};

constexpr TField kWrappedKeyFields[] = {
    {xmlKekId, &ElementFactory<T_KekId>},
    {xmlKeyCipheredData, kOctets},
};

constexpr TField kAgreedKeyFields[] = {
    {xmlKeyParameters, kOctets},
    {xmlKeyCipheredData, kOctets},
};

constexpr TAlternative kKeyInfoAlternatives[] = {
    {0, xmlIdentifiedKey, &ElementFactory<T_IdentifiedKey>},
    {1, xmlWrappedKey, &ElementFactory<T_WrappedKey>},
    {2, xmlAgreedKey, &ElementFactory<T_AgreedKey>},
};

constexpr TField kGeneralCipheringFields[] = {
    {xmlTransactionId, kOctets},
    {xmlOriginatorSystemTitle, kOctets},
    {xmlRecipientSystemTitle, kOctets},
    {xmlDateTime, kOctets},
    {xmlOtherInformation, kOctets},
    {xmlKeyInfo, &ElementFactory<T_KeyInfo>, Optional},
    {xmlCipheredContent, &ElementFactory<T_CipheredContent>},
};

constexpr TField kGeneralSigningFields[] = {
    {xmlTransactionId, kOctets},
    {xmlOriginatorSystemTitle, kOctets},
    {xmlRecipientSystemTitle, kOctets},
    {xmlDateTime, kOctets},
    {xmlOtherInformation, kOctets},
    {xmlContent, kOctets},
    {xmlSignature, kOctets},
};
}  // namespace

constinit const TSequenceTable T_GeneralGloCiphering::kTable{kGeneralGloCipheringFields};
constinit const TSequenceTable T_GeneralDedCiphering::kTable{kGeneralGloCipheringFields};
constinit const TSequenceTable T_IdentifiedKey::kTable{kIdentifiedKeyFields};
constinit const TSequenceTable T_WrappedKey::kTable{kWrappedKeyFields};
constinit const TSequenceTable T_AgreedKey::kTable{kAgreedKeyFields};
constinit const TChoiceTable T_KeyInfo::kTable = MakeChoiceTable("T_KeyInfo", xml_KeyInfo, kKeyInfoAlternatives);
constinit const TSequenceTable T_GeneralCiphering::kTable{kGeneralCipheringFields};
constinit const TSequenceTable T_GeneralSigning::kTable{kGeneralSigningFields};

}  // namespace vantrel
