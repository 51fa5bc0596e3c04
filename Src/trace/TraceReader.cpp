#include "TraceReader.h"

#include "LogLine.h"
#include "../translate/Wrapper.h"
#include "../translate/HexText.h"
#include "../../xmlPdu/INFRA/Errors.h"
#include "../../xmlPdu/INFRA/INFRAMisc.h"

namespace vantrel::trace {

namespace {

using K = TTranslateOutcome::TKind;

bool IsBlankText(std::string_view Text) noexcept {
    for (char c : Text)
        if (c != ' ' && c != '\t' && c != '\r') return false;
    return true;
}

std::string_view TrimmedFront(std::string_view Text) noexcept {
    while (!Text.empty() && (Text.front() == ' ' || Text.front() == '\r' || Text.front() == '\n')) Text.remove_prefix(1);
    return Text;
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

void Failure(TTranslateOutcome& Outcome, std::string Message) {
    Outcome.Kind = K::HexFailure;
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
    return unit;
}

void TTraceReader::PlaceMap(TTranslateOutcome& Outcome, std::string_view Apdu, bool Unwrapped) const {
    if (!FOptions.Map || Outcome.Kind != K::Translated || Outcome.Maps.empty()) return;
    TUnitMap& map = Outcome.Maps.back();
    const auto at = static_cast<size_t>(Apdu.data() - FPlacesOf);
    if (Unwrapped) map.ApduOffset = static_cast<uint32_t>(at);
    if (FPlaces) map.PlaceOctets(*FPlaces, at);
}

void TTraceReader::Line(long long Number, std::string_view Text, uint64_t At) {
    if (FDump.Active()) {
        if (IsBlankText(Text)) return FlushDump();
        switch (FDump.Add(Text, At)) {
        case THexDump::Added:
            FDumpLast = Number;
            return;
        case THexDump::NotDumpLine:
            FlushDump();
            break;
        case THexDump::OffsetJump:
        case THexDump::TooLong: {
            TOrigin origin{Number, FDumpFirst, {}, {}, true, true};
            origin.Lines = "lines " + std::to_string(FDumpFirst) + (Number == FDumpFirst + 1 ? ", " : "-") +
                           std::to_string(Number);
            TTraceUnit unit = Unit(origin, TInput::Dump);
            Failure(unit.Outcome, FDump.LineOffset() != FDump.DueOffset()
                                      ? FDump.OffsetJumpMessage()
                                      : "Hex dump longer than " + std::to_string(kMaxDumpOctets) + " octets");
            FDump.Clear();
            return Emit(unit);
        }
        }
    }
    if (IsBlankText(Text)) return;
    if (THexDump::Opens(Text)) {
        FDump.Clear();
        FDump.Add(Text, At);
        FDumpFirst = FDumpLast = Number;
        return;
    }
    Octets(TOrigin{Number, Number, {}, {}, false, false, At}, Text);
}

void TTraceReader::Octets(const TOrigin& Origin, std::string_view Text) {
    const std::string_view trimmed = TrimmedFront(Text);
    const uint64_t trimmedAt = Origin.At + static_cast<uint64_t>(trimmed.data() - Text.data());
    if (trimmed.starts_with("7E") && Frames(Origin, trimmed, trimmedAt)) return;
    if (OpensLikeWrapper(trimmed)) {
        try {
            FOctets = TMisc::PastedHexToByteStr(trimmed);
        } catch (const EConvertError&) {
            FOctets.clear();
        }
        if (StartsWithWrapper(FOctets)) {
            FLinePlaces.Clear();
            if (FOptions.MapSources) AppendHexPlaces(trimmed, trimmedAt, FLinePlaces);
            PlaceFrom(FOctets.data(), &FLinePlaces);
            return Wrappers(Origin, FOctets);
        }
    }
    // A character no hex text holds: today's rules fail, so the log-line
    // reading goes first and today's outcome is only needed when it fails.
    const bool certainFailure = !Origin.Scanned && CertainlyNoHexText(Text);
    if (certainFailure && Scan(Origin, Text)) return;
    TTranslateOutcome today = TranslateSingle(Text, FOptions);
    ShiftSources(today, static_cast<int64_t>(Origin.At));
    if (!Origin.Scanned && !certainFailure &&
        (today.HexToXml ? today.Kind == K::HexFailure || (today.Kind == K::Beep && !today.FrameWithoutApdu)
                        : today.Kind != K::Translated && OpensNoElement(Text)) &&
        Scan(Origin, Text))
        return;
    TTraceUnit unit = Unit(Origin, !today.HexToXml ? TInput::Xml : trimmed.starts_with("7E") ? TInput::Frame : TInput::Hex);
    unit.Outcome = std::move(today);
    Emit(unit);
}

bool TTraceReader::Scan(const TOrigin& Origin, std::string_view Text) {
    TOctetRun run;
    if (!FindOctetRun(Text, run) || (run.Begin == 0 && run.End == Text.size())) return false;
    TOrigin scanned = Origin;
    scanned.Scanned = true;
    scanned.Label = LineLabel(Text, run);
    const std::string_view runText = Text.substr(run.Begin, run.End - run.Begin);
    // Text around the octets, or octets in a notation of logs only.
    if (scanned.Label.empty() && runText.find_first_of(":,xX\t") == std::string_view::npos) return false;
    std::string octets;
    AppendRunOctets(runText, octets);
    TOctetPlaces places;
    if (FOptions.MapSources) AppendRunPlaces(runText, Origin.At + run.Begin, places);
    PlaceFrom(octets.data(), &places);
    return Scanned(scanned, octets);
}

// The octets a log line holds, read on their own. Their units replace
// today's outcome of the line unless all they give is a failure of the kind
// today's rules report as well: then today's stays.
bool TTraceReader::Scanned(const TOrigin& Origin, std::string_view Octets) {
    std::vector<TTraceUnit> units;
    FCollect = &units;
    OctetsOf(Origin, Octets);
    FCollect = nullptr;
    bool useful = false;
    for (const TTraceUnit& unit : units)
        useful |= unit.Outcome.Kind == K::Translated || unit.Outcome.FrameWithoutApdu || !unit.Lines.empty() ||
                  unit.Input == TInput::Wrapper;
    if (!useful) return false;
    for (TTraceUnit& unit : units) Emit(unit);
    return true;
}

bool TTraceReader::Frames(const TOrigin& Origin, std::string_view Text, uint64_t TextAt) {
    std::string_view digits = Text;
    while (!digits.empty() && (digits.back() == ' ' || digits.back() == '\r' || digits.back() == '\n')) digits.remove_suffix(1);
    try {
        FOctets = HexStrToByteStr(digits);
    } catch (const EVantrelError&) {
        return false;
    }
    FLinePlaces.Clear();
    if (FOptions.MapSources) AppendHexPlaces(digits, TextAt, FLinePlaces);
    PlaceFrom(FOctets.data(), &FLinePlaces);
    return FrameOctets(Origin, FOctets, true);
}

bool TTraceReader::FrameOctets(const TOrigin& Origin, std::string_view Octets, bool TodayDecides) {
    if (!SplitFrames(Octets, FFrames)) return false;
    FFrameList.resize(FFrames.size());
    try {
        for (size_t i = 0; i < FFrames.size(); ++i) FFrameList[i].SetFromPduByteStr(FFrames[i]);
    } catch (const EVantrelError&) {
        return false;
    }
    if (TodayDecides && FFrameList.size() == 1) {
        // A single frame stays on today's path unless it belongs to a sequence.
        const TFrame& f = FFrameList.front();
        if (f.Kind() != fkI && f.Kind() != fkUI) return false;
        if (!f.Segmented() && !FJoiner.Open(f)) return false;
    }
    for (size_t i = 0; i < FFrameList.size(); ++i) Frame(Origin, FFrameList[i], FFrames[i]);
    return true;
}

void TTraceReader::OctetsOf(const TOrigin& Origin, std::string_view Octets) {
    if (!Octets.empty() && Octets.front() == '\x7E') {
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
    if (StartsWithWrapper(Octets)) return Wrappers(Origin, Octets);
    TTraceUnit unit = Unit(Origin, TInput::Hex);
    unit.Outcome = TranslateOctets(Octets, FOptions);
    PlaceMap(unit.Outcome, Octets, false);
    Emit(unit);
}

void TTraceReader::Frame(const TOrigin& Origin, const TFrame& Frame, std::string_view FrameOctets) {
    // The information field ends before the check sequence and the flag.
    const std::string_view info = Frame.Data();
    const std::string_view infoOctets =
        FrameOctets.size() >= info.size() + 3 ? FrameOctets.substr(FrameOctets.size() - 3 - info.size(), info.size())
                                              : std::string_view();
    TTraceUnit unit = Unit(Origin, TInput::Frame);
    unit.New = true;
    std::vector<std::string> description;
    if (FOptions.DescribeFrame) Frame.GetAsStrings(description, 0);
    if (Frame.Kind() != fkI && Frame.Kind() != fkUI) {
        unit.Outcome.Kind = K::Beep;
        unit.Outcome.FrameWithoutApdu = true;
        unit.Outcome.Text = "HDLC " + std::string(FrameKindName(Frame.Kind())) + " frame: no APDU to translate";
    } else {
        const bool placed = FPlaces && !infoOctets.empty();
        switch (FJoiner.Take(Frame, Origin.Line, placed ? FPlaces : nullptr,
                             placed ? static_cast<size_t>(infoOctets.data() - FPlacesOf) : 0)) {
        case THdlcJoiner::Pending:
            unit.Outcome.Kind = K::Beep;
            unit.Outcome.FrameWithoutApdu = true;
            unit.Outcome.Text = "Segmented HDLC frame: the APDU continues in the next frames";
            break;
        case THdlcJoiner::Complete:
            unit.Outcome = TranslateOctets(FJoiner.Apdu(), FOptions);
            if (placed && !unit.Outcome.Maps.empty()) unit.Outcome.Maps.back().PlaceOctets(FJoiner.ApduPlaces(), 0);
            unit.FirstLine = FJoiner.Lines().front();
            if (FJoiner.Lines().size() > 1) unit.Lines = LinesText(FJoiner.Lines());
            break;
        case THdlcJoiner::Broken:
            Failure(unit.Outcome, FJoiner.Message());
            unit.FirstLine = FJoiner.Lines().front();
            unit.Lines = LinesText(FJoiner.Lines());
            break;
        case THdlcJoiner::NotJoined: {
            const size_t llc = info.size() < 3 ? info.size() : 3;
            unit.Outcome = TranslateOctets(info.substr(llc), FOptions);
            if (!infoOctets.empty()) PlaceMap(unit.Outcome, infoOctets.substr(llc), true);
            break;
        }
        }
    }
    unit.Outcome.FrameDescription = std::move(description);
    Emit(unit);
}

void TTraceReader::Wrappers(const TOrigin& Origin, std::string_view Octets) {
    TWrapperWalk walk(Octets);
    TWrapperPdu pdu;
    while (walk.Next(pdu)) {
        TTraceUnit unit = Unit(Origin, TInput::Wrapper);
        unit.New = true;
        unit.Outcome = TranslateOctets(pdu.Apdu, FOptions);
        PlaceMap(unit.Outcome, pdu.Apdu, true);
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

void TTraceReader::FlushDump() {
    if (!FDump.Active()) return;
    TOrigin origin{FDumpLast, FDumpFirst, {}, {}, true, true};
    if (FDumpLast > FDumpFirst)
        origin.Lines = "lines " + std::to_string(FDumpFirst) + (FDumpLast == FDumpFirst + 1 ? ", " : "-") +
                       std::to_string(FDumpLast);
    const std::string octets = FDump.Octets();
    const TOctetPlaces places = FDump.Places();
    FDump.Clear();
    PlaceFrom(octets.data(), &places);
    OctetsOf(origin, octets);
}

void TTraceReader::Finish() {
    FlushDump();
    while (FJoiner.TakeUnfinished()) {
        TTraceUnit unit;
        unit.Line = FJoiner.Lines().back();
        unit.FirstLine = FJoiner.Lines().front();
        unit.Lines = LinesText(FJoiner.Lines());
        unit.Input = TInput::Frame;
        unit.New = true;
        Failure(unit.Outcome, FJoiner.Message());
        Emit(unit);
    }
}

}  // namespace vantrel::trace
