#include "OctetMap.h"

#include <algorithm>
#include <cstring>

#include "COSEMPduBase.h"

namespace vantrel {

namespace {

uint32_t Narrow(size_t Value) noexcept { return Value < kMapNone ? static_cast<uint32_t>(Value) : kMapNone - 1; }

// The octets of an element's field Key, within the element's own.
TOctetRange InnerRange(const TCOSEMPduBase* Owner, const TOctetRange* Own, uint32_t Key) noexcept {
    if (!Owner || !Own || Own->Offset == kMapNone) return {};
    uint32_t offset = Own->Offset, length = Own->Length;
    if (!Owner->InnerOctets(Key, offset, length)) return *Own;
    return {offset, length, Own->Level};
}

// The parent's, or the parent itself when the entry is one level deeper.
uint32_t PlaintextOf(const std::vector<TMapEntry>& Entries, uint32_t Parent, uint32_t ParentLevel, uint32_t Level) {
    if (Parent == kMapNone) return kMapNone;
    return Level > ParentLevel ? Parent : Entries[Parent].Plaintext;
}

}  // namespace

// ------------------------------------------------------------ lines

uint32_t TLineCounter::LineAt(const char* Text, size_t Index) noexcept {
    if (Index >= FScanned) {
        FBreaks += static_cast<uint32_t>(std::count(Text + FScanned, Text + Index, '\n'));
        FScanned = Index;
        return FBreaks + 1;
    }
    return FBreaks - static_cast<uint32_t>(std::count(Text + Index, Text + FScanned, '\n')) + 1;
}

// ------------------------------------------------------------ reading octets

uint32_t TReadMap::Open(int Index) {
    Ranges.push_back({Narrow(static_cast<size_t>(Index - 1)), 0, Level});
    return static_cast<uint32_t>(Ranges.size() - 1);
}

void TReadMap::Close(uint32_t Slot, TCOSEMPduBase& Element, int Index) {
    TOctetRange& r = Ranges[Slot];
    r.Length = Narrow(static_cast<size_t>(Index - 1)) - r.Offset;
    Element.MapSlot = Slot;
}

void TReadMap::Cover(const TCOSEMPduBase& Element, int Index) noexcept {
    if (Element.MapSlot >= Ranges.size()) return;
    TOctetRange& r = Ranges[Element.MapSlot];
    const uint32_t from = Narrow(static_cast<size_t>(Index - 1));
    if (from > r.Offset) return;
    r.Length += r.Offset - from;
    r.Offset = from;
}

const TOctetRange* TReadMap::RangeOf(const TCOSEMPduBase& Element) const noexcept {
    return Element.MapSlot < Ranges.size() ? &Ranges[Element.MapSlot] : nullptr;
}

// ------------------------------------------------------------ writing XML

TWriteMap::TSaved TWriteMap::Enter(const TCOSEMPduBase& Element) noexcept {
    const TSaved saved{FPending, FCurrent};
    if (!FPending) FPending = &Element;
    FCurrent = &Element;
    return saved;
}

void TWriteMap::Leave(const TCOSEMPduBase& Element, const TSaved& Saved) noexcept {
    if (FPending == &Element) FPending = nullptr;  // it wrote no start tag
    FCurrent = Saved.Current;
}

void TWriteMap::StartTag(const TScriptStream& Stream, std::string_view Tag, bool Opens) {
    TOctetRange range;
    if (FInner != kMapNone) {
        range = InnerRange(FCurrent, FCurrent ? FRead.RangeOf(*FCurrent) : nullptr, FInner);
        FInner = kMapNone;
    } else if (const TCOSEMPduBase* owner = FPending ? FPending : FCurrent) {
        if (const TOctetRange* r = FRead.RangeOf(*owner)) range = *r;
    }
    FPending = nullptr;  // an element's first start tag is its own; later ones are fields of it

    TMapEntry e;
    e.Element = Tag.data();
    e.Line = e.LastLine = FLines.LineAt(Stream.Memory(), Stream.Size());
    e.Offset = range.Offset;
    e.Length = range.Length;
    if (!FOpen.empty()) {
        e.Parent = FOpen.back().Entry;
        e.Depth = Entries[e.Parent].Depth + 1;
        e.Plaintext = PlaintextOf(Entries, e.Parent, FOpen.back().Level, range.Level);
    }
    Entries.push_back(e);
    if (Opens) FOpen.push_back({static_cast<uint32_t>(Entries.size() - 1), range.Level});
}

void TWriteMap::CloseTag(const TScriptStream& Stream) {
    if (FOpen.empty()) return;
    Entries[FOpen.back().Entry].LastLine = FLines.LineAt(Stream.Memory(), Stream.Size());
    FOpen.pop_back();
}

// ------------------------------------------------------------ reading XML

uint32_t TParseMap::NewEntry(const TXMLParser& Parser, uint32_t Slot, uint32_t Key) {
    TMapEntry e;
    TXMLId id;
    // An unknown name fails in the element's reading, with its own message.
    if (FindKeyWord(Parser.TagIdentifier(), id)) e.Element = ElementName(id).data();
    e.Line = e.LastLine = FLines.LineAt(FText, static_cast<size_t>(Parser.TagStart()));
    if (!FOpenEntries.empty()) {
        e.Parent = FOpenEntries.back();
        e.Depth = FEntries[e.Parent].Depth + 1;
    }
    FEntries.push_back(e);
    FSources.push_back({Slot, Key});
    FLastTag = Parser.TagStart();
    return static_cast<uint32_t>(FEntries.size() - 1);
}

uint32_t TParseMap::Open(const TXMLParser& Parser) {
    const auto slot = static_cast<uint32_t>(Slots.size());
    Slots.emplace_back();
    uint32_t entry = kMapNone;
    // A start tag already entered belongs to an element around this one.
    if (Parser.Token() == xtStartTag && Parser.TagStart() != FLastTag) {
        entry = NewEntry(Parser, slot, kMapNone);
        if (!Parser.FullElement()) FOpenEntries.push_back(entry);
        else entry = kMapNone;  // nothing to close
    }
    FOpenSlots.push_back({slot, entry});
    return slot;
}

void TParseMap::Close(uint32_t Slot, TCOSEMPduBase& Element, const TXMLParser& Parser) {
    Slots[Slot].Element = &Element;
    Element.MapSlot = Slot;
    if (FOpenSlots.empty() || FOpenSlots.back().Slot != Slot) return;
    if (const uint32_t entry = FOpenSlots.back().Entry; entry != kMapNone) {
        if (Parser.PreviousTagStart() >= 0)
            FEntries[entry].LastLine = FLines.LineAt(FText, static_cast<size_t>(Parser.PreviousTagStart()));
        if (!FOpenEntries.empty() && FOpenEntries.back() == entry) FOpenEntries.pop_back();
    }
    FOpenSlots.pop_back();
}

void TParseMap::Inner(const TXMLParser& Parser, uint32_t Key) {
    if (Parser.Token() != xtStartTag || FOpenSlots.empty()) return;
    if (Parser.TagStart() == FLastTag) {
        // The element has no start tag of its own: the entry made for it is the field's.
        FSources.back().Key = Key;
        return;
    }
    NewEntry(Parser, FOpenSlots.back().Slot, Key);
}

std::vector<TMapEntry> TParseMap::Resolve() const {
    std::vector<TMapEntry> entries = FEntries;
    std::vector<uint32_t> levels(entries.size(), 0);
    for (size_t i = 0; i < entries.size(); ++i) {
        const TSource& source = FSources[i];
        TOctetRange range;
        if (source.Slot < Slots.size()) {
            const TSlot& slot = Slots[source.Slot];
            range = source.Key == kMapNone ? slot.Range : InnerRange(slot.Element, &slot.Range, source.Key);
        }
        TMapEntry& e = entries[i];
        e.Offset = range.Offset;
        e.Length = range.Length;
        levels[i] = range.Level;
        if (e.Parent != kMapNone) e.Plaintext = PlaintextOf(entries, e.Parent, levels[e.Parent], range.Level);
    }
    return entries;
}

// ------------------------------------------------------------ encoding

namespace {
// Looked up for every element encoded: a plain pointer in the initial TLS block.
__attribute__((tls_model("initial-exec"))) thread_local TEncodeMap* tOpenEncodeMap = nullptr;
}  // namespace

TEncodeMap::TEncodeMap(TParseMap& Map) noexcept : FMap(Map), FPrevious(tOpenEncodeMap) { tOpenEncodeMap = this; }

TEncodeMap::~TEncodeMap() { tOpenEncodeMap = FPrevious; }

TEncodeMap* TEncodeMap::Open() noexcept { return tOpenEncodeMap; }

void TEncodeMap::Encode(const TCOSEMPduBase& Element, std::string& PduStr) {
    const size_t start = PduStr.size();
    FMarks.push_back(FFilled.size());
    struct TPop {
        std::vector<size_t>& Marks;
        ~TPop() { Marks.pop_back(); }
    } pop{FMarks};
    Element.EncodeToPduStr(PduStr);
    Cover(Element, start, PduStr.size());
}

void TEncodeMap::Cover(const TCOSEMPduBase& Element, size_t Start, size_t End) noexcept {
    if (Element.MapSlot >= FMap.Slots.size()) return;
    TParseMap::TSlot& slot = FMap.Slots[Element.MapSlot];
    slot.Range = {Narrow(Start), Narrow(End - Start), Level};
    if (slot.Filled < FFilled.size() && FFilled[slot.Filled] == Element.MapSlot &&
        (FMarks.empty() || slot.Filled >= FMarks.back()))
        return;  // noted already inside the element being encoded
    slot.Filled = static_cast<uint32_t>(FFilled.size());
    FFilled.push_back(Element.MapSlot);
}

void TEncodeMap::Inserted(size_t At, size_t Count) noexcept {
    const size_t from = FMarks.empty() ? 0 : FMarks.back();
    for (size_t i = FFilled.size(); i-- > from;) {
        TParseMap::TSlot& slot = FMap.Slots[FFilled[i]];
        if (slot.Filled != i || slot.Range.Offset == kMapNone || slot.Range.Offset < At) continue;
        slot.Range.Offset += static_cast<uint32_t>(Count);
    }
}

}  // namespace vantrel
