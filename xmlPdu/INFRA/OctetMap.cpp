#include "OctetMap.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "COSEMPduBase.h"

namespace vantrel {

namespace {

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

size_t CountLineFeeds(const char* Begin, const char* End) noexcept {
    size_t n = 0;
#if defined(__SSE2__)
    // Sixteen bytes a step, each lane counting its line feeds up to 255 steps.
    const __m128i feed = _mm_set1_epi8('\n');
    while (End - Begin >= 16) {
        __m128i counts = _mm_setzero_si128();
        for (int steps = 0; End - Begin >= 16 && steps < 255; Begin += 16, ++steps)
            counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Begin)), feed));
        const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
        n += static_cast<size_t>(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4));
    }
#endif
    for (; Begin < End; ++Begin) n += *Begin == '\n';
    return n;
}

// ------------------------------------------------------------ reading octets

void TReadMap::Cover(const TCOSEMPduBase& Element, int Index) noexcept {
    if (Element.MapSlot >= Ranges.size()) return;
    TOctetRange& r = Ranges[Element.MapSlot];
    const auto from = static_cast<uint32_t>(Index - 1);
    if (from > r.Offset) return;
    r.Length += r.Offset - from;
    r.Offset = from;
}

// ------------------------------------------------------------ writing XML

const TOctetRange* TWriteMap::RangeOf(const TCOSEMPduBase& Element) const noexcept {
    return Element.MapSlot < FRangeCount ? FRanges + Element.MapSlot : nullptr;
}

void TWriteMap::StartTag(std::string_view Tag, bool Opens) {
    TOctetRange range;
    if (FInner != kMapNone) [[unlikely]] {
        range = InnerRange(FCurrent, FCurrent ? RangeOf(*FCurrent) : nullptr, FInner);
        FInner = kMapNone;
    } else if (const TCOSEMPduBase* owner = FPending ? FPending : FCurrent) {
        if (const TOctetRange* r = RangeOf(*owner)) range = *r;
    }
    FPending = nullptr;  // an element's first start tag is its own; later ones are fields of it

    const uint32_t line = ++FLineFeeds;  // the tag ends its line
    TOpen self{static_cast<uint32_t>(FEntries.size()), range.Level, 0, kMapNone};
    uint32_t parent = kMapNone;
    if (!FOpen.empty()) {
        const TOpen& top = FOpen.back();
        parent = top.Entry;
        self.Depth = top.Depth + 1;
        // One level deeper than its parent: the plaintext its parent holds.
        self.Plaintext = range.Level > top.Level ? parent : top.Plaintext;
    }
    FEntries.push_back({Tag.data(), line, line, range.Offset, range.Length, parent, self.Depth, self.Plaintext, 0});
    if (Opens) FOpen.push_back(self);
}

// ------------------------------------------------------------ reading XML

namespace {
bool IsTag(TXMLToken Token) noexcept { return Token == xtStartTag || Token == xtStopTag; }
}  // namespace

const TParseMap::TTag& TParseMap::Previous(const TXMLParser& Parser) const noexcept {
    // After the last tag: an end of the text, or what is no tag.
    return IsTag(Parser.Token()) ? FReadBefore : FLastRead;
}

uint32_t TParseMap::NewEntry(const TXMLParser& Parser, uint32_t Slot, uint32_t Key) {
    const auto line = static_cast<uint32_t>(Current().LineFeeds + 1);
    TMapEntry e{"", line, line, kMapNone, 0, kMapNone, 0, kMapNone, 0};
    TXMLId id;
    // An unknown name fails in the element's reading, with its own message.
    if (Parser.FindTag(id)) e.Element = ElementName(id).data();
    if (!FOpenEntries.empty()) {
        e.Parent = FOpenEntries.back();
        e.Depth = FEntries[e.Parent].Depth + 1;
    }
    FEntries.push_back(e);
    FSources.push_back({Slot, Key});
    FLastTag = Current().Start;
    return static_cast<uint32_t>(FEntries.size() - 1);
}

uint32_t TParseMap::Open(const TXMLParser& Parser) {
    const auto slot = static_cast<uint32_t>(Slots.size());
    Slots.emplace_back();
    uint32_t entry = kMapNone;
    // A start tag already entered belongs to an element around this one.
    if (Parser.Token() == xtStartTag && Current().Start != FLastTag) {
        entry = NewEntry(Parser, slot, kMapNone);
        if (!Parser.FullElement()) FOpenEntries.push_back(entry);
        else entry = kMapNone;  // nothing to close
    }
    FOpenSlots.push_back({slot, entry});
    return slot;
}

void TParseMap::Close(uint32_t Slot, TCOSEMPduBase& Element, const TXMLParser& Parser) {
    Slots[Slot].Element = &Element;
    Slots[Slot].End = static_cast<uint32_t>(Slots.size());
    Element.MapSlot = Slot;
    if (FOpenSlots.empty() || FOpenSlots.back().Slot != Slot) return;
    if (const uint32_t entry = FOpenSlots.back().Entry; entry != kMapNone) {
        if (const TTag& last = Previous(Parser); last.Start >= 0)
            FEntries[entry].LastLine = static_cast<uint32_t>(last.LineFeeds + 1);
        if (!FOpenEntries.empty() && FOpenEntries.back() == entry) FOpenEntries.pop_back();
    }
    FOpenSlots.pop_back();
}

void TParseMap::Inner(const TXMLParser& Parser, uint32_t Key) {
    if (Parser.Token() != xtStartTag || FOpenSlots.empty()) return;
    if (Current().Start == FLastTag) {
        // The element has no start tag of its own: the entry made for it is the field's.
        FSources.back().Key = Key;
        return;
    }
    NewEntry(Parser, FOpenSlots.back().Slot, Key);
}

std::vector<TMapEntry> TParseMap::Resolve() {
    std::vector<TMapEntry> entries = std::move(FEntries);
    FEntries.clear();
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

constinit thread_local TEncodeMap* TEncodeMap::tOpen = nullptr;

TEncodeMap::TEncodeMap(TParseMap& Map) noexcept : FMap(Map), FPrevious(tOpen) { tOpen = this; }

TEncodeMap::~TEncodeMap() { tOpen = FPrevious; }

void TEncodeMap::Inserted(const TCOSEMPduBase& Owner, size_t At, size_t Count) noexcept {
    // The elements read inside Owner; those of its plaintexts count elsewhere.
    if (Owner.MapSlot >= FMap.Slots.size()) return;
    const uint32_t end = std::min<uint32_t>(FMap.Slots[Owner.MapSlot].End, static_cast<uint32_t>(FMap.Slots.size()));
    for (uint32_t i = Owner.MapSlot + 1; i < end; ++i) {
        TOctetRange& r = FMap.Slots[i].Range;
        if (r.Level == Level && r.Offset != kMapNone && r.Offset >= At) r.Offset += static_cast<uint32_t>(Count);
    }
}

}  // namespace vantrel
