// Octets that follow the end of an APDU are not translated, but they are
// never dropped without a word: the XML gets a comment after the APDU and the
// translate command a note, both with the same text. So is text after the
// end of an APDU written as XML.
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

// Of the octets where a reading and its XML part, this many are shown.
inline constexpr size_t kOctetsShownWhereTheyDiffer = 8;

// Octets read in a form the encoder does not write: where the encoding of
// their XML (Written) first differs from them (Read), "the XML gives other
// octets from octet 3 on: the input has 81 03 41 42 43, the XML 03 41 42 43
// (7 octets read, 6 from the XML)". Empty when they are the same. The text
// can stand in an XML comment.
std::string OtherOctetsText(std::string_view Read, std::string_view Written);

// Of a longer text, only this many characters (UTF-8 sequences) are shown.
inline constexpr size_t kCharactersShownAfterApdu = 32;

// "9 characters after the end of the APDU: \" junk <<<\"", Apdu naming the
// APDU ("the APDU", "APDU 2"). Control characters, bytes that are no UTF-8,
// backslashes, quotes, '>' and a '-' after a '-' are written as escapes
// ("\n", "\x3E"), so the text can stand in an XML comment; a longer text
// ends with "... and N more". Empty when Text is empty.
std::string TextAfterApduText(std::string_view Text, std::string_view Apdu = "the APDU");

}  // namespace vantrel
