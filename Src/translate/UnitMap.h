// The octet map of one APDU the translate command translated (VANTREL_MAP):
// its entries, as the entry points made them, and where its octets stand in
// the hex text they were read from. The readers that find octets in text
// note each octet's place (TOctetPlaces), so that a face needs no hex
// parsing of its own to mark a field where it stands.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "vantrel/vantrel.h"

namespace vantrel {

// Where the octets of a hex text stand in it: for each octet the position of
// its first digit and the position after its second.
struct TOctetPlaces {
    std::vector<uint32_t> First;
    std::vector<uint32_t> End;

    size_t Size() const noexcept { return First.size(); }
    void Add(uint64_t FirstDigit, uint64_t AfterLast) {
        First.push_back(Narrow(FirstDigit));
        End.push_back(Narrow(AfterLast));
    }
    // The places of Count octets from From of Source, moved by Shift.
    void Append(const TOctetPlaces& Source, size_t From, size_t Count, int64_t Shift = 0);
    void Clear() noexcept {
        First.clear();
        End.clear();
    }
    // Of the places, the first Count left out, or all from Count on.
    void EraseFront(size_t Count) {
        First.erase(First.begin(), First.begin() + static_cast<std::ptrdiff_t>(std::min(Count, Size())));
        End.erase(End.begin(), End.begin() + static_cast<std::ptrdiff_t>(std::min(Count, End.size())));
    }
    void Truncate(size_t Count) {
        if (Count >= Size()) return;
        First.resize(Count);
        End.resize(Count);
    }

private:
    static uint32_t Narrow(uint64_t Position) noexcept {
        return Position < VANTREL_MAP_NONE ? static_cast<uint32_t>(Position) : VANTREL_MAP_NONE - 1;
    }
};

// The places of the octets that hex text converts to: every hex digit of it,
// two an octet, anything else between them skipped (blanks, dashes, line
// breaks). For text whose conversion succeeded; Base is where it stands.
void AppendHexPlaces(std::string_view Text, uint64_t Base, TOctetPlaces& Places);

struct TUnitMap {
    // Lines in the translation's XML text; Parent and Plaintext within the unit.
    std::vector<VantrelMapEntry> Entries;
    uint32_t FirstLine = 1;
    uint32_t LastLine = 0;
    uint32_t Octets = 0;
    uint32_t ApduOffset = VANTREL_MAP_NONE;  // where the APDU began in the octets it was unwrapped from
    bool HexToXml = true;
    TOctetPlaces Sources;  // in the hex text, Octets of them; empty when not known

    // XML put before the unit's: its lines move down by Lines.
    void ShiftLines(uint32_t Lines) noexcept;
    // Its octets are Octets' octets from From on, as Places places them.
    void PlaceOctets(const TOctetPlaces& Places, size_t From, int64_t Shift = 0);
};

// The map of the translation a stream holds (PduToXmlEx, XmlToPduEx with
// VANTREL_MAP), as one unit; false when it holds none.
bool TakeUnitMap(const VantrelStream* Stream, TUnitMap& Map);

}  // namespace vantrel
