// How the window shows a translation: where a failure lies (the words for
// the status line and the box, and the characters of the source text to
// mark), what the status line says (a failure, warnings, a stale pane), the
// description of an HDLC frame, and hex output spaced by octets.
#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// What the status line shows of a translation.
struct TStatusLine {
    enum TLevel { slPlain, slWarning, slFailure };
    TLevel Level = slPlain;
    QString Text;     // one line; empty for a clean translation
    QString ToolTip;  // all of it, one sentence or note a line
    bool operator==(const TStatusLine&) const = default;
};

// The status line of Outcome. Place is FailurePlace's; StalePane names the
// pane that still shows the previous translation ("lower pane"), empty when
// none does. A translation with notes is a warning that counts them, a
// failure is a failure, and a stale pane is never plain.
TStatusLine StatusLineOf(const TTranslateOutcome& Outcome, const QString& Place, const QString& StalePane);

// The most lines of frame descriptions shown; a line after them counts the
// rest.
inline constexpr size_t kMaxFrameLines = 2000;

// The frame description as the strip under the panes shows it: the lines,
// at most MaxLines of them, then "... N more lines" when there are more.
QString FrameDescriptionText(const std::vector<std::string>& Lines, size_t MaxLines = kMaxFrameLines);
// One line of it for the strip folded: the lines trimmed and joined by
// blanks, "Frame( Kind:I, Dst:'01', ... )"; cut after MaxChars characters
// with "...".
QString FrameSummary(const std::vector<std::string>& Lines, int MaxChars = 200);

// Line Line (from 1) of Text, without its line end; empty beyond the last.
// Lines end with LF, CR LF or CR.
std::string_view LineOfText(std::string_view Text, int Line);

// The meaning of the element on Line of an annotated translation: the text
// of the annotation comment after its tag ("8 Clock" of
// `<ClassId Value="0008" /> <!-- 8 Clock -->`); empty for a line without.
QString LineMeaning(std::string_view Line);

// Hex digits with a blank between octets: "C001C1" gives "C0 01 C1".
std::string SpacedHex(std::string_view Hex);

}  // namespace vantrel
