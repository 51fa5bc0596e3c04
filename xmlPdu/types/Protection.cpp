#include "Protection.h"

#include "../security/Keys.h"
#include "COSEMpdu.h"

namespace vantrel {

// ------------------------------------------------------------ ciphered payload

void TCipheredOctets::Decipher(TStringWrapper& PDUStr, const TCipherParams& Params) {
    PDUStr.Canonical = false;  // what deciphers is checked on its own
    const TReadLevel plaintext(PDUStr.Map);
    Reason = DecipherPayload(*PDUStr.Security, Params, Value, PDUStr.Nesting.Depth, Clear, PDUStr.Map);
}

void TCipheredOctets::Encipher(TXMLParser& XMLParser, const TCipherParams& Params, std::string_view What) {
    if (!Deciphered()) return;
    std::string why;
    {
        const TEncodeLevel plaintext;
        why = EncipherPayload(XMLParser.Security, Params, Clear, Value);
    }
    if (!why.empty()) XMLParser.RaiseXMLErrorAt(FMark, std::string(What) + " cannot be enciphered: " + why);
}

void TCipheredOctets::ReadClear(TXMLParser& XMLParser) {
    XMLParser.XMLAssertStartTag(xmlSecurityControl);
    std::string control = XMLParser.HexStrToByteStrOfValue();
    if (control.size() != 1) XMLParser.RaiseXMLError("SecurityControl: 1 octet expected");
    XMLParser.MapInner(kSecurityControlField);
    XMLParser.Next();
    XMLParser.XMLAssertStartTag(xmlInvocationCounter);
    std::string counter = XMLParser.HexStrToByteStrOfValue();
    if (counter.size() != 4) XMLParser.RaiseXMLError("InvocationCounter: 4 octets expected");
    XMLParser.MapInner(kInvocationCounterField);
    XMLParser.Next();
    TNestingGuard guard(XMLParser.Nesting);
    Clear.Apdu = ReadElement<T_COSEMpdu>(xmlIgnore, XMLParser);
    Clear.SecurityControl = static_cast<uint8_t>(control[0]);
    Clear.InvocationCounter = std::move(counter);
}

void TCipheredOctets::WriteClear(TScriptStream& Stream) const {
    const char control = static_cast<char>(Clear.SecurityControl);
    Stream.MapInner(kSecurityControlField);
    Stream.TagAttrHexLine(ElementName(xmlSecurityControl), ElementName(xmlValue), std::string_view(&control, 1));
    Stream.MapInner(kInvocationCounterField);
    Stream.TagAttrHexLine(ElementName(xmlInvocationCounter), ElementName(xmlValue), Clear.InvocationCounter);
    WriteElement(Stream, *Clear.Apdu);
}

bool TCipheredOctets::InnerOctets(uint32_t Key, uint32_t& Offset, uint32_t& Length) const {
    // The payload ends the element's octets; it opens with the two fields.
    if (Key > kInvocationCounterField || Value.size() < 5 || Value.size() > Length) return false;
    Offset += Length - static_cast<uint32_t>(Value.size()) + (Key == kSecurityControlField ? 0 : 1);
    Length = Key == kSecurityControlField ? 1 : 4;
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
    if (Context && Context->InAssociation && !Context->AssociationTitle.empty())
        params.Title = Context->AssociationTitle;
    else if (Context && Context->Keys)
        params.Title = Context->Keys->Get(server ? VantrelKeys::ServerSystemTitle : VantrelKeys::ClientSystemTitle);
    return params;
}

T_CipheredApdu::T_CipheredApdu(TXMLId aXMLId, TStringWrapper& PDUStr) : TElementImpl(aXMLId) {
    LoadFromPduStr(PDUStr);
    if (HasKeys(PDUStr.Security)) Decipher(PDUStr, Params(aXMLId, PDUStr.Security));
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
    ReadClear(XMLParser);
    XMLParser.XMLAssertStopTagAndNext(aXMLId);
    Encipher(XMLParser, Params(aXMLId, XMLParser.Security), ElementName(aXMLId));
}

void T_CipheredApdu::ToXML(TScriptStream& Stream) const {
    if (!Deciphered()) {
        if (!Reason.empty()) Stream.XMLComment(CommentText(Reason));
        TOctetString::ToXML(Stream);
        return;
    }
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
        ReadClear(XMLParser);
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
