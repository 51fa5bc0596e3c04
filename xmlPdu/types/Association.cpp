#include "Association.h"

#include <algorithm>

#include "../security/SecurityContext.h"

namespace vantrel {

namespace {
// Puts the length of everything from Start on in front of it, in the
// encoding of Owner.
void InsertLength(std::string& PduStr, size_t Start, const TCOSEMPduBase& Owner) {
    std::string length;
    TCOSEMPduBase::EncodeLength(length, PduStr.size() - Start);
    PduStr.insert(Start, length);
    if (TEncodeMap* map = TEncodeMap::Open()) [[unlikely]]
        map->Inserted(Owner, Start, length.size());
}
}  // namespace

// ------------------------------------------------------------ BER APDU base

TBERApdu::TBERApdu(const TBERApdu& aSource) : TCOSEMPduBase(aSource) {
    Fields.reserve(aSource.Fields.size());
    for (const TElementPtr& f : aSource.Fields) Fields.push_back(f ? f->Clone() : nullptr);
}

void TBERApdu::CreateFields(const TBERTable& Table) {
    Fields.reserve(Table.Fields.size());
    for (const TBERField& f : Table.Fields) Fields.push_back(f.Factory->Create(f.Id));
}

namespace {
// An AARQ's calling-AP-title or an AARE's responding-AP-title: the system
// title that the ciphered APDU in its user information was enciphered with.
void NoteTitle(TSecurityContext* Context, const TBERField& Field, const TElementPtr& Element) {
    if (Context && Element && (Field.Id == xmlCallingAPTitle || Field.Id == xmlRespondingAPTitle))
        Context->AssociationTitle = static_cast<const TOctetString&>(*Element).Value;
}
}  // namespace

void TBERApdu::DecodeFromPduStr(TStringWrapper& PDUStr, const TBERTable& Table) {
    TAssociationScope scope(PDUStr.Security);
    Fields.resize(Table.Fields.size());
    // The fields run to the end of the input, whatever the lengths say; a
    // length other than the encoder's, a field out of table order or again
    // is read, but not as the encoder writes it.
    const uint32_t length = DecodeVarLengthUnsignedInteger(PDUStr);
    const int contents = PDUStr.FIndex;
    ptrdiff_t previous = -1;
    const TXMLId outer = PDUStr.Field;
    while (PDUStr.GetRemainingBytes() > 0) {
        PDUStr.Field = outer;
        const int tagAt = PDUStr.FIndex;
        const uint8_t tag = PDUStr.NextByte();
        const TBERField* f = Table.FindTag(tag);
        if (!f) throw EVantrelError("Unexpected tag1 " + std::to_string(tag));
        PDUStr.Field = f->Id;
        const ptrdiff_t index = f - Table.Fields.data();
        if (index <= previous) PDUStr.Canonical = false;
        previous = index;
        uint32_t fieldLength = 0;
        if (f->InnerTag != TBERField::kNoInnerTag) {
            fieldLength = DecodeVarLengthUnsignedInteger(PDUStr);
            const uint8_t inner = PDUStr.NextByte();
            if (inner != f->InnerTag) throw EVantrelError("Unexpected tag2 " + std::to_string(inner));
        }
        const int innerStart = PDUStr.FIndex - 1;
        // A field that comes again replaces the earlier one.
        TElementPtr& field = Fields[static_cast<size_t>(index)];
        field = f->Factory->FromPdu(f->Id, PDUStr);
        if (PDUStr.Map) [[unlikely]]
            PDUStr.Map->Cover(*field, tagAt);  // the field's tags are its own
        if (f->InnerTag != TBERField::kNoInnerTag && static_cast<uint32_t>(PDUStr.FIndex - innerStart) != fieldLength)
            PDUStr.Canonical = false;
        NoteTitle(PDUStr.Security, *f, field);
    }
    if (static_cast<uint32_t>(PDUStr.FIndex - contents) != length) PDUStr.Canonical = false;
    for (size_t i = 0; i < Fields.size(); ++i)
        if (Table.Fields[i].Required && !Fields[i]) PDUStr.Canonical = false;  // nothing to encode it from
    PDUStr.Field = outer;
}

void TBERApdu::LoadFromXml(TXMLParser& XMLParser, const TBERTable& Table) {
    TAssociationScope scope(XMLParser.Security);
    XMLParser.XMLAssertStartTagAndNext(XMLId);
    Fields.reserve(Table.Fields.size());
    for (const TBERField& f : Table.Fields) {
        const bool present = f.Required || (f.Id != xmlIgnore ? XMLParser.IsStartTag(f.Id)
                                                               : XMLParser.Token() == xtStartTag &&
                                                                     T_COSEMpdu::kTable.FindId(XMLParser.Tag()));
        Fields.push_back(present ? f.Factory->FromXml(f.Id, XMLParser) : nullptr);
        NoteTitle(XMLParser.Security, f, Fields.back());
    }
    XMLParser.XMLAssertStopTagAndNext(XMLId);
}

void TBERApdu::CheckRequired() const {
    const std::span<const TBERField> table = BERTable().Fields;
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].Required && !Fields[i])
            throw EVantrelError("Field " + std::string(ElementName(table[i].Id)) + " missing");
}

void TBERApdu::EncodeToPduStr(std::string& PduStr) const {
    CheckRequired();
    const std::span<const TBERField> table = BERTable().Fields;
    const size_t contents = PduStr.size();
    for (size_t i = 0; i < table.size(); ++i) {
        if (!Fields[i]) continue;
        const size_t start = PduStr.size();
        PduStr += static_cast<char>(table[i].OuterTag);
        if (table[i].InnerTag == TBERField::kNoInnerTag) {
            EncodeElement(*Fields[i], PduStr);
        } else {
            const size_t field = PduStr.size();
            PduStr += static_cast<char>(table[i].InnerTag);
            EncodeElement(*Fields[i], PduStr);
            InsertLength(PduStr, field, *this);
        }
        if (TEncodeMap* map = TEncodeMap::Open()) [[unlikely]]
            map->Cover(*Fields[i], start, PduStr.size());  // the field's tags are its own
    }
    InsertLength(PduStr, contents, *this);
}

void TBERApdu::ToXML(TScriptStream& Stream) const {
    CheckRequired();
    const std::string_view name = ElementName(XMLId);
    Stream.XMLOpenTagLn(name);
    ++Stream.Indent;
    for (const TElementPtr& f : Fields)
        if (f) WriteElement(Stream, *f);
    --Stream.Indent;
    Stream.XMLCloseTagLn(name);
}

// ------------------------------------------------------------- carried APDU

T_BERCOSEMpdu::T_BERCOSEMpdu(TXMLId aXMLId, TStringWrapper& PDUStr) : T_COSEMpdu(aXMLId) {
    // The length is not needed to read the APDU; the encoder writes its own.
    const uint32_t length = DecodeVarLengthUnsignedInteger(PDUStr);
    const int start = PDUStr.FIndex;
    TNestingGuard guard(PDUStr.Nesting);
    DecodeFromPduStr(PDUStr, kTable);
    if (static_cast<uint32_t>(PDUStr.FIndex - start) != length) PDUStr.Canonical = false;
}

T_BERCOSEMpdu::T_BERCOSEMpdu(TXMLId aXMLId, TXMLParser& XMLParser) : T_COSEMpdu(aXMLId) {
    TNestingGuard guard(XMLParser.Nesting);
    LoadFromXml(XMLParser, kTable);
}

void T_BERCOSEMpdu::EncodeToPduStr(std::string& PduStr) const {
    const size_t start = PduStr.size();
    T_COSEMpdu::EncodeToPduStr(PduStr);
    InsertLength(PduStr, start, *this);
}

// ------------------------------------------------------------ diagnostic

namespace {
constexpr TAlternative kDiagnosticSources[] = {
    {0xA1, xmlACSEServiceUser, &ElementFactory<T_ACSEServiceUser>},
    {0xA2, xmlACSEServiceProvider, &ElementFactory<T_ACSEServiceProvider>},
};

const TAlternative& DiagnosticSource(int Tag1) {
    for (const TAlternative& a : kDiagnosticSources)
        if (a.Tag == Tag1) return a;
    throw EVantrelError("T_ResultSourceDiagnostic : illegal Tag " + std::to_string(Tag1));
}
}  // namespace

T_ResultSourceDiagnostic::T_ResultSourceDiagnostic(TXMLId aXMLId)
    : TElementImpl(aXMLId), Value(kDiagnosticSources[0].Factory->Create(kDiagnosticSources[0].Id)) {}

T_ResultSourceDiagnostic::T_ResultSourceDiagnostic(TXMLId aXMLId, TStringWrapper& PDUStr) : TElementImpl(aXMLId) {
    // The lengths are not needed to read it; the encoder writes 05 and 03.
    const uint8_t outer = PDUStr.NextByte();
    const int tagAt = PDUStr.FIndex;
    Tag1 = PDUStr.NextByte();
    const TAlternative& source = DiagnosticSource(Tag1);
    const uint8_t inner = PDUStr.NextByte();
    PDUStr.ExpectByte(0x02);
    Value = source.Factory->FromPdu(source.Id, PDUStr);
    if (PDUStr.Map) [[unlikely]]
        PDUStr.Map->Cover(*Value, tagAt);  // the source's tags are its own
    if (outer != 5 || inner != 3) PDUStr.Canonical = false;
}

T_ResultSourceDiagnostic::T_ResultSourceDiagnostic(TXMLId aXMLId, TXMLParser& XMLParser) : TElementImpl(aXMLId) {
    if (XMLId != xmlIgnore) XMLParser.XMLAssertStartTagAndNext(XMLId);
    const auto source =
        std::ranges::find_if(kDiagnosticSources, [&](const TAlternative& a) { return XMLParser.IsStartTag(a.Id); });
    if (source == std::end(kDiagnosticSources)) XMLParser.RaiseXMLError("T_ResultSourceDiagnostic : illegal choice");
    Tag1 = static_cast<uint8_t>(source->Tag);
    Value = source->Factory->FromXml(source->Id, XMLParser);
    if (XMLId != xmlIgnore) XMLParser.XMLAssertStopTagAndNext(XMLId);
}

T_ResultSourceDiagnostic::T_ResultSourceDiagnostic(const T_ResultSourceDiagnostic& aSource)
    : TElementImpl(aSource), Tag1(aSource.Tag1), Value(aSource.Value->Clone()) {}

void T_ResultSourceDiagnostic::EncodeToPduStr(std::string& PduStr) const {
    DiagnosticSource(Tag1);
    const size_t start = PduStr.size();
    const char head[] = {'\0', static_cast<char>(Tag1), '\0', '\x02'};
    PduStr.append(head, sizeof head);
    EncodeElement(*Value, PduStr);
    // Both lengths are single octets: the member is two octets long.
    PduStr[start] = static_cast<char>(PduStr.size() - start - 1);
    PduStr[start + 2] = static_cast<char>(PduStr.size() - start - 3);
    if (TEncodeMap* map = TEncodeMap::Open()) [[unlikely]]
        map->Cover(*Value, start + 1, PduStr.size());  // the source's tags are its own
}

void T_ResultSourceDiagnostic::ToXML(TScriptStream& Stream) const {
    if (XMLId == xmlIgnore) return WriteElement(Stream, *Value);
    const std::string_view name = ElementName(XMLId);
    Stream.XMLOpenTagLn(name);
    ++Stream.Indent;
    WriteElement(Stream, *Value);
    --Stream.Indent;
    Stream.XMLCloseTagLn(name);
}

// ------------------------------------------------------------ AARQ and AARE

namespace {
constexpr int kNone = TBERField::kNoInnerTag;

constexpr TBERField kAssociationRequestFields[] = {
    {0x80, kNone, xmlProtocolVersion, &ElementFactory<T_ProtocolVersion>},
    {0xA1, 0x06, xmlApplicationContextName, &ElementFactory<T_ApplicationContextName>, Required},
    {0xA2, 0x04, xmlCalledAPTitle, &ElementFactory<T_APTitle>},
    {0xA3, 0x04, xmlCalledAEQualifier, &ElementFactory<T_AEQualifier>},
    {0xA4, 0x02, xmlCalledAPInvocationId, &ElementFactory<T_InvocationId>},
    {0xA5, 0x02, xmlCalledAEInvocationId, &ElementFactory<T_InvocationId>},
    {0xA6, 0x04, xmlCallingAPTitle, &ElementFactory<T_APTitle>},
    {0xA7, 0x04, xmlCallingAEQualifier, &ElementFactory<T_AEQualifier>},
    {0xA8, 0x02, xmlCallingAPInvocationId, &ElementFactory<T_InvocationId>},
    {0xA9, 0x02, xmlCallingAEInvocationId, &ElementFactory<T_InvocationId>},
    {0x8A, kNone, xmlSenderACSERequirements, &ElementFactory<T_ACSERequirement>},
    {0x8B, kNone, xmlMechanismName, &ElementFactory<T_MechanismName>},
    {0xAC, 0x80, xmlCallingAuthenticationValue, &ElementFactory<T_AuthenticationValue>},
    {0x9D, kNone, xmlImplementationInformation, &ElementFactory<T_ImplementationData>},
    {0xBE, 0x04, xmlIgnore, &ElementFactory<T_BERCOSEMpdu>},
};

// The diagnostic reads and writes its own structure after A3.
constexpr TBERField kAssociationResponseFields[] = {
    {0x80, kNone, xmlProtocolVersion, &ElementFactory<T_ProtocolVersion>},
    {0xA1, 0x06, xmlApplicationContextName, &ElementFactory<T_ApplicationContextName>, Required},
    {0xA2, 0x02, xmlAssociationResult, &ElementFactory<T_AssociationResult>, Required},
    {0xA3, kNone, xmlResultSourceDiagnostic, &ElementFactory<T_ResultSourceDiagnostic>, Required},
    {0xA4, 0x04, xmlRespondingAPTitle, &ElementFactory<T_APTitle>},
    {0xA5, 0x04, xmlRespondingAEQualifier, &ElementFactory<T_AEQualifier>},
    {0xA6, 0x02, xmlRespondingAPInvocationId, &ElementFactory<T_InvocationId>},
    {0xA7, 0x02, xmlRespondingAEInvocationId, &ElementFactory<T_InvocationId>},
    {0x88, kNone, xmlResponderACSERequirement, &ElementFactory<T_ACSERequirement>},
    {0x89, kNone, xmlMechanismName, &ElementFactory<T_MechanismName>},
    {0xAA, 0x80, xmlRespondingAuthenticationValue, &ElementFactory<T_AuthenticationValue>},
    {0xBE, 0x04, xmlIgnore, &ElementFactory<T_BERCOSEMpdu>},
};
}  // namespace

constinit const TBERTable T_AssociationRequest::kTable = MakeBERTable(kAssociationRequestFields);
constinit const TBERTable T_AssociationResponse::kTable = MakeBERTable(kAssociationResponseFields);

}  // namespace vantrel
