#include "TraceReader.h"

#include <cstring>
#include <functional>

#include "BytesLiteral.h"
#include "LogLine.h"
#include "../translate/HexText.h"
#include "../translate/LlcHeader.h"
#include "../translate/Wrapper.h"
#include "../../xmlPdu/INFRA/Errors.h"
#include "../../xmlPdu/INFRA/INFRAMisc.h"

namespace vantrel::trace {

namespace {

using K = TTranslateOutcome::TKind;

constexpr char kFlag = 0x7E;

bool IsBlankText(std::string_view Text) noexcept {
    for (char c : Text)
        if (c != ' ' && c != '\t' && c != '\r') return false;
    return true;
}

std::string_view TrimmedFront(std::string_view Text) noexcept {
    while (!Text.empty() && (Text.front() == ' ' || Text.front() == '\r' || Text.front() == '\n')) Text.remove_prefix(1);
    return Text;
}

// Whether Text holds a quote that may open a bytes literal (two scans of
// memchr: find_first_of would call it once a character).
bool HasQuote(std::string_view Text) noexcept {
    return std::memchr(Text.data(), '\'', Text.size()) != nullptr || std::memchr(Text.data(), '"', Text.size()) != nullptr;
}

bool IsLetter(char c) noexcept { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

long long CharacterCount(std::string_view Text) noexcept {
    long long n = 0;
    for (char c : Text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

// Text whose first two octets, blanks and dashes skipped, are 00 01.
bool OpensLikeWrapper(std::string_view Text) noexcept {
    static constexpr char kDigits[] = "0001";
    int matched = 0;
    for (char c : Text) {
        if (c == ' ' || c == '-' || c == '\r' || c == '\n') continue;
        if (c != kDigits[matched]) return false;
        if (++matched == 4) return true;
    }
    return false;
}

// Text with a character that neither hex text nor a frame may hold, and no
// "<" of XML: today's rules cannot translate it.
bool CertainlyNoHexText(std::string_view Text) noexcept {
    bool other = false;
    for (char c : Text) {
        if (c == '<') return OpensNoElement(Text);
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        other |= !hex && c != ' ' && c != '-' && c != '\r' && c != '\n';
    }
    return other;
}

// The text around a log line's octets as a log writes it: words, a
// timestamp, brackets, a direction. A lone odd character beside hex digits
// ("FF 12 01 0G") is a slip in the octets instead, and today's message about
// the hex digits stays.
bool LooksLikeLogText(std::string_view Label) noexcept {
    const auto punctuation = [](char c) { return c == ':' || c == '[' || c == ']' || c == '(' || c == ')' || c == '|' || c == '#'; };
    const auto arrow = [](char c) { return c == '<' || c == '>' || c == '-' || c == '='; };
    for (size_t i = 0; i < Label.size(); ++i) {
        const char c = Label[i];
        if (punctuation(c)) return true;
        if (i + 1 == Label.size()) break;
        const char next = Label[i + 1];
        if (IsLetter(c) && IsLetter(next)) return true;
        if (arrow(c) && arrow(next) && (c == '<' || c == '>' || next == '<' || next == '>')) return true;
    }
    return false;
}

// Octets in a notation of logs only: colons, commas, tabs, 0x.
bool HasLogNotation(std::string_view RunText) noexcept {
    for (char c : RunText)
        if (c == ':' || c == ',' || c == 'x' || c == 'X' || c == '\t') return true;
    return false;
}

// A run that words of a log's own text make: one decimal pair ("Read 10
// values"), or at most two octets of letters alone ("be", "dead").
bool IsWeakRun(std::string_view Line, const TOctetRun& Run) noexcept {
    if (Run.Octets > 2) return false;
    if (Run.Octets == 1 && !Run.Letter) return true;
    for (size_t i = Run.Begin; i < Run.End; ++i)
        if (Line[i] >= '0' && Line[i] <= '9') return false;
    return true;
}

// The octets of a line that continues a frame: its bytes literal, or its run
// of octets; none for the first line of a dump, XML or a log's own text.
// Their places go to Places when it is not null, the line standing at At.
bool LineOctets(std::string_view Text, std::string& Out, TOctetRun& run, TOctetPlaces* Places, uint64_t At) {
    if (THexDump::Opens(Text)) return false;
    const std::string_view trimmed = TrimmedFront(Text);
    if (!trimmed.empty() && trimmed.front() == '<' && !OpensNoElement(trimmed)) return false;
    if (HasQuote(Text) && FindBytesLiteral(Text, run, Out, Places, At)) return true;
    if (!FindOctetRun(Text, run) || IsWeakRun(Text, run)) return false;
    const std::string_view runText = Text.substr(run.Begin, run.End - run.Begin);
    AppendRunOctets(runText, Out);
    if (Places) AppendRunPlaces(runText, At + run.Begin, *Places);
    return true;
}

// Whether a line holds octets at all.
bool HasOctets(std::string_view Text) {
    std::string octets;
    TOctetRun run;
    if (HasQuote(Text) && FindBytesLiteral(Text, run, octets)) return true;
    return FindOctetRun(Text, run) && !IsWeakRun(Text, run);
}

// Octets that open a frame of their own: the start of a new frame, no
// continuation of the one being gathered.
bool OpensOwnFrame(std::string_view Octets) noexcept { return OpensCheckedFrame(Octets) || OpensMBusFrame(Octets); }

void Failure(TTranslateOutcome& Outcome, std::string Message) {
    Outcome.Kind = K::HexFailure;
    Outcome.HexToXml = true;
    Outcome.Text = std::move(Message);
}

// Not translated, not a failure of the octets' decoding: a frame that does
// not decode, one cut short.
void NotDecodable(TTranslateOutcome& Outcome, std::string Message) {
    Outcome.Kind = K::Beep;
    Outcome.HexToXml = true;
    Outcome.Text = std::move(Message);
}

}  // namespace

bool OpensNoElement(std::string_view Text) noexcept {
    const size_t angle = Text.find('<');
    if (angle == std::string_view::npos || angle + 1 == Text.size()) return true;
    const char c = Text[angle + 1];
    return !((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '?' || c == '!');
}

std::string_view InputName(TInput Input) noexcept {
    switch (Input) {
    case TInput::Hex: return "hex";
    case TInput::Frame: return "frame";
    case TInput::Wrapper: return "wrapper";
    case TInput::Dump: return "dump";
    case TInput::Xml: return "xml";
    case TInput::MBus: return "mbus";
    case TInput::Text: return "text";
    }
    return "hex";
}

TTraceUnit TTraceReader::Unit(const TOrigin& Origin, TInput Input) const {
    TTraceUnit unit;
    unit.Line = Origin.Line;
    unit.FirstLine = Origin.FirstLine;
    unit.Lines = Origin.Lines;
    unit.Label = Origin.Label;
    unit.Input = Origin.Dump ? TInput::Dump : Input;
    unit.New = Origin.Scanned || Origin.Dump;
    unit.OctetsColumn = Origin.Column;
    return unit;
}

size_t TTraceReader::ReadingIndex(std::string_view View) const noexcept {
    const std::less_equal<const char*> le;
    if (FReading.data() == nullptr || View.data() == nullptr || !le(FReading.data(), View.data()) ||
        !le(View.data() + View.size(), FReading.data() + FReading.size()))
        return std::string_view::npos;
    return static_cast<size_t>(View.data() - FReading.data());
}

void TTraceReader::PlaceMap(TTranslateOutcome& Outcome, const TOctetPlaces* Places, size_t ApduAt,
                            size_t Unwrapped) const {
    if (!FOptions.Map || Outcome.Kind != K::Translated) return;
    constexpr size_t npos = std::string_view::npos;
    for (TUnitMap& map : Outcome.Maps) {
        const size_t within = map.ApduOffset == VANTREL_MAP_NONE ? 0 : map.ApduOffset;
        if (Unwrapped != npos) map.ApduOffset = static_cast<uint32_t>(Unwrapped + within);
        if (Places && ApduAt != npos) map.PlaceOctets(*Places, ApduAt + within);
    }
}

void TTraceReader::Line(long long Number, std::string_view Text, uint64_t At) {
    Process(Number, Text, false, At);
    Drain();
}

void TTraceReader::Drain() {
    while (!FReplay.empty()) {
        const TReplay replay = std::move(FReplay.front());
        FReplay.pop_front();
        Process(replay.Number, replay.Text, replay.Alone, replay.At);
    }
}

void TTraceReader::Process(long long Number, std::string_view Text, bool Alone, uint64_t At) {
    FTextAt = At;
    if (FDump.Active()) {
        if (IsBlankText(Text)) return FlushDump();
        const THexDump::TAdd added = FDump.Add(Text, At);
        if (added == THexDump::Added) {
            FDumpLast = Number;
            return;
        }
        // A dump that opens at offset 0 again: the block before it has ended.
        if (added == THexDump::NotDumpLine || (added == THexDump::OffsetJump && FDump.LineOffset() == 0)) {
            FlushDump();
        } else {
            TOrigin origin{Number, FDumpFirst, {}, {}, true, true};
            origin.Lines =
                "lines " + std::to_string(FDumpFirst) + (Number == FDumpFirst + 1 ? ", " : "-") + std::to_string(Number);
            TTraceUnit unit = Unit(origin, TInput::Dump);
            Failure(unit.Outcome, added == THexDump::OffsetJump ? FDump.OffsetJumpMessage()
                                  : added == THexDump::TooLong
                                      ? "Hex dump longer than " + std::to_string(kMaxDumpOctets) + " octets"
                                      : "Hex dump lines left out (\"*\") would repeat more than " +
                                            std::to_string(kMaxDumpRepeatedOctets) + " octets in this input");
            FDump.Clear();
            return Emit(unit);
        }
    }
    if (IsBlankText(Text)) return;
    if (FGather.Active() && Continue(Number, Text)) return;
    if (THexDump::Opens(Text)) {
        FDump.Clear();
        FDump.Add(Text, At);
        FDumpFirst = FDumpLast = Number;
        return;
    }
    FText = Text;
    FAlone = Alone;
    Octets(TOrigin{Number, Number, {}, {}, false, false}, Text);
    FAlone = false;
    FText = {};
}

void TTraceReader::Octets(const TOrigin& Origin, std::string_view Text) {
    const std::string_view trimmed = TrimmedFront(Text);
    if ((trimmed.starts_with("7E") || trimmed.starts_with("7e")) && Frames(Origin, trimmed)) return;
    if (trimmed.starts_with("68") || OpensLikeWrapper(trimmed)) {
        try {
            FOctets = TMisc::PastedHexToByteStr(trimmed);
        } catch (const EConvertError&) {
            FOctets.clear();
        }
        FLinePlaces.Clear();
        if (FPlacing && !FOctets.empty()) AppendHexPlaces(trimmed, TextAt(trimmed), FLinePlaces);
        const TReading reading(*this, FOctets, &FLinePlaces);
        if (MBusFrameLength(FOctets) != std::string_view::npos && MBusOctets(Origin, FOctets)) return;
        if (StartsWithWrapper(FOctets)) return Wrappers(Origin, FOctets);
    }
    if (HasQuote(Text) && BytesLiteral(Origin, Text)) return;
    // A character no hex text holds: today's rules fail, so the log-line
    // reading goes first and today's outcome is only needed when it fails.
    const bool certainFailure = !Origin.Scanned && CertainlyNoHexText(Text);
    if (certainFailure && Scan(Origin, Text, true)) return;
    TTranslateOutcome today = TranslateSingle(Text, FOptions);
    if (FPlacing) ShiftSources(today, static_cast<int64_t>(TextAt(Text)));
    const bool opensNoElement = !today.HexToXml && OpensNoElement(Text);
    if (!Origin.Scanned && !certainFailure &&
        (today.HexToXml ? today.Kind == K::HexFailure || (today.Kind == K::Beep && !today.FrameWithoutApdu)
                        : today.Kind != K::Translated && opensNoElement) &&
        Scan(Origin, Text, true))
        return;
    // A log's own text, without octets: nothing to translate, no failure.
    if (certainFailure && today.Kind != K::Translated && !today.FrameWithoutApdu && (today.HexToXml || opensNoElement) &&
        !HasOctets(Text))
        return NoOctets(Origin.Line, Text);
    TTraceUnit unit = Unit(Origin, !today.HexToXml ? TInput::Xml
                                   : trimmed.starts_with("7E") || trimmed.starts_with("7e") ? TInput::Frame
                                                                                             : TInput::Hex);
    unit.Outcome = std::move(today);
    Emit(unit);
}

// The octets of a log line among its text. KeepFailures: where they do not
// translate, theirs is the failure to report (not today's about characters
// that are no hex digits), unless the text beside them is a slip in the
// octets rather than a log's.
bool TTraceReader::Scan(const TOrigin& Origin, std::string_view Text, bool KeepFailures) {
    TOctetRun run;
    if (!FindOctetRun(Text, run)) return false;
    TOrigin scanned = Origin;
    scanned.Scanned = true;
    scanned.Label = LineLabel(Text, run);
    scanned.Column = CharacterCount(Text.substr(0, run.Begin));
    const std::string_view runText = Text.substr(run.Begin, run.End - run.Begin);
    // Text around the octets, or octets in a notation of logs only.
    if (scanned.Label.empty() && !HasLogNotation(runText)) return false;
    std::string octets;
    AppendRunOctets(runText, octets);
    FLinePlaces.Clear();
    if (FPlacing) AppendRunPlaces(runText, TextAt(runText), FLinePlaces);
    const TReading reading(*this, octets, &FLinePlaces);
    return Scanned(scanned, octets, KeepFailures && !IsWeakRun(Text, run) ? TKeep::IfLogText : TKeep::No);
}

// A Python bytes literal: octets for certain, so their failure is the one
// to report.
bool TTraceReader::BytesLiteral(const TOrigin& Origin, std::string_view Text) {
    TOctetRun run;
    std::string octets;
    FLinePlaces.Clear();
    if (!FindBytesLiteral(Text, run, octets, FPlacing ? &FLinePlaces : nullptr, TextAt(Text))) return false;
    TOrigin scanned = Origin;
    scanned.Scanned = true;
    scanned.Label = LineLabel(Text, run);
    scanned.Column = CharacterCount(Text.substr(0, run.Begin));
    const TReading reading(*this, octets, &FLinePlaces);
    return Scanned(scanned, octets, TKeep::Yes);
}

// The octets a log line holds, read on their own. Their units replace
// today's outcome of the line unless all they give is a failure of the kind
// today's rules report as well (and Keep does not say otherwise): then
// today's stays.
bool TTraceReader::Scanned(const TOrigin& Origin, std::string_view Octets, TKeep Keep) {
    std::vector<TTraceUnit> units;
    const bool gathering = FGather.Active();
    FCollect = &units;
    OctetsOf(Origin, Octets);
    FCollect = nullptr;
    bool useful = Keep == TKeep::Yes || (FGather.Active() && !gathering);
    for (const TTraceUnit& unit : units)
        useful |= unit.Outcome.Kind == K::Translated || unit.Outcome.FrameWithoutApdu || !unit.Lines.empty() ||
                  unit.Input == TInput::Wrapper || unit.Input == TInput::MBus;
    if (!useful && Keep == TKeep::IfLogText) useful = Origin.Label.empty() || LooksLikeLogText(Origin.Label);
    if (!useful) return false;
    for (TTraceUnit& unit : units) Emit(unit);
    return true;
}

bool TTraceReader::Frames(const TOrigin& Origin, std::string_view Text) {
    std::string_view digits = Text;
    while (!digits.empty() && (digits.back() == ' ' || digits.back() == '\r' || digits.back() == '\n')) digits.remove_suffix(1);
    try {
        FOctets = HexStrToByteStr(digits);
    } catch (const EVantrelError&) {
        return false;
    }
    FLinePlaces.Clear();
    if (FPlacing) AppendHexPlaces(digits, TextAt(digits), FLinePlaces);
    const TReading reading(*this, FOctets, &FLinePlaces);
    return FrameOctets(Origin, FOctets, true);
}

bool TTraceReader::FrameOctets(const TOrigin& Origin, std::string_view Octets, bool TodayDecides) {
    size_t tail = 0;
    if (!SplitFrames(Octets, FFrames, tail)) return false;
    // A last frame cut short is gathered over the lines that follow; a line
    // read again on its own, or a dump block, is what it is.
    const bool gather = tail < Octets.size();
    if (gather && (FAlone || Origin.Dump || (tail == 0 && FText.size() > kMaxGatheredText))) return false;
    FFrameList.resize(FFrames.size());
    try {
        for (size_t i = 0; i < FFrames.size(); ++i) FFrameList[i].SetFromPduByteStr(FFrames[i]);
    } catch (const EVantrelError&) {
        return false;
    }
    if (!gather && TodayDecides && FFrameList.size() == 1) {
        // A single frame stays on today's path unless it belongs to a sequence.
        const TFrame& f = FFrameList.front();
        if (f.Kind() != fkI && f.Kind() != fkUI) return false;
        if (!f.Segmented() && !FJoiner.Open(f)) return false;
    }
    const std::string_view rest = Octets.substr(tail);
    for (size_t i = 0; i < FFrameList.size(); ++i) Frame(Origin, FFrameList[i], FFrames[i]);
    if (gather) StartGather(Origin, TFormat::Hdlc, rest, tail == 0);
    return true;
}

bool TTraceReader::MBusOctets(const TOrigin& Origin, std::string_view Octets) {
    size_t tail = 0;
    if (!SplitMBusFrames(Octets, FFrames, tail)) return false;
    const bool gather = tail < Octets.size();
    if (gather && tail == 0 && FText.size() > kMaxGatheredText) return false;
    // The frames are copied: a frame's unit is made from its own octets.
    std::vector<std::string> frames(FFrames.begin(), FFrames.end());
    std::vector<size_t> at;  // where they stand in the octets being read
    if (FPlaces)
        for (std::string_view f : FFrames) at.push_back(ReadingIndex(f));
    const std::string rest(Octets.substr(tail));
    for (size_t i = 0; i < frames.size(); ++i) {
        const std::string& octets = frames[i];
        TMBusFrame frame;
        std::string why;
        if (!ReadMBusFrame(octets, frame, why)) {
            TTraceUnit unit = Unit(Origin, TInput::MBus);
            unit.New = true;
            NotDecodable(unit.Outcome, "Not a decodable M-Bus frame: " + why);
            Emit(unit);
            continue;
        }
        MBusFrame(Origin, frame, at.empty() ? std::string_view::npos : at[i]);
    }
    if (!gather) return true;
    if (!FAlone && !Origin.Dump) {
        StartGather(Origin, TFormat::MBus, Octets.substr(tail), tail == 0);
        return true;
    }
    TTraceUnit unit = Unit(Origin, TInput::MBus);
    unit.New = true;
    const size_t length = MBusStatedLength(rest);
    NotDecodable(unit.Outcome, "M-Bus frame cut short: " + std::to_string(rest.size()) +
                                   (length > 0 ? " of its " + std::to_string(length) + " octets" : " octets"));
    Emit(unit);
    return true;
}

void TTraceReader::OctetsOf(const TOrigin& Origin, std::string_view Octets) {
    if (!Octets.empty() && Octets.front() == kFlag) {
        if (FrameOctets(Origin, Octets, false)) return;
        TTraceUnit unit = Unit(Origin, TInput::Frame);
        TFrame frame;
        try {
            frame.SetFromPduByteStr(Octets);
        } catch (const EVantrelError& e) {
            unit.Outcome.Kind = K::Beep;
            unit.Outcome.Text = "Not a decodable HDLC frame: " + e.Message();
            return Emit(unit);
        }
        return Frame(Origin, frame, Octets);
    }
    if (MBusFrameLength(Octets) != std::string_view::npos && MBusOctets(Origin, Octets)) return;
    if (StartsWithWrapper(Octets)) return Wrappers(Origin, Octets);
    TTraceUnit unit = Unit(Origin, TInput::Hex);
    unit.Outcome = TranslateOctets(Octets, FOptions);
    PlaceMap(unit.Outcome, FPlaces, ReadingIndex(Octets), std::string_view::npos);
    Emit(unit);
}

void TTraceReader::Frame(const TOrigin& Origin, const TFrame& Frame, std::string_view Octets) {
    // The information field ends before the check sequence and the flag.
    const size_t infoSize = Frame.Data().size();
    const size_t info = Octets.size() >= infoSize + 3 ? Octets.size() - 3 - infoSize : std::string_view::npos;
    const size_t frameAt = info == std::string_view::npos ? info : ReadingIndex(Octets);
    const TOctetPlaces* places = frameAt == std::string_view::npos ? nullptr : FPlaces;
    TTraceUnit unit = Unit(Origin, TInput::Frame);
    unit.New = true;
    std::vector<std::string> description;
    if (FOptions.DescribeFrame) Frame.GetAsStrings(description, 0);
    if (Frame.Kind() != fkI && Frame.Kind() != fkUI) {
        unit.Outcome.Kind = K::Beep;
        unit.Outcome.FrameWithoutApdu = true;
        unit.Outcome.Text = "HDLC " + std::string(FrameKindName(Frame.Kind())) + " frame: no APDU to translate";
    } else {
        switch (FJoiner.Take(Frame, Origin.FirstLine, Origin.Line, places, places ? frameAt + info : 0)) {
        case THdlcJoiner::Pending:
            unit.Outcome.Kind = K::Beep;
            unit.Outcome.FrameWithoutApdu = true;
            unit.Outcome.Text = "Segmented HDLC frame: the APDU continues in the next frames";
            break;
        case THdlcJoiner::Complete:
            unit.Outcome = TranslateOctets(FJoiner.Apdu(), FOptions);
            // Joined from several frames: placed, not unwrapped.
            PlaceMap(unit.Outcome, &FJoiner.ApduPlaces(), FJoiner.ApduPlaces().Size() > 0 ? 0 : std::string_view::npos,
                     std::string_view::npos);
            unit.Outcome.Link = FrameLink(Frame);
            unit.FirstLine = FJoiner.Lines().front();
            if (FJoiner.Lines().size() > 1) unit.Lines = FJoiner.Lines().Text();
            if (FOptions.DescribeFrame) description.push_back(LlcHeaderDescription(FJoiner.Opening()));
            break;
        case THdlcJoiner::Broken:
            Failure(unit.Outcome, FJoiner.Message());
            unit.FirstLine = FJoiner.Lines().front();
            unit.Lines = FJoiner.Lines().Text();
            break;
        case THdlcJoiner::NotJoined: {
            const std::string_view data = Frame.Data();
            const size_t llc = LlcHeaderSize(data);
            unit.Outcome = TranslateOctets(data.substr(llc), FOptions);
            if (info != std::string_view::npos)
                PlaceMap(unit.Outcome, places, places ? frameAt + info + llc : info, info + llc);
            if (FOptions.DescribeFrame) description.push_back(LlcHeaderDescription(data));
            unit.Outcome.Link = FrameLink(Frame);
            break;
        }
        }
    }
    unit.Outcome.FrameDescription = std::move(description);
    Emit(unit);
}

void TTraceReader::MBusFrame(const TOrigin& Origin, const TMBusFrame& Frame, size_t FrameAt) {
    // The octets after the CI field begin at the frame's eighth.
    constexpr size_t kDataAt = 7;
    const TOctetPlaces* places = FrameAt == std::string_view::npos ? nullptr : FPlaces;
    TTraceUnit unit = Unit(Origin, TInput::MBus);
    unit.New = true;
    std::vector<std::string> description;
    if (FOptions.DescribeFrame) description.push_back(MBusDescription(Frame));
    const TMBusJoiner::TResult result =
        FMBus.Take(Frame, Origin.FirstLine, Origin.Line, places, places ? FrameAt + kDataAt : 0);
    switch (result) {
    case TMBusJoiner::NotDlms:
        unit.Outcome.Kind = K::Beep;
        unit.Outcome.FrameWithoutApdu = true;
        unit.Outcome.Text = "M-Bus frame with CI " + std::string(1, "0123456789ABCDEF"[Frame.Ci >> 4]) +
                            "0123456789ABCDEF"[Frame.Ci & 15] + ": no DLMS APDU to translate";
        break;
    case TMBusJoiner::Pending:
        unit.Outcome.Kind = K::Beep;
        unit.Outcome.FrameWithoutApdu = true;
        unit.Outcome.Text = "M-Bus frame: the APDU continues in the next frames";
        break;
    case TMBusJoiner::Complete:
        unit.Outcome = TranslateOctets(FMBus.Apdu(), FOptions);
        // After the transport header; unwrapped from the frame when it came in one.
        PlaceMap(unit.Outcome, &FMBus.ApduPlaces(), FMBus.ApduPlaces().Size() > 0 ? 0 : std::string_view::npos,
                 FMBus.Single() ? kDataAt + 2 : std::string_view::npos);
        unit.FirstLine = FMBus.Lines().front();
        if (FMBus.Lines().size() > 1) unit.Lines = FMBus.Lines().Text();
        break;
    case TMBusJoiner::Broken:
        Failure(unit.Outcome, FMBus.Message());
        unit.FirstLine = FMBus.Lines().front();
        unit.Lines = FMBus.Lines().Text();
        break;
    }
    unit.Outcome.FrameDescription = std::move(description);
    const bool again = result == TMBusJoiner::Broken && FMBus.TakeAgain();
    Emit(unit);
    if (again) MBusFrame(Origin, Frame, FrameAt);
}

void TTraceReader::Wrappers(const TOrigin& Origin, std::string_view Octets) {
    TWrapperWalk walk(Octets);
    TWrapperPdu pdu;
    while (walk.Next(pdu)) {
        TTraceUnit unit = Unit(Origin, TInput::Wrapper);
        unit.New = true;
        unit.Outcome = TranslateOctets(pdu.Apdu, FOptions);
        const size_t apduAt = pdu.Offset + kWrapperHeaderSize;
        const size_t octetsAt = FPlaces ? ReadingIndex(Octets) : std::string_view::npos;
        PlaceMap(unit.Outcome, FPlaces, octetsAt == std::string_view::npos ? octetsAt : octetsAt + apduAt, apduAt);
        unit.Outcome.Link = WrapperLink(pdu.Header);
        if (FOptions.DescribeFrame) unit.Outcome.FrameDescription.push_back(WrapperDescription(pdu.Header));
        Emit(unit);
    }
    if (!walk.Failure().empty()) {
        TTraceUnit unit = Unit(Origin, TInput::Wrapper);
        unit.New = true;
        Failure(unit.Outcome, walk.Failure());
        Emit(unit);
    }
}

void TTraceReader::NoOctets(long long Number, std::string_view Text) {
    TTraceUnit unit;
    unit.Line = unit.FirstLine = Number;
    unit.Input = TInput::Text;
    unit.New = true;
    std::string_view label = TrimmedFront(Text);
    while (!label.empty() && (label.back() == ' ' || label.back() == '\t' || label.back() == '\r')) label.remove_suffix(1);
    unit.Label.assign(label);
    unit.Outcome.Kind = K::Beep;
    unit.Outcome.FrameWithoutApdu = true;
    unit.Outcome.Text = "no octets on the line";
    Emit(unit);
}

void TTraceReader::FlushDump() {
    if (!FDump.Active()) return;
    TOrigin origin{FDumpLast, FDumpFirst, {}, {}, true, true};
    if (FDumpLast > FDumpFirst)
        origin.Lines = "lines " + std::to_string(FDumpFirst) + (FDumpLast == FDumpFirst + 1 ? ", " : "-") +
                       std::to_string(FDumpLast);
    const std::string octets = FDump.Octets();
    const TOctetPlaces places = FDump.Places();
    FDump.Clear();
    const TReading reading(*this, octets, &places);
    OctetsOf(origin, octets);
}

void TTraceReader::StartGather(const TOrigin& Origin, TFormat Format, std::string_view Octets, bool FromLineStart) {
    FGather.Format = Format;
    FGather.Octets.assign(Octets);
    FGather.Opening = Octets.size();
    FGather.FirstLine = FGather.LastLine = Origin.Line;
    FGather.Label = Origin.Label;
    FGather.FromLineStart = FromLineStart && !FMidLine;
    FGather.Texts.clear();
    FGather.Taken.clear();
    FGather.Places.Clear();
    if (const size_t at = FPlaces ? ReadingIndex(Octets) : std::string_view::npos; at != std::string_view::npos)
        FGather.Places.Append(*FPlaces, at, Octets.size());
    if (FGather.FromLineStart) {  // read again on its own should the lines after it prove no continuation
        FGather.Texts.assign(FText);
        FGather.Taken.push_back({Origin.Line, FGather.Texts.size(), FTextAt});
    }
}

bool TTraceReader::Continue(long long Number, std::string_view Text) {
    FLineOctets.clear();
    FLinePlaces.Clear();
    TOctetRun run;
    const bool placed = FPlacing && FGather.Places.Size() == FGather.Octets.size();
    if (!LineOctets(Text, FLineOctets, run, placed ? &FLinePlaces : nullptr, FTextAt) || OpensOwnFrame(FLineOctets) ||
        FGather.Texts.size() + Text.size() > kMaxGatheredText) {
        const size_t replayed = EndGather();
        if (replayed == 0) return false;
        // The lines read again come first, then this one.
        FReplay.insert(FReplay.begin() + static_cast<std::ptrdiff_t>(replayed),
                       TReplay{Number, std::string(Text), false, FTextAt});
        return true;
    }
    FGather.Texts.append(Text);
    FGather.Taken.push_back({Number, FGather.Texts.size(), FTextAt});
    FGather.LastLine = Number;
    FGather.Octets += FLineOctets;
    if (placed) FGather.Places.Append(FLinePlaces, 0, FLinePlaces.Size());
    else FGather.Places.Clear();
    Advance(Number, Text, run);
    return true;
}

TTraceReader::TOrigin TTraceReader::GatherOrigin() const {
    TOrigin origin{FGather.LastLine, FGather.FirstLine, {}, FGather.Label, true, false};
    if (FGather.LastLine > FGather.FirstLine) {
        TLineList lines;
        lines.Add(FGather.FirstLine);
        for (const auto& taken : FGather.Taken) lines.Add(taken.Number);
        origin.Lines = lines.Text();
    }
    return origin;
}

void TTraceReader::GatherFailure(const TOrigin& Origin, std::string Message) {
    TTraceUnit unit = Unit(Origin, FGather.Format == TFormat::MBus ? TInput::MBus : TInput::Frame);
    unit.New = true;
    NotDecodable(unit.Outcome, std::move(Message));
    FGather.Format = TFormat::None;
    Emit(unit);
}

void TTraceReader::Advance(long long Number, std::string_view Text, const TOctetRun& Run) {
    std::string& octets = FGather.Octets;
    TOctetPlaces& places = FGather.Places;
    const bool hdlc = FGather.Format == TFormat::Hdlc;
    // Flags between frames are no part of them.
    if (hdlc) {
        size_t flags = 0;
        while (flags + 1 < octets.size() && octets[flags] == kFlag && octets[flags + 1] == kFlag) ++flags;
        octets.erase(0, flags);
        places.EraseFront(flags);
    }
    size_t need = std::string_view::npos;
    if (!hdlc) {
        need = MBusFrameLength(octets);
    } else if (octets.size() < 3) {
        need = 0;
    } else if ((static_cast<uint8_t>(octets[1]) & 0xF0) == 0xA0) {
        need = ((static_cast<uint8_t>(octets[1]) & 7u) << 8 | static_cast<uint8_t>(octets[2])) + 2;
    }
    if (need == std::string_view::npos) {  // together they open no frame
        Replay();
        return;
    }
    if (need == 0 || octets.size() < need) return;  // the lines after it continue it
    // The frame ends where its length says: with its closing octet there, it
    // is whole; without, the lines taken were no part of it.
    if (octets[need - 1] != (hdlc ? kFlag : '\x16')) {
        Replay();
        return;
    }
    FRest.assign(octets, need);
    octets.resize(need);
    const bool placed = places.Size() == octets.size() + FRest.size();
    FRestPlaces.Clear();
    if (placed) {
        // A closing flag shared with the next frame stands where it does.
        if (hdlc && !FRest.empty() && FRest.front() != kFlag) FRestPlaces.Append(places, need - 1, 1);
        FRestPlaces.Append(places, need, FRest.size());
        places.Truncate(need);
    }
    const TOrigin origin = GatherOrigin();
    const std::string_view frameOctets = octets;
    const TReading reading(*this, frameOctets, placed ? &places : nullptr);
    if (hdlc) {
        TFrame frame;
        bool decoded = true;
        try {
            frame.SetFromPduByteStr(octets);
        } catch (const EVantrelError& e) {
            GatherFailure(origin, "Not a decodable HDLC frame: " + e.Message());
            decoded = false;
        }
        if (decoded) {
            FGather.Format = TFormat::None;
            Frame(origin, frame, frameOctets);
        }
    } else {
        const std::string whole = octets;
        TMBusFrame frame;
        std::string why;
        if (!ReadMBusFrame(whole, frame, why)) {
            GatherFailure(origin, "Not a decodable M-Bus frame: " + why);
        } else {
            FGather.Format = TFormat::None;
            MBusFrame(origin, frame, placed ? 0 : std::string_view::npos);
        }
    }
    if (FRest.empty()) return;
    // The rest of the line after the frame: the next frames.
    TOrigin rest{Number, Number, {}, LineLabel(Text, Run), true, false};
    const std::string octetsAfter = hdlc && FRest.front() != kFlag ? kFlag + FRest : FRest;  // a closing flag shared
    FText = {};
    FMidLine = true;
    const TReading after(*this, octetsAfter, placed ? &FRestPlaces : nullptr);
    const bool frames = hdlc ? FrameOctets(rest, octetsAfter, false) : MBusOctets(rest, octetsAfter);
    FMidLine = false;
    if (frames) return;
    TTraceUnit unit = Unit(rest, hdlc ? TInput::Frame : TInput::MBus);
    NotDecodable(unit.Outcome, std::to_string(FRest.size()) + (FRest.size() == 1 ? " octet" : " octets") +
                                   " after the frame open no further frame");
    Emit(unit);
}

size_t TTraceReader::EndGather() {
    if (!FGather.Active()) return 0;
    if (!FGather.FromLineStart && FGather.Octets.size() == 1 && FGather.Octets.front() == kFlag) {
        FGather.Format = TFormat::None;  // a flag of its own at the end of a line
        return 0;
    }
    if (FGather.FromLineStart && FGather.Taken.size() == 1) return Replay();  // one line alone: read as it stands
    const bool mbus = FGather.Format == TFormat::MBus;
    size_t length = 0;
    if (mbus) {
        length = MBusStatedLength(FGather.Octets);
    } else if (FGather.Octets.size() >= 3) {
        length = ((static_cast<uint8_t>(FGather.Octets[1]) & 7u) << 8 | static_cast<uint8_t>(FGather.Octets[2])) + 2;
    }
    const TOrigin origin = GatherOrigin();
    std::string message = std::string(mbus ? "M-Bus" : "HDLC") + " frame cut short: " +
                          std::to_string(FGather.Octets.size()) +
                          (length > 0 && length != std::string_view::npos ? " of its " + std::to_string(length) + " octets"
                                                                          : " octets");
    if (!origin.Lines.empty()) message += "; " + origin.Lines + " not translated";
    GatherFailure(origin, std::move(message));
    return 0;
}

size_t TTraceReader::Replay() {
    std::vector<TReplay> lines;
    lines.reserve(FGather.Taken.size());
    size_t begin = 0;
    for (size_t i = 0; i < FGather.Taken.size(); ++i) {
        const auto& taken = FGather.Taken[i];
        lines.push_back(
            TReplay{taken.Number, FGather.Texts.substr(begin, taken.End - begin), i == 0 && FGather.FromLineStart, taken.At});
        begin = taken.End;
    }
    if (!FGather.FromLineStart) {
        // The frame began after others on its first line: that part is reported there.
        const TOrigin origin{FGather.FirstLine, FGather.FirstLine, {}, FGather.Label, true, false};
        GatherFailure(origin, std::string(FGather.Format == TFormat::MBus ? "M-Bus" : "HDLC") + " frame cut short: " +
                                  std::to_string(FGather.Opening) + " octets at the end of its line");
    }
    FGather.Format = TFormat::None;
    FReplay.insert(FReplay.begin(), std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
    return lines.size();
}

void TTraceReader::Finish() {
    FlushDump();
    while (FGather.Active() || !FReplay.empty() || FDump.Active()) {
        EndGather();
        Drain();
        FlushDump();
    }
    while (FJoiner.TakeUnfinished()) {
        TTraceUnit unit;
        unit.Line = FJoiner.Lines().back();
        unit.FirstLine = FJoiner.Lines().front();
        unit.Lines = FJoiner.Lines().Text();
        unit.Input = TInput::Frame;
        unit.New = true;
        Failure(unit.Outcome, FJoiner.Message());
        Emit(unit);
    }
    while (FMBus.TakeUnfinished()) {
        TTraceUnit unit;
        unit.Line = FMBus.Lines().back();
        unit.FirstLine = FMBus.Lines().front();
        unit.Lines = FMBus.Lines().Text();
        unit.Input = TInput::MBus;
        unit.New = true;
        Failure(unit.Outcome, FMBus.Message());
        Emit(unit);
    }
}

}  // namespace vantrel::trace
