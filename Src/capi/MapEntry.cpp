// The octet map behind the C ABI: the entries and units a translation made
// with VANTREL_MAP keeps beside its output stream.
#include <algorithm>

#include "StreamInternal.h"
#include "vantrel/vantrel.h"

namespace vantrel {

void AddMapUnit(TStreamExtras& Extras, std::vector<TMapEntry>&& Entries, VantrelMapUnit Unit,
                const uint32_t* Sources, const uint32_t* SourceEnds) {
    const auto first = static_cast<uint32_t>(Extras.Map.size());
    const auto unit = static_cast<uint32_t>(Extras.Units.size());
    Unit.EntryCount = static_cast<uint32_t>(Entries.size());
    if (Extras.Map.empty()) {
        Extras.Map = std::move(Entries);
        if (unit != 0)
            for (TMapEntry& e : Extras.Map) e.Unit = unit;
    } else {
        const auto index = [first](uint32_t Local) { return Local == kMapNone ? VANTREL_MAP_NONE : first + Local; };
        Extras.Map.reserve(Extras.Map.size() + Entries.size());
        for (TMapEntry e : Entries) {
            e.Parent = index(e.Parent);
            e.Plaintext = index(e.Plaintext);
            e.Unit = unit;
            Extras.Map.push_back(e);
        }
    }
    Unit.FirstEntry = first;
    Extras.Units.push_back(Unit);
    if (Sources && SourceEnds) {
        Extras.SourceStart.push_back(static_cast<uint32_t>(Extras.Sources.size()));
        Extras.Sources.insert(Extras.Sources.end(), Sources, Sources + Unit.Octets);
        Extras.SourceEnds.insert(Extras.SourceEnds.end(), SourceEnds, SourceEnds + Unit.Octets);
    } else {
        Extras.SourceStart.push_back(VANTREL_MAP_NONE);
    }
}

}  // namespace vantrel

namespace {

using vantrel::TStreamExtras;

const TStreamExtras* MapOf(const VantrelStream* Stream) noexcept {
    return Stream && Stream->Extras && !Stream->Extras->Units.empty() ? Stream->Extras : nullptr;
}

// The unit's octet positions, or null.
const uint32_t* SourcesOf(const TStreamExtras& Map, uint32_t Unit, const std::vector<uint32_t>& Of) noexcept {
    if (Unit >= Map.Units.size() || Map.SourceStart[Unit] == VANTREL_MAP_NONE || Map.Units[Unit].Octets == 0)
        return nullptr;
    return Of.data() + Map.SourceStart[Unit];
}

}  // namespace

extern "C" {

uint32_t VantrelStreamMapCount(const VantrelStream* Stream) {
    const TStreamExtras* map = MapOf(Stream);
    return map ? static_cast<uint32_t>(map->Map.size()) : 0;
}

const VantrelMapEntry* VantrelStreamMap(const VantrelStream* Stream) {
    const TStreamExtras* map = MapOf(Stream);
    return map && !map->Map.empty() ? map->Map.data() : nullptr;
}

uint32_t VantrelStreamMapUnitCount(const VantrelStream* Stream) {
    const TStreamExtras* map = MapOf(Stream);
    return map ? static_cast<uint32_t>(map->Units.size()) : 0;
}

const VantrelMapUnit* VantrelStreamMapUnits(const VantrelStream* Stream) {
    const TStreamExtras* map = MapOf(Stream);
    return map ? map->Units.data() : nullptr;
}

const uint32_t* VantrelStreamMapSources(const VantrelStream* Stream, uint32_t Unit) {
    const TStreamExtras* map = MapOf(Stream);
    return map ? SourcesOf(*map, Unit, map->Sources) : nullptr;
}

int32_t VantrelStreamMapRange(const VantrelStream* Stream, uint32_t Entry, uint32_t* Begin, uint32_t* End) {
    const TStreamExtras* map = MapOf(Stream);
    if (!map || Entry >= map->Map.size()) return -1;
    int32_t result = 0;
    // Deciphered content stands where the ciphered element holding it does.
    while (map->Map[Entry].Plaintext != VANTREL_MAP_NONE) {
        Entry = map->Map[Entry].Plaintext;
        result = 1;
    }
    const VantrelMapEntry& e = map->Map[Entry];
    const uint32_t* first = SourcesOf(*map, e.Unit, map->Sources);
    const uint32_t* last = SourcesOf(*map, e.Unit, map->SourceEnds);
    const uint32_t octets = map->Units[e.Unit].Octets;
    if (!first || e.Length == 0 || e.Offset >= octets || e.Length > octets - e.Offset) return -1;
    if (Begin) *Begin = first[e.Offset];
    if (End) *End = last[e.Offset + e.Length - 1];
    return result;
}

uint32_t VantrelStreamMapAtLine(const VantrelStream* Stream, uint32_t Line) {
    const TStreamExtras* map = MapOf(Stream);
    if (!map) return VANTREL_MAP_NONE;
    uint32_t found = VANTREL_MAP_NONE;
    for (uint32_t i = 0; i < map->Map.size(); ++i) {
        const VantrelMapEntry& e = map->Map[i];
        if (e.Line <= Line && Line <= e.LastLine && (found == VANTREL_MAP_NONE || e.Depth > map->Map[found].Depth))
            found = i;
    }
    return found;
}

uint32_t VantrelStreamMapAtSource(const VantrelStream* Stream, uint32_t Position) {
    const TStreamExtras* map = MapOf(Stream);
    if (!map) return VANTREL_MAP_NONE;
    for (uint32_t u = 0; u < map->Units.size(); ++u) {
        const uint32_t* first = SourcesOf(*map, u, map->Sources);
        const uint32_t* last = SourcesOf(*map, u, map->SourceEnds);
        const VantrelMapUnit& unit = map->Units[u];
        if (!first || Position < first[0] || Position >= last[unit.Octets - 1]) continue;
        // The positions grow with the octets: the last octet beginning at or before Position.
        const uint32_t octet = static_cast<uint32_t>(std::upper_bound(first, first + unit.Octets, Position) - first) - 1;
        if (Position >= last[octet]) return VANTREL_MAP_NONE;  // between two octets
        uint32_t found = VANTREL_MAP_NONE;
        for (uint32_t i = unit.FirstEntry; i < unit.FirstEntry + unit.EntryCount; ++i) {
            const VantrelMapEntry& e = map->Map[i];
            if (e.Plaintext != VANTREL_MAP_NONE || e.Offset > octet || octet - e.Offset >= e.Length) continue;
            if (found == VANTREL_MAP_NONE || e.Depth > map->Map[found].Depth) found = i;
        }
        return found;
    }
    return VANTREL_MAP_NONE;
}

}  // extern "C"
