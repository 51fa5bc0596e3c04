// The translate command, independent of any window: what "Translate" does
// with the whole text of a pane. Today's rules for one input first
// (Translate.h); where they fail, the text read as a trace (log lines, hex
// dumps, segmented HDLC frames, WRAPPER PDUs).
#pragma once

#include "Translate.h"

namespace vantrel {

// Translates SourceText, the whole text of the source pane as UTF-8.
TTranslateOutcome TranslateText(std::string_view SourceText, const TTranslateOptions& Options);
// With DescribeFrame, an HDLC frame's description is added to the outcome.
inline TTranslateOutcome TranslateText(std::string_view SourceText, bool DescribeFrame = false) {
    return TranslateText(SourceText, TTranslateOptions{.DescribeFrame = DescribeFrame});
}

}  // namespace vantrel
