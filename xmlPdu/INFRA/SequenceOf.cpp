#include "SequenceOf.h"

#include <algorithm>
#include <optional>

#include "Choice.h"
#include "INFRAMisc.h"

namespace vantrel {

TSequenceOf::TSequenceOf(const TSequenceOf& aSource) : TCOSEMPduBase(aSource) {
    FElements.reserve(aSource.FElements.size());
    for (const TElementPtr& e : aSource.FElements) FElements.push_back(e->Clone());
}

const TCOSEMPduBase& TSequenceOf::GetElements(int Index) const {
    if (Index < 0 || Index >= ElementCount()) throw EArgumentOutOfRange();
    return *FElements[static_cast<size_t>(Index)];
}

int TSequenceOf::IndexOf(const TCOSEMPduBase* Item) const noexcept {
    for (size_t i = 0; i < FElements.size(); ++i)
        if (FElements[i].get() == Item) return static_cast<int>(i);
    return -1;
}

void TSequenceOf::AtFree(int Index) { FreeRange(Index, 1); }

void TSequenceOf::FreeRange(int FromIndex, int Count) {
    if (FromIndex < 0 || Count < 0 || Count > ElementCount() - FromIndex) throw EArgumentOutOfRange();
    FElements.erase(FElements.begin() + FromIndex, FElements.begin() + FromIndex + Count);
}

void TSequenceOf::Sort(const TComparer& aComparer) {
    std::stable_sort(FElements.begin(), FElements.end(),
                     [&](const TElementPtr& a, const TElementPtr& b) { return aComparer(*a, *b) > 0; });
}

bool TSequenceOf::Search(const TCOSEMPduBase& Item, int& Index, const TComparer& aComparer) const {
    int low = 0, high = ElementCount() - 1;
    while (low <= high) {
        const int mid = low + (high - low) / 2;
        const int c = aComparer(*FElements[static_cast<size_t>(mid)], Item);
        if (c == 0) {
            Index = mid;
            return true;
        }
        if (c > 0) low = mid + 1;  // the element is smaller than Item
        else high = mid - 1;
    }
    Index = low;
    return false;
}

void TSequenceOf::EncodeToPduStr(std::string& PduStr) const {
    EncodeLength(PduStr, FElements.size());
    for (const TElementPtr& e : FElements) EncodeElement(*e, PduStr);
}

bool TSequenceOf::EqualType(const TCOSEMPduBase& X) const {
    const auto* other = dynamic_cast<const TSequenceOf*>(&X);
    if (!other || other->ElementCount() != ElementCount()) return false;
    for (size_t i = 0; i < FElements.size(); ++i)
        if (!FElements[i]->EqualType(*other->FElements[i])) return false;
    return true;
}

int32_t TSequenceOf::DataTag() const { return ClassName() == "T_Structure" ? 2 : 1; }

void TSequenceOf::EncodeToDataPduStr(std::string& PduStr) const {
    PduStr += static_cast<char>(DataTag());
    EncodeLength(PduStr, FElements.size());
    for (const TElementPtr& e : FElements) e->EncodeToDataPduStr(PduStr);
}

namespace {
// Elements never take less than one octet, so the count is only trusted as
// far as the input reaches.
size_t PlausibleCount(uint32_t Count, const TStringWrapper& PDUStr) {
    const int remaining = PDUStr.GetRemainingBytes();
    return std::min<size_t>(Count, remaining > 0 ? static_cast<size_t>(remaining) : 0);
}
}  // namespace

void TSequenceOf::LoadFromPduElementsOfType(TStringWrapper& PDUStr, const TListTable& Table) {
    const uint32_t count = DecodeVarLengthUnsignedInteger(PDUStr);
    FElements.reserve(PlausibleCount(count, PDUStr));
    std::optional<TNestingGuard> guard;
    if (Table.Nests) guard.emplace(PDUStr.Nesting);
    for (uint32_t i = 0; i < count; ++i) FElements.push_back(Table.Element->FromPdu(Table.ElementId, PDUStr));
}

void TSequenceOf::LoadFromDataPduElementsOfType(TStringWrapper& PDUStr, const TListTable& Table) {
    PDUStr.ExpectByte(static_cast<uint8_t>(DataTag()));
    const uint32_t count = DecodeVarLengthUnsignedInteger(PDUStr);
    FElements.reserve(PlausibleCount(count, PDUStr));
    TNestingGuard guard(PDUStr.Nesting);
    for (uint32_t i = 0; i < count; ++i) FElements.push_back(Table.Element->FromDataPdu(Table.ElementId, PDUStr));
}

namespace {
// The count of a Qty attribute: 1 to 8 hex digits, read as a 32-bit integer.
int32_t QtyValue(std::string_view Text) {
    uint32_t v = 0;
    bool valid = !Text.empty() && Text.size() <= 8;
    for (char c : Text) {
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        if (d < 0) valid = false;
        v = (v << 4) | static_cast<uint32_t>(d & 15);
    }
    if (!valid) throw EConvertError("'$" + std::string(Text) + "' is not a valid integer value");
    return static_cast<int32_t>(v);
}

bool IsAuto(std::string_view Text) {
    return Text.size() == 4 && (Text[0] | 0x20) == 'a' && (Text[1] | 0x20) == 'u' && (Text[2] | 0x20) == 't' &&
           (Text[3] | 0x20) == 'o';
}
}  // namespace

void TSequenceOf::LoadFromXmlElementsOfTag(TXMLParser& XMLParser, const TListTable& Table) {
    const TXMLId elemId = Table.Element->IsChoice ? xmlIgnore : Table.ElementId;
    XMLParser.XMLAssertStartTag(XMLId);
    const std::string_view qty = XMLParser.XMLGetAttributeValue(xmlQty);
    const bool expectCount = !IsAuto(qty);
    const int32_t expected = expectCount ? QtyValue(qty) : 0;
    // An element closed in its start tag (<Array Qty="0000" />) holds no
    // elements: what follows it is not its own.
    const bool closed = XMLParser.FullElement();
    XMLParser.Next();
    if (!closed) {
        std::optional<TNestingGuard> guard;
        if (Table.Nests) guard.emplace(XMLParser.Nesting);
        while (XMLParser.Token() == xtStartTag) FElements.push_back(Table.Element->FromXml(elemId, XMLParser));
        if (XMLParser.Token() == xtUnknown) XMLParser.RaiseXMLError("UnexpectedKeyword");
    }
    if (expectCount && expected != ElementCount())
        XMLParser.RaiseXMLError("ExpectedQty=" + std::to_string(expected) + ", ActualQty=" + std::to_string(ElementCount()));
    if (!closed) XMLParser.XMLAssertStopTagAndNext(XMLId);
}

namespace {
// A list's element: a choice without its own element.
void WriteItem(TScriptStream& Stream, const TCOSEMPduBase& Element) {
    if (const TChoice* choice = Element.AsChoice()) choice->WriteXml(Stream, xmlIgnore);
    else Element.ToXML(Stream);
}
}  // namespace

void TSequenceOf::SaveToXml(TScriptStream& Stream) const {
    const std::string_view name = ElementName(XMLId);
    char qty[8];
    const auto count = static_cast<uint32_t>(ElementCount());
    size_t digits = 4;
    while (digits < 8 && (count >> (4 * digits)) != 0) ++digits;
    for (size_t i = 0; i < digits; ++i) qty[i] = detail::kHexPairs[2 * ((count >> (4 * (digits - 1 - i))) & 15) + 1];
    Stream.XMLOpenTagAttrLn(name, ElementName(xmlQty), {qty, digits});
    ++Stream.Indent;
    // The map is looked at once per list, not per element.
    if (Stream.Map) [[unlikely]] {
        for (const TElementPtr& e : FElements) {
            WriteElement(Stream, *e, WriteItem);
            if (Stream.LineNotEmpty) Stream.EmitLn("");
        }
    } else {
        for (const TElementPtr& e : FElements) {
            WriteItem(Stream, *e);
            if (Stream.LineNotEmpty) Stream.EmitLn("");
        }
    }
    --Stream.Indent;
    Stream.XMLCloseTagLn(name);
}

}  // namespace vantrel
