// Hex dumps as dump tools and packet analysers print them: an offset, the
// octets in hex (one, two or four to a group), then an ASCII column.
//   0000   00 01 00 10 00 01 00 0d c0 01 c1 00 08 00 00 01   ................
//   00000000: 0001 0010 0001 000d c001 c100 0800 0001  ................
//   00000000  00 01 00 10 00 01 00 0d  c0 01 c1 00 08 00 00 01  |................|
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "../translate/UnitMap.h"

namespace vantrel::trace {

// One dump line: its offset, and its octets appended to Out. A line of only
// an offset (the total length some tools print last) has no octets. False
// (Out unchanged) when Line is no dump line. DecimalOffset, when given, is the
// offset's digits read as a decimal number (UINT64_MAX when one is no decimal
// digit): some tools count in decimal. Places, when not null, receives where
// the octets stand, the line standing at At.
bool ParseDumpLine(std::string_view Line, uint64_t& Offset, std::string& Out, uint64_t* DecimalOffset = nullptr,
                   TOctetPlaces* Places = nullptr, uint64_t At = 0);

// The octets of consecutive dump lines. A dump opens with a line at offset 0;
// every further line must stand at the offset where the octets so far end,
// counted in hex or, from the first line that says so, in decimal. "*"
// (repeated lines left out) is understood, up to kMaxDumpRepeatedOctets for
// all the dumps of one input together.
class THexDump {
public:
    static bool Opens(std::string_view Line);

    enum TAdd { Added, NotDumpLine, OffsetJump, TooLong, TooManyRepeated };
    // With KeepPlaces, where the octets stand is kept (Places()), the line
    // standing at At. The octets a "*" line leaves out stand at its star.
    TAdd Add(std::string_view Line, uint64_t At = 0);
    bool KeepPlaces = false;
    const TOctetPlaces& Places() const noexcept { return FPlaces; }

    bool Active() const noexcept { return FActive; }
    const std::string& Octets() const noexcept { return FOctets; }
    // After OffsetJump: the offset the line had, and the one that was due.
    uint64_t LineOffset() const noexcept { return FLineOffset; }
    uint64_t DueOffset() const noexcept { return FOctets.size(); }
    std::string OffsetJumpMessage() const;
    // The block ends (the octets repeated so far still count).
    void Clear();

private:
    bool FActive = false;
    bool FRepeat = false;
    bool FDecimal = false;
    uint64_t FRepeated = 0;  // by all blocks
    size_t FLastLineSize = 0;
    uint64_t FLineOffset = 0;
    uint64_t FStarAt = 0;  // where the "*" stands
    std::string FOctets;
    std::string FLine;
    TOctetPlaces FPlaces;
    TOctetPlaces FLinePlaces;
};

// The most octets a dump may hold, and the most its "*" lines may repeat in
// one input (a few lines of text must not stand for gigabytes).
inline constexpr size_t kMaxDumpOctets = 16u << 20;
inline constexpr size_t kMaxDumpRepeatedOctets = 1u << 20;

}  // namespace vantrel::trace
