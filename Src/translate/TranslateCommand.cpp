#include "TranslateCommand.h"

#include <algorithm>

#include "../join/BlockJoin.h"
#include "../trace/TraceReader.h"
#include "../../xmlPdu/INFRA/ScriptStream.h"
#include "../../xmlPdu/security/SecurityLayer.h"

namespace vantrel {

namespace {

// An XML comment line (CR LF included).
std::string CommentLine(std::string_view Text) {
    TScriptStream xml;
    xml.XMLComment(CommentText(Text));
    xml.EmitLn("");
    return xml.AsString();
}

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

// A joined unit in the place of a trace unit.
trace::TTraceUnit TraceUnit(join::TJoinedUnit& Joined) {
    trace::TTraceUnit unit;
    unit.Line = Joined.Number;
    unit.FirstLine = Joined.From.empty() ? Joined.Number : Joined.From.front();
    unit.New = true;
    unit.Outcome = std::move(Joined.Outcome);
    if (Joined.Joined) {
        unit.Lines = std::move(Joined.FromText);
        unit.Outcome.Text.insert(0, Joined.Comment);
        for (TUnitMap& map : unit.Outcome.Maps)
            map.ShiftLines(static_cast<uint32_t>(std::count(Joined.Comment.begin(), Joined.Comment.end(), '\n')));
        return unit;
    }
    unit.Outcome.Kind = TTranslateOutcome::Translated;
    unit.Outcome.Text = CommentLine(unit.Outcome.Notes.front());
    unit.Outcome.Maps.clear();
    return unit;
}

// Where today's rules failed: the text read as a trace (log lines, hex
// dumps, segmented HDLC frames, WRAPPER PDUs, M-Bus frames, frames wrapped
// over lines), line by line. Taken only when the text holds one of those
// forms and no XML. The units stream into the outcome: what is kept is the
// translation itself and the first failure, however many lines there are.
// The blocks of longer transfers are joined: one more unit after the last
// block; a transfer that is not joined is a note, and a comment in its place.
void TranslateTrace(TTranslateOutcome& Outcome, std::string_view SourceText, const TTranslateOptions& Options) {
    bool anyNew = false;
    bool xml = false;  // a line of XML: the text is no trace
    bool failed = false;
    trace::TTraceUnit failure;
    int translated = 0;
    TTranslateOutcome outcome;
    outcome.HexToXml = true;
    outcome.Kind = TTranslateOutcome::Translated;
    uint32_t lines = 0;  // of the XML so far
    const auto where = [](const trace::TTraceUnit& Unit) {
        return Unit.Lines.empty() ? "line " + std::to_string(Unit.Line) : Unit.Lines;
    };
    const auto consume = [&](trace::TTraceUnit& Unit) {
        anyNew |= Unit.New;
        TTranslateOutcome& o = Unit.Outcome;
        if (xml || (!o.HexToXml && o.Kind == TTranslateOutcome::Translated)) {
            xml = true;
            return;
        }
        const bool first = !failed && o.Kind != TTranslateOutcome::Translated && !o.FrameWithoutApdu;
        for (auto& line : o.FrameDescription) {
            if (first) outcome.FrameDescription.push_back(line);
            else outcome.FrameDescription.push_back(std::move(line));
        }
        if (o.Kind == TTranslateOutcome::Translated) {
            ++translated;
            for (TUnitMap& map : o.Maps) {
                map.ShiftLines(lines);
                outcome.Maps.push_back(std::move(map));
            }
            lines += static_cast<uint32_t>(std::count(o.Text.begin(), o.Text.end(), '\n'));
            outcome.Text += o.Text;
            for (auto& note : o.Notes) outcome.Notes.push_back(where(Unit) + ": " + note);
        } else if (first) {
            failed = true;
            failure = std::move(Unit);
        }
    };
    join::TBlockJoin blocks(Options, "line", [&](join::TJoinedUnit& Joined) {
        trace::TTraceUnit unit = TraceUnit(Joined);
        consume(unit);
    });
    trace::TTraceReader reader(blocks.ReaderOptions(Options), [&](trace::TTraceUnit& Unit) {
        // The unit first, then what its block completes. What the joiner reads
        // of the outcome (its kind, direction, mark and link) stays when the
        // unit's texts are moved on.
        consume(Unit);
        blocks.Take(Unit.Outcome, Unit.Line);
    });
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
    blocks.Finish();
    if (xml || !anyNew || (!failed && translated == 0)) return;
    // A failure of the trace replaces today's failure where something of the
    // trace translated, or where it is a failure of a new form itself (a log
    // line's octets among their text among them).
    if (failed && translated == 0 && failure.Input != trace::TInput::Wrapper && failure.Input != trace::TInput::Dump &&
        failure.Input != trace::TInput::MBus && failure.Label.empty() && (failure.Lines.empty() || filled < 2))
        return;
    if (failed) {
        TTranslateOutcome result = std::move(failure.Outcome);
        result.Text = where(failure) + ": " + result.Text;
        int64_t index = LineStartIndex(SourceText, failure.FirstLine);
        // A log line's octets: the caret at the failing octet, as for the octets alone.
        if (result.Kind == TTranslateOutcome::EntryFailure && failure.OctetsColumn > 0)
            index += failure.OctetsColumn + 2 * static_cast<int64_t>(result.Position);
        GotoIndex(SourceText, index, result.Line, result.Column);
        Outcome = std::move(result);
        return;
    }
    Outcome = std::move(outcome);
}

// Hex octets in a notation of logs and tools, wrapped over any number of
// lines: separated by colons or commas (tabs, blanks and dashes besides), or
// written 0x7E. False when the text holds anything else or no such notation
// (today's rules read plain pasted hex, and refuse tabs alone). Places, when
// not null, receives where each octet's digits stand.
bool SeparatedOctets(std::string_view Text, std::string& Octets, TOctetPlaces* Places) {
    bool notation = false;
    const auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); };
    const auto value = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    for (size_t i = 0; i < Text.size();) {
        const char c = Text[i];
        if (c == ' ' || c == '\r' || c == '\n' || c == '-' || c == ':' || c == ',' || c == '\t') {
            notation |= c == ':' || c == ',';
            ++i;
            continue;
        }
        size_t begin = i;
        if (c == '0' && i + 1 < Text.size() && (Text[i + 1] == 'x' || Text[i + 1] == 'X')) {
            begin = i += 2;
            notation = true;
        }
        while (i < Text.size() && hex(Text[i])) ++i;
        if (i == begin || (i - begin) % 2 != 0) return false;
        if (i < Text.size() && std::string_view(" \r\n-:,\t").find(Text[i]) == std::string_view::npos) return false;
        for (size_t k = begin; k < i; k += 2) {
            Octets += static_cast<char>(value(Text[k]) << 4 | value(Text[k + 1]));
            if (Places) Places->Add(k, k + 2);
        }
    }
    return notation && !Octets.empty();
}

}  // namespace

TTranslateOutcome TranslateText(std::string_view SourceText, const TTranslateOptions& Options) {
    TTranslateOutcome outcome = TranslateSingle(SourceText, Options);
    if (outcome.Kind == TTranslateOutcome::Translated || outcome.Wrapped ||
        !(outcome.HexToXml || trace::OpensNoElement(SourceText)))
        return outcome;
    // Octets wrapped over lines in a notation of logs ("7e:a0:19:...") are one piece.
    TOctetPlaces places;
    if (std::string octets; outcome.Kind == TTranslateOutcome::HexFailure &&
                            SeparatedOctets(SourceText, octets, Options.Map && Options.MapSources ? &places : nullptr)) {
        TTranslateOutcome joined = TranslateOctets(octets, Options);
        if (joined.Kind == TTranslateOutcome::Translated) {
            // An APDU after another one counts from where that one began.
            for (TUnitMap& map : joined.Maps)
                map.PlaceOctets(places, map.ApduOffset == VANTREL_MAP_NONE ? 0 : map.ApduOffset);
            return joined;
        }
    }
    TranslateTrace(outcome, SourceText, Options);
    return outcome;
}

}  // namespace vantrel
