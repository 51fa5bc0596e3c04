// How the window shows a translation: where a failure lies (the words for
// the status line and the box, and the characters of the source text to
// mark), and hex output spaced by octets.
#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <utility>

#include "Src/translate/TranslateCommand.h"

namespace vantrel {

// Where a failed translation of SourceText stopped: "at octet 12, reading
// InstanceId" (octets counted from 1, as the library counts them), "at line
// 3, column 7, reading ClassId" for XML; empty when there is nothing to say.
QString FailurePlace(std::string_view SourceText, const TTranslateOutcome& Outcome);

// The byte range of SourceText to mark for a failed translation: the two
// digits of the octet where decoding stopped (the last octet when it stopped
// after the end), or for XML the rest of the tag where reading stopped.
// {-1, -1} for none (an HDLC frame, or no octets at all).
std::pair<long, long> FailureRange(std::string_view SourceText, const TTranslateOutcome& Outcome);

// Hex digits with a blank between octets: "C001C1" gives "C0 01 C1".
std::string SpacedHex(std::string_view Hex);

}  // namespace vantrel
