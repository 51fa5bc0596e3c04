#include "FieldLinks.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "Src/translate/Translate.h"

namespace vantrel {

namespace {

// The links of the octet maps of a translation: each unit's entries with the
// places of its octets in the hex text. Questions walk the map where it
// stands; beside it each unit keeps only the entries that stand in its
// octets, in their order, so that a large paste costs a copy of its map and
// a lookup a binary search.
class TMapLinks final : public TFieldLinks {
public:
    TMapLinks(std::vector<TUnitMap> Maps, bool SpacedHex) : FMaps(std::move(Maps)), FInOctets(FMaps.size()) {
        for (size_t u = 0; u < FMaps.size(); ++u) {
            const std::vector<VantrelMapEntry>& entries = FMaps[u].Entries;
            std::vector<uint32_t>& order = FInOctets[u];
            for (uint32_t i = 0; i < entries.size(); ++i) {
                const VantrelMapEntry& e = entries[i];
                if (e.Plaintext != VANTREL_MAP_NONE || e.Length == 0) continue;
                // Out of the octets' order (no APDU known today): the unit
                // is searched whole.
                if (!order.empty() && entries[order.back()].Offset > e.Offset) {
                    order.clear();
                    break;
                }
                order.push_back(i);
            }
        }
        // "Spaced hex output" writes a blank after every second character of
        // the hex the library wrote: character c of it stands at c + c / 2.
        if (SpacedHex)
            for (TUnitMap& map : FMaps) {
                for (uint32_t& first : map.Sources.First) first += first / 2;
                for (uint32_t& end : map.Sources.End) end = end == 0 ? 0 : end + (end - 1) / 2;
            }
    }

    std::optional<TFieldLink> AtLine(int Line) const override {
        if (Line < 1) return std::nullopt;
        const auto line = static_cast<uint32_t>(Line);
        // The units stand in the order of their lines.
        const auto unit = std::upper_bound(FMaps.begin(), FMaps.end(), line,
                                           [](uint32_t l, const TUnitMap& m) { return l < m.FirstLine; });
        if (unit == FMaps.begin()) return std::nullopt;
        const TUnitMap& map = *(unit - 1);
        const std::vector<VantrelMapEntry>& entries = map.Entries;
        // Entries stand in document order: the last one starting at or
        // before Line holds it, or one of the elements around it does.
        auto it = std::upper_bound(entries.begin(), entries.end(), line,
                                   [](uint32_t l, const VantrelMapEntry& e) { return l < e.Line; });
        if (it == entries.begin()) return std::nullopt;
        auto index = static_cast<uint32_t>(it - entries.begin() - 1);
        while (index < entries.size() && entries[index].LastLine < line) index = ParentOf(entries, index);
        if (index >= entries.size()) return std::nullopt;
        return LinkOf(map, index);
    }

    std::optional<TFieldLink> AtHex(long Begin, long End) const override {
        if (Begin < 0 || End < Begin) return std::nullopt;
        const auto begin = static_cast<uint64_t>(Begin), end = static_cast<uint64_t>(End);
        for (const TUnitMap& map : FMaps) {
            const TOctetPlaces& places = map.Sources;
            if (places.Size() == 0 || places.Size() != map.Octets) continue;
            if (begin < places.First.front() || begin >= places.End.back()) continue;
            // The octets the selection touches: from the first ending after
            // Begin to the last starting before End. A caret touches the
            // octet whose digits it is before or between; a caret or a
            // selection of blanks only, the octets on either side.
            const auto& firsts = places.First;
            const auto& ends = places.End;
            size_t first = static_cast<size_t>(std::upper_bound(ends.begin(), ends.end(), begin) - ends.begin());
            size_t last = Begin == End
                              ? static_cast<size_t>(std::upper_bound(firsts.begin(), firsts.end(), begin) - firsts.begin())
                              : static_cast<size_t>(std::lower_bound(firsts.begin(), firsts.end(), end) - firsts.begin());
            if (last == 0 || first >= places.Size()) return std::nullopt;
            --last;
            if (first > last) std::swap(first, last);
            // The innermost entry, not deciphered, holding them all: around
            // the last one starting at or before the first octet.
            const auto holds = [&](const VantrelMapEntry& e) {
                return e.Plaintext == VANTREL_MAP_NONE && e.Length != 0 && e.Offset <= first && last - e.Offset < e.Length;
            };
            const std::vector<uint32_t>& order = FInOctets[static_cast<size_t>(&map - FMaps.data())];
            const auto next = std::upper_bound(order.begin(), order.end(), first, [&](size_t o, uint32_t i) {
                return o < map.Entries[i].Offset;
            });
            if (next != order.begin()) {
                for (uint32_t at = *(next - 1); at < map.Entries.size(); at = ParentOf(map.Entries, at))
                    if (holds(map.Entries[at])) return LinkOf(map, FirstOfSiblings(map.Entries, at, holds));
            }
            uint32_t found = VANTREL_MAP_NONE;
            for (uint32_t i = 0; i < map.Entries.size(); ++i) {
                const VantrelMapEntry& e = map.Entries[i];
                if (e.Plaintext != VANTREL_MAP_NONE || e.Length == 0 || e.Offset > first ||
                    last - e.Offset >= e.Length)
                    continue;
                if (found == VANTREL_MAP_NONE || e.Depth > map.Entries[found].Depth) found = i;
            }
            if (found == VANTREL_MAP_NONE) return std::nullopt;
            return LinkOf(map, found);
        }
        return std::nullopt;
    }

private:
    // The element around entry Index; VANTREL_MAP_NONE for none (a parent
    // stands before its elements).
    static uint32_t ParentOf(const std::vector<VantrelMapEntry>& Entries, uint32_t Index) {
        const uint32_t parent = Entries[Index].Parent;
        return parent < Index ? parent : VANTREL_MAP_NONE;
    }

    // Of siblings holding the same octets (the bits of a conformance
    // block), the first, as the library's own lookup answers: from Index
    // back over the siblings before it that hold them too.
    template <typename THolds>
    static uint32_t FirstOfSiblings(const std::vector<VantrelMapEntry>& Entries, uint32_t Index, THolds Holds) {
        const uint32_t parent = Entries[Index].Parent;
        for (uint32_t i = Index; i > 0 && i - 1 != parent;) {
            --i;
            if (Entries[i].Parent != parent) continue;  // inside the sibling before
            if (!Holds(Entries[i])) break;
            Index = i;
        }
        return Index;
    }

    TFieldLink LinkOf(const TUnitMap& Map, uint32_t Index) const {
        const std::vector<VantrelMapEntry>& entries = Map.Entries;
        const VantrelMapEntry& entry = entries[Index];
        TFieldLink link;
        link.Element = QString::fromLatin1(entry.Element);
        link.FirstLine = static_cast<int>(entry.Line);
        link.LastLine = static_cast<int>(std::max(entry.Line, entry.LastLine));
        // Deciphered content stands in the ciphertext of the element holding
        // it: octet for octet where that is known (CiphertextOf), else the
        // whole of the ciphered element. Each payload deciphered inside
        // another moves the octets out once more.
        uint32_t offset = entry.Offset, length = entry.Length;
        for (uint32_t at = Index, hops = 0; entries[at].Plaintext != VANTREL_MAP_NONE; ++hops) {
            const uint32_t holder = entries[at].Plaintext;
            if (holder >= entries.size() || hops > entries.size()) return link;
            link.Deciphered = true;
            const std::optional<uint32_t> ciphertext = CiphertextOf(entries, holder);
            if (ciphertext && length > 0) {
                offset += *ciphertext;
            } else {
                offset = entries[holder].Offset;
                length = entries[holder].Length;
            }
            at = holder;
        }
        const TOctetPlaces& places = Map.Sources;
        if (places.Size() != Map.Octets || length == 0 || offset >= Map.Octets || length > Map.Octets - offset)
            return link;
        link.HexBegin = places.First[offset];
        link.HexEnd = places.End[offset + length - 1];
        return link;
    }

    // Where the ciphertext of ciphered element Holder begins, in the octets
    // Holder's own offset counts in: after its last field that is no part of
    // the plaintext (the security header), when the plaintext its deciphered
    // elements span fits in the octets after it. The ciphers keep a
    // plaintext octet where its ciphered octet stands.
    static std::optional<uint32_t> CiphertextOf(const std::vector<VantrelMapEntry>& Entries, uint32_t Holder) {
        const VantrelMapEntry& h = Entries[Holder];
        uint64_t header = 0, plaintext = 0;
        bool found = false;
        for (size_t i = Holder + 1; i < Entries.size() && Entries[i].Depth > h.Depth; ++i) {
            const VantrelMapEntry& e = Entries[i];
            if (e.Length == 0) continue;
            if (e.Plaintext == Holder) {
                plaintext = std::max<uint64_t>(plaintext, uint64_t{e.Offset} + e.Length);
            } else if (e.Parent == Holder && e.Plaintext == h.Plaintext) {
                header = std::max<uint64_t>(header, uint64_t{e.Offset} + e.Length);
                found = true;
            }
        }
        if (!found || header < h.Offset || header + plaintext > uint64_t{h.Offset} + h.Length) return std::nullopt;
        return static_cast<uint32_t>(header);
    }

    std::vector<TUnitMap> FMaps;
    // Of each unit, the entries not deciphered and with octets, in the
    // order of their first octets; empty when they are in no such order.
    std::vector<std::vector<uint32_t>> FInOctets;
};

}  // namespace

std::unique_ptr<TFieldLinks> FieldLinksOf(const TTranslateOutcome& Outcome, bool SpacedHex) {
    if (Outcome.Maps.empty()) return nullptr;
    return std::make_unique<TMapLinks>(Outcome.Maps, SpacedHex);
}

}  // namespace vantrel
