#include "UnitMap.h"

#include <algorithm>
#include <array>

namespace vantrel {

void TOctetPlaces::Append(const TOctetPlaces& Source, size_t From, size_t Count, int64_t Shift) {
    if (From > Source.Size()) return;
    Count = std::min(Count, Source.Size() - From);
    const size_t at = Size();
    First.resize(at + Count);
    End.resize(at + Count);
    const auto shift = static_cast<uint32_t>(Shift);  // modulo 2^32, as the positions are
    for (size_t i = 0; i < Count; ++i) {
        First[at + i] = Source.First[From + i] + shift;
        End[at + i] = Source.End[From + i] + shift;
    }
}

namespace {
constexpr std::array<bool, 256> BuildHexDigits() {
    std::array<bool, 256> t{};
    for (int c = '0'; c <= '9'; ++c) t[c] = true;
    for (int c = 'A'; c <= 'F'; ++c) t[c] = true;
    for (int c = 'a'; c <= 'f'; ++c) t[c] = true;
    return t;
}
constexpr std::array<bool, 256> kHexDigits = BuildHexDigits();
}  // namespace

void AppendHexPlaces(std::string_view Text, uint64_t Base, TOctetPlaces& Places) {
    // At most one octet every two characters: room made once, growing
    // geometrically over many calls (a line each).
    const size_t needed = Places.Size() + Text.size() / 2;
    if (needed > Places.First.capacity()) {
        const size_t room = std::max(needed, 2 * Places.First.capacity());
        Places.First.reserve(room);
        Places.End.reserve(room);
    }
    size_t high = std::string_view::npos;
    for (size_t i = 0; i < Text.size(); ++i) {
        if (!kHexDigits[static_cast<unsigned char>(Text[i])]) continue;
        if (high == std::string_view::npos) {
            high = i;
        } else {
            Places.Add(Base + high, Base + i + 1);
            high = std::string_view::npos;
        }
    }
}

void TUnitMap::ShiftLines(uint32_t Lines) noexcept {
    FirstLine += Lines;
    LastLine += Lines;
    for (VantrelMapEntry& e : Entries) {
        e.Line += Lines;
        e.LastLine += Lines;
    }
}

void TUnitMap::PlaceOctets(const TOctetPlaces& Places, size_t From, int64_t Shift) {
    Sources.Clear();
    if (From + Octets > Places.Size()) return;  // not all placed: none
    Sources.Append(Places, From, Octets, Shift);
}

bool TakeUnitMap(const VantrelStream* Stream, TUnitMap& Map) {
    if (VantrelStreamMapUnitCount(Stream) != 1) return false;
    const VantrelMapUnit& unit = VantrelStreamMapUnits(Stream)[0];
    const VantrelMapEntry* entries = VantrelStreamMap(Stream);
    Map.Entries.assign(entries, entries + VantrelStreamMapCount(Stream));
    Map.FirstLine = unit.FirstLine;
    Map.LastLine = unit.LastLine;
    Map.Octets = unit.Octets;
    Map.ApduOffset = VANTREL_MAP_NONE;
    Map.HexToXml = unit.HexToXml != 0;
    return true;
}

}  // namespace vantrel
