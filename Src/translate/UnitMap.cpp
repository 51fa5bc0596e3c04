#include "UnitMap.h"

#include <algorithm>

namespace vantrel {

void TOctetPlaces::Append(const TOctetPlaces& Source, size_t From, size_t Count, int64_t Shift) {
    if (From > Source.Size()) return;
    Count = std::min(Count, Source.Size() - From);
    for (size_t i = From; i < From + Count; ++i) {
        First.push_back(static_cast<uint32_t>(Source.First[i] + Shift));
        End.push_back(static_cast<uint32_t>(Source.End[i] + Shift));
    }
}

void AppendHexPlaces(std::string_view Text, uint64_t Base, TOctetPlaces& Places) {
    const auto isDigit = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    };
    size_t high = std::string_view::npos;
    for (size_t i = 0; i < Text.size(); ++i) {
        if (!isDigit(Text[i])) continue;
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
