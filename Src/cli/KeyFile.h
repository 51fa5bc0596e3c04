// The keys of the command-line translator: a keys file of "Name = HEX" lines
// and "--key Name=HEX" arguments. Messages name the file, the line and the
// key, never its value.
#pragma once

#include <string>
#include <string_view>

#include "../../xmlPdu/security/Keys.h"
#include "../translate/Translate.h"

namespace vantrel {

// Reads the keys file Path into Keys. Blank lines and lines whose first
// non-blank character is "#" are skipped; "#" after a value starts a comment.
bool ReadKeyFile(const std::string& Path, VantrelKeys& Keys, std::string& Message);

// Sets one key from the text of one line or argument: "Name = HEX" or "Name=HEX".
bool SetKeyLine(std::string_view Line, VantrelKeys& Keys, std::string& Message);

// The system titles an AARQ or AARE showed, kept for the translations after it.
inline void LearnSystemTitles(const TTranslateOutcome& Outcome, VantrelKeys& Keys) {
    if (!Outcome.ClientSystemTitle.empty()) Keys.Put(VantrelKeys::ClientSystemTitle, Outcome.ClientSystemTitle);
    if (!Outcome.ServerSystemTitle.empty()) Keys.Put(VantrelKeys::ServerSystemTitle, Outcome.ServerSystemTitle);
}

}  // namespace vantrel
