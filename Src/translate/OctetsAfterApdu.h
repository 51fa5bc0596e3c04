// Octets that follow the end of an APDU are not translated, but they are
// never dropped without a word: the XML gets a comment after the APDU and the
// translate command a note, both with the same text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel {

// Of a longer run, only this many octets are shown, then the count of the rest.
inline constexpr size_t kOctetsShownAfterApdu = 32;

// "7 octets after the end of the APDU: 02 01 06 00 00 16 DC"; a longer run
// ends with "... and N more". The text holds no '>' and no "--", so it can
// stand in an XML comment. Empty when Octets is empty.
std::string OctetsAfterApduText(std::string_view Octets);

}  // namespace vantrel
