// The keys of the command-line translator: keys files of "Name = HEX" lines
// and "--key Name=HEX" arguments. Messages name the file, the line and the
// key, never its value.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "../../xmlPdu/security/Keys.h"
#include "../translate/Translate.h"

namespace vantrel {

// A keys file holds a few lines; a larger file is refused unread.
inline constexpr size_t kMaxKeyFileSize = size_t{1} << 20;

// Fills a key set from keys files and single keys, in the order given. A
// name given again takes the later value, with a warning that names both
// places. Blank lines and lines whose first non-blank character is "#" are
// skipped; "#" after a value starts a comment; a UTF-8 byte order mark at
// the start of a file is skipped.
class TKeyLoader {
public:
    explicit TKeyLoader(VantrelKeys& Keys) : FKeys(Keys) {}

    // Reads the keys file Path (at most kMaxKeyFileSize octets).
    bool File(const std::string& Path, std::string& Message);
    // The text of a keys file; Name stands for it in messages.
    bool Text(std::string_view Text, std::string_view Name, std::string& Message);
    // One key, "Name = HEX" or "Name=HEX"; Place stands for it in warnings.
    bool Line(std::string_view Line, std::string_view Place, std::string& Message);

    // Warnings so far ("PLACE: warning: ..."), for standard error.
    const std::vector<std::string>& Warnings() const noexcept { return FWarnings; }

private:
    VantrelKeys& FKeys;
    std::string FWhere[VantrelKeys::kSlotCount];  // where each slot was set
    std::vector<std::string> FWarnings;
};

// A file name fit to be shown in a message about the file: none when it
// holds "=", for it may be a key given where a file name belongs.
bool ShowableFileName(std::string_view Path) noexcept;

// The system titles an AARQ or AARE showed, kept for the translations after it.
inline void LearnSystemTitles(const TTranslateOutcome& Outcome, VantrelKeys& Keys) {
    if (!Outcome.ClientSystemTitle.empty()) Keys.Put(VantrelKeys::ClientSystemTitle, Outcome.ClientSystemTitle);
    if (!Outcome.ServerSystemTitle.empty()) Keys.Put(VantrelKeys::ServerSystemTitle, Outcome.ServerSystemTitle);
}

}  // namespace vantrel
