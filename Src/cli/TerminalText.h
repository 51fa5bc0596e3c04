// Text from the input on its way to a terminal: labels of log lines, messages
// that quote the input, file names. Control characters become visible
// escapes, so that no input can move the cursor, retitle the window, clear
// the screen or reorder what is shown.
#pragma once

#include <string>
#include <string_view>

namespace vantrel::cli {

// Appends Text to Out with every C0 control but the tab, DEL and every
// octet that is no part of UTF-8 written as \xNN, and the C1 controls, the
// bidirectional formatting characters and the line and paragraph
// separators as \uNNNN. Other text, UTF-8 included, stays as it is.
void AppendTerminalSafe(std::string& Out, std::string_view Text);

inline std::string TerminalSafe(std::string_view Text) {
    std::string out;
    AppendTerminalSafe(out, Text);
    return out;
}

}  // namespace vantrel::cli
