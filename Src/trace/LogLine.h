// Log lines: the octets of a line among the text a logging tool puts around
// them (timestamps, direction words and arrows, brackets, counters).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "../translate/UnitMap.h"

namespace vantrel::trace {

// A run of hex octets in a line: [Begin, End) of the line's text.
struct TOctetRun {
    size_t Begin = 0;
    size_t End = 0;
    size_t Octets = 0;
    bool Letter = false;  // a digit A-F (or a 0x prefix) in it
};

// Finds the line's octets: the longest run of hex words of an even digit
// count ("7E", "A019", "0x7E"), one word from the next apart by up to four
// blanks, dashes, colons or commas; 0x-prefixed words join only each other.
// A run with a digit A-F beats a run of
// decimal digits only, whatever their lengths; of equal runs the last wins.
// Dates (2026-01-01, 01.01.2026) and times (12:00:00.123) are never octets:
// a time is a colon chain of two or three decimal pairs that no further
// colon continues. False when the line holds no octets.
bool FindOctetRun(std::string_view Line, TOctetRun& Run) noexcept;

// The octets of a run's text, appended to Out.
void AppendRunOctets(std::string_view RunText, std::string& Out);
// Where they stand, the run's text standing at At.
void AppendRunPlaces(std::string_view RunText, uint64_t At, TOctetPlaces& Places);

// The text around the run, blanks and the brackets next to the run trimmed:
// "2026-01-01 12:00:00.123 TX:" for "2026-01-01 12:00:00.123 TX: [7E ... 7E]".
std::string LineLabel(std::string_view Line, const TOctetRun& Run);

}  // namespace vantrel::trace
