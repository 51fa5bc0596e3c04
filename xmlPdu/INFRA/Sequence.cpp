#include "Sequence.h"

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
    if (Table.Nests) {
        TNestingGuard guard(PDUStr.Nesting);
        ReadFields(PDUStr, Table);
    } else {
        ReadFields(PDUStr, Table);
    }
}

void TSequence::ReadFields(TStringWrapper& PDUStr, const TSequenceTable& Table) {
    const TXMLId outer = PDUStr.Field;
    Members.reserve(Table.Fields.size());
    for (const TField& f : Table.Fields) {
        PDUStr.Field = f.Id;
        if (f.Optional && PDUStr.NextByte() == 0) Members.push_back(nullptr);
        else Members.push_back(f.Factory->FromPdu(f.Id, PDUStr));
    }
    PDUStr.Field = outer;
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
    for (const TField& f : Table.Fields) {
        if (f.Optional && !XMLParser.IsStartTag(f.Id)) Members.push_back(nullptr);
        else Members.push_back(f.Factory->FromXml(f.Id, XMLParser));
    }
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
        Members[i]->EncodeToPduStr(PduStr);
    }
}

void TSequence::ToXML(TScriptStream& Stream) const {
    const std::string_view name = ElementName(XMLId);
    Stream.XMLOpenTagLn(name);
    ++Stream.Indent;
    for (const TElementPtr& m : Members)
        if (m) m->ToXML(Stream);
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
