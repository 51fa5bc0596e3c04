#include "Choice.h"

namespace vantrel {

TChoice::TChoice(const TChoice& aSource)
    : TCOSEMPduBase(aSource), Tag(aSource.Tag), Value(aSource.Value ? aSource.Value->Clone() : nullptr) {}

const TAlternative& TChoice::AlternativeOfTag(const TChoiceTable& Table) {
    const TAlternative* a = Table.FindTag(Tag);
    if (!a) throw EVantrelError(std::string(Table.Name) + " : illegal Tag " + std::to_string(Tag));
    return *a;
}

void TChoice::DecodeFromPduStr(TStringWrapper& PDUStr, const TChoiceTable& Table) {
    Tag = PDUStr.NextByte();
    const TAlternative& a = AlternativeOfTag(Table);
    const TXMLId outer = PDUStr.Field;
    PDUStr.Field = a.Id;
    if (Table.Nests) {
        TNestingGuard guard(PDUStr.Nesting);
        Value = a.Factory->FromPdu(a.Id, PDUStr);
    } else {
        Value = a.Factory->FromPdu(a.Id, PDUStr);
    }
    PDUStr.Field = outer;
}

void TChoice::DecodeFromDataPduStr(TStringWrapper& PDUStr, const TChoiceTable& Table) {
    Tag = PDUStr.NextByte();
    const TAlternative& a = AlternativeOfTag(Table);
    const TXMLId outer = PDUStr.Field;
    PDUStr.Field = a.Id;
    TNestingGuard guard(PDUStr.Nesting);
    Value = a.Factory->FromDataPdu(a.Id, PDUStr);
    PDUStr.Field = outer;
}

void TChoice::LoadFromXml(TXMLParser& XMLParser, const TChoiceTable& Table) {
    if (XMLId != xmlIgnore) XMLParser.XMLAssertStartTagAndNext(XMLId);
    const TAlternative* a = XMLParser.Token() == xtStartTag ? Table.FindId(XMLParser.Tag()) : nullptr;
    if (!a) XMLParser.RaiseXMLError(std::string(Table.Name) + ".CreateFromXml : illegal choice");
    Tag = a->Tag;
    if (Table.Nests) {
        TNestingGuard guard(XMLParser.Nesting);
        Value = a->Factory->FromXml(a->Id, XMLParser);
    } else {
        Value = a->Factory->FromXml(a->Id, XMLParser);
    }
    if (XMLId != xmlIgnore) XMLParser.XMLAssertStopTagAndNext(XMLId);
}

void TChoice::SetVariant(const TChoiceTable& Table, TXMLId VariantXMLId, TElementPtr V) {
    const TAlternative* a = Table.FindId(VariantXMLId);
    if (!a) throw EVantrelError(std::string(Table.Name) + ".CreateVariant : illegal choice");
    Tag = a->Tag;
    Value = V ? std::move(V) : a->Factory->Create(a->Id);
}

void TChoice::EncodeToPduStr(std::string& PduStr) const {
    if (!Value) throw EVantrelError(std::string(ChoiceTable().Name) + " : no alternative selected");
    PduStr += static_cast<char>(Tag);
    EncodeElement(*Value, PduStr);
}

void TChoice::WriteXml(TScriptStream& Stream, TXMLId AsId) const {
    if (!Value) throw EVantrelError(std::string(ChoiceTable().Name) + " : no alternative selected");
    if (AsId == xmlIgnore) return WriteElement(Stream, *Value);
    const std::string_view name = ElementName(AsId);
    Stream.XMLOpenTagLn(name);
    ++Stream.Indent;
    WriteElement(Stream, *Value);
    --Stream.Indent;
    Stream.XMLCloseTagLn(name);
}

bool TChoice::EqualType(const TCOSEMPduBase& X) const {
    const auto* other = dynamic_cast<const TChoice*>(&X);
    if (!other || other->Tag != Tag) return false;
    if (!Value || !other->Value) return !Value && !other->Value;
    return Value->EqualType(*other->Value);
}

void TChoice::EncodeToDataPduStr(std::string& PduStr) const {
    if (!Value) throw EVantrelError(std::string(ChoiceTable().Name) + " : no alternative selected");
    Value->EncodeToDataPduStr(PduStr);
}

void TChoice::MakeClone() { ValueClone = Value ? Value->Clone() : nullptr; }

void TChoice::RestoreValue() {
    if (!ValueClone) throw EAssertionFailed("Assertion failure (xmlPdu/INFRA/Choice.cpp, line 105)");
    Value = std::move(ValueClone);
}

}  // namespace vantrel
