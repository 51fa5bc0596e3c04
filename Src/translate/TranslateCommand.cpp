#include "TranslateCommand.h"

#include <algorithm>

#include "../trace/TraceReader.h"

namespace vantrel {

namespace {

bool IsContinuation(char c) noexcept { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The characters before line Number (from 1) of Text.
int64_t LineStartIndex(std::string_view Text, long long Number) {
    int64_t index = 0;
    long long line = 1;
    for (size_t i = 0; i < Text.size() && line < Number; ++i) {
        if (IsContinuation(Text[i])) continue;
        ++index;
        if (Text[i] == '\n') ++line;
    }
    return index;
}

// Where today's rules failed: the text read as a trace (log lines, hex
// dumps, segmented HDLC frames, WRAPPER PDUs), line by line. Taken only when
// the text holds one of those forms and no XML.
void TranslateTrace(TTranslateOutcome& Outcome, std::string_view SourceText, const TTranslateOptions& Options) {
    std::vector<trace::TTraceUnit> units;
    trace::TTraceReader reader(Options, [&](trace::TTraceUnit& Unit) { units.push_back(std::move(Unit)); });
    long long number = 0;
    long long filled = 0;  // lines with text
    for (size_t at = 0; at <= SourceText.size();) {
        size_t end = SourceText.find('\n', at);
        if (end == std::string_view::npos) end = SourceText.size();
        std::string_view line = SourceText.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        filled += line.find_first_not_of(" \t") != std::string_view::npos;
        reader.Line(++number, line, at);
        at = end + 1;
    }
    reader.Finish();
    bool anyNew = false;
    const trace::TTraceUnit* failed = nullptr;
    int translated = 0;
    for (const auto& unit : units) {
        anyNew |= unit.New;
        if (!unit.Outcome.HexToXml && unit.Outcome.Kind == TTranslateOutcome::Translated) return;
        if (unit.Outcome.Kind == TTranslateOutcome::Translated) ++translated;
        else if (!failed && !unit.Outcome.FrameWithoutApdu) failed = &unit;
    }
    if (!anyNew || (!failed && translated == 0)) return;
    const auto where = [](const trace::TTraceUnit& Unit) {
        return Unit.Lines.empty() ? "line " + std::to_string(Unit.Line) : Unit.Lines;
    };
    TTranslateOutcome outcome;
    outcome.HexToXml = true;
    // A failure of the trace replaces today's failure where something of the
    // trace translated, or where it is a failure of a new form itself.
    if (failed && translated == 0 && failed->Input != trace::TInput::Wrapper && failed->Input != trace::TInput::Dump &&
        (failed->Lines.empty() || filled < 2))
        return;
    if (failed) {
        outcome = failed->Outcome;
        outcome.Text = where(*failed) + ": " + outcome.Text;
        GotoIndex(SourceText, LineStartIndex(SourceText, failed->FirstLine), outcome.Line, outcome.Column);
        Outcome = std::move(outcome);
        return;
    }
    outcome.Kind = TTranslateOutcome::Translated;
    uint32_t lines = 0;  // of the XML so far
    for (auto& unit : units) {
        for (auto& line : unit.Outcome.FrameDescription) outcome.FrameDescription.push_back(std::move(line));
        if (unit.Outcome.Kind != TTranslateOutcome::Translated) continue;
        outcome.Text += unit.Outcome.Text;
        for (auto& note : unit.Outcome.Notes) outcome.Notes.push_back(where(unit) + ": " + note);
        for (TUnitMap& map : unit.Outcome.Maps) {
            map.ShiftLines(lines);
            outcome.Maps.push_back(std::move(map));
        }
        lines += static_cast<uint32_t>(std::count(unit.Outcome.Text.begin(), unit.Outcome.Text.end(), '\n'));
    }
    Outcome = std::move(outcome);
}

}  // namespace

TTranslateOutcome TranslateText(std::string_view SourceText, const TTranslateOptions& Options) {
    TTranslateOutcome outcome = TranslateSingle(SourceText, Options);
    if (outcome.Kind != TTranslateOutcome::Translated && !outcome.Wrapped &&
        (outcome.HexToXml || trace::OpensNoElement(SourceText)))
        TranslateTrace(outcome, SourceText, Options);
    return outcome;
}

}  // namespace vantrel
