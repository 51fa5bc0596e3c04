// The translate command, independent of any window: the source text is
// classified (HDLC frame, hex octets or XML), translated through the entry
// points, and the outcome says what the caller shows: the destination text,
// a failure with its caret position, a hex conversion failure, or a beep.
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

struct TTranslateOutcome {
    enum TKind {
        Translated,        // Text is the destination text
        EntryFailure,      // Text is the entry point's message; Line/Column place the caret
        HexFailure,        // Text is the hex conversion message; the caret stays
        Beep               // nothing to show but a beep; Text says why (for the command line)
    };
    TKind Kind = Beep;
    std::string Text;
    // Caret of an entry-point failure as GotoIndex walks the full source text:
    // Line counts from 1, Column is the number of characters walked on that line.
    int Line = 1;
    int Column = 0;
    bool HexToXml = true;  // the direction taken (or that would have been taken)
};

// Translates SourceText, the whole text of the source pane.
TTranslateOutcome TranslateText(std::string_view SourceText);

// The caret after walking the first Index characters of Text: a carriage
// return starts a new line at column 0, every other character adds one column.
void GotoIndex(std::string_view Text, int Index, int& Line, int& Column);

}  // namespace vantrel
