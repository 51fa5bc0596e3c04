#include "Sequence.h"

#include <exception>

#include "INFRAMisc.h"

namespace vantrel {

TSequence::TSequence(const TSequence& aSource) : TCOSEMPduBase(aSource) {
    Members.reserve(aSource.Members.size());
    for (const TElementPtr& m : aSource.Members) Members.push_back(m ? m->Clone() : nullptr);
}

void TSequence::CreateMembers(const TSequenceTable& Table) {
    Members.reserve(Table.Fields.size());
    for (const TField& f : Table.Fields) Members.push_back(f.Optional ? nullptr : f.Factory->Create(f.Id));
}

void TSequence::DecodeFromPduStr(TStringWrapper& PDUStr, const TSequenceTable& Table) {
    if (Table.Variant) ReadEitherForm(PDUStr, Table);
    else ReadGuarded(PDUStr, Table, nullptr);
}

bool TSequence::ReadGuarded(TStringWrapper& PDUStr, const TSequenceTable& Table, const TFieldVariant* Variant) {
    if (!Table.Nests) return ReadFields(PDUStr, Table, Variant);
    TNestingGuard guard(PDUStr.Nesting);
    return ReadFields(PDUStr, Table, Variant);
}

bool TSequence::ReadFields(TStringWrapper& PDUStr, const TSequenceTable& Table, const TFieldVariant* Variant) {
    const TXMLId outer = PDUStr.Field;
    Members.reserve(Table.Fields.size());
    for (size_t i = 0; i < Table.Fields.size(); ++i) {
        const TField& f = Table.Fields[i];
        PDUStr.Field = f.Id;
        if (Variant && i == Variant->Field) {
            const std::string_view rest = PDUStr.Text().substr(static_cast<size_t>(PDUStr.FIndex) - 1);
            if (rest.size() < Variant->Size || !rest.starts_with(Variant->Prefix)) {
                PDUStr.Field = outer;
                return false;
            }
            Members.push_back(Variant->Factory->FromPdu(f.Id, PDUStr));
        } else if (const uint8_t present = f.Optional ? PDUStr.NextByte() : 1; present == 0) {
            Members.push_back(nullptr);
        } else {
            if (present != 1) PDUStr.Canonical = false;  // written back as 01
            Members.push_back(f.Factory->FromPdu(f.Id, PDUStr));
        }
    }
    PDUStr.Field = outer;
    return true;
}

// The standard reading first; the variant only where that fails or leaves
// octets unread. A reading that succeeds beats one that fails; of two alike,
// the one that got further wins (for failures: its message says more), and a
// tie goes to the standard reading.
void TSequence::ReadEitherForm(TStringWrapper& PDUStr, const TSequenceTable& Table) {
    const int start = PDUStr.FIndex;
    std::exception_ptr standardFailure;
    try {
        ReadGuarded(PDUStr, Table, nullptr);
        if (PDUStr.GetRemainingBytes() <= 0) return;
    } catch (const EVantrelError&) {
        standardFailure = std::current_exception();
    }
    const int standardEnd = PDUStr.FIndex;
    TElementList standard = std::move(Members);
    Members.clear();
    PDUStr.FIndex = start;

    bool tried = false;
    std::exception_ptr variantFailure;
    try {
        tried = ReadGuarded(PDUStr, Table, Table.Variant);
    } catch (const EVantrelError&) {
        tried = true;
        variantFailure = std::current_exception();
    }
    const bool further = PDUStr.FIndex > standardEnd;
    if (tried && (variantFailure ? standardFailure && further : standardFailure || further)) {
        if (variantFailure) std::rethrow_exception(variantFailure);
        PDUStr.Canonical = false;  // the variant's octets are not followed up here
        return;
    }
    Members = std::move(standard);
    PDUStr.FIndex = standardEnd;
    if (standardFailure) std::rethrow_exception(standardFailure);
}

void TSequence::LoadFromXml(TXMLParser& XMLParser, const TSequenceTable& Table) {
    XMLParser.XMLAssertStartTagAndNext(XMLId);
    if (Table.Nests) {
        TNestingGuard guard(XMLParser.Nesting);
        ReadFields(XMLParser, Table);
    } else {
        ReadFields(XMLParser, Table);
    }
    XMLParser.XMLAssertStopTagAndNext(XMLId);
}

void TSequence::ReadFields(TXMLParser& XMLParser, const TSequenceTable& Table) {
    Members.reserve(Table.Fields.size());
    for (size_t i = 0; i < Table.Fields.size(); ++i) {
        const TField& f = Table.Fields[i];
        if (Table.Variant && i == Table.Variant->Field && XMLParser.IsStartTag(f.Id) && !XMLParser.HasAttribute())
            ReadVariant(XMLParser, Table, *Table.Variant);
        else if (f.Optional && !XMLParser.IsStartTag(f.Id)) Members.push_back(nullptr);
        else Members.push_back(f.Factory->FromXml(f.Id, XMLParser));
    }
}

void TSequence::ReadVariant(TXMLParser& XMLParser, const TSequenceTable& Table, const TFieldVariant& Variant) {
    TElementPtr field = Variant.Factory->FromXml(Table.Fields[Variant.Field].Id, XMLParser);
    std::string octets;
    field->EncodeToPduStr(octets);
    if (octets.size() != Variant.Size || !std::string_view(octets).starts_with(Variant.Prefix))
        XMLParser.RaiseXMLError(std::string(field->ClassName()) + ": must encode as " + std::to_string(Variant.Size) +
                                " octets beginning " + TMisc::ByteStrToHexStr(Variant.Prefix));
    Members.push_back(std::move(field));
}

void TSequence::EncodeToPduStr(std::string& PduStr) const {
    const std::span<const TField> fields = SequenceTable().Fields;
    for (size_t i = 0; i < Members.size(); ++i) {
        const bool optional = i < fields.size() && fields[i].Optional;
        if (!Members[i]) {
            if (!optional) throw EVantrelError(std::string(ClassName()) + " : member missing");
            PduStr += '\0';
            continue;
        }
        if (optional) PduStr += '\x01';
        EncodeElement(*Members[i], PduStr);
    }
}

void TSequence::ToXML(TScriptStream& Stream) const {
    const std::string_view name = ElementName(XMLId);
    Stream.XMLOpenTagLn(name);
    ++Stream.Indent;
    for (const TElementPtr& m : Members)
        if (m) WriteElement(Stream, *m);
    --Stream.Indent;
    Stream.XMLCloseTagLn(name);
}

void TSequence::EncodeToDataPduStr(std::string& PduStr) const {
    PduStr += static_cast<char>(DataTag());
    EncodeLength(PduStr, Members.size());
    for (const TElementPtr& m : Members)
        if (m) m->EncodeToDataPduStr(PduStr);
}

}  // namespace vantrel
