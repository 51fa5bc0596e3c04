#include "Translate.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "FailurePlace.h"
#include "Frame.h"
#include "HexText.h"
#include "Wrapper.h"
#include "LlcHeader.h"
#include "OctetsAfterApdu.h"
#include "../capi/XmlEntry.h"
#include "../../xmlPdu/INFRA/Errors.h"
#include "../../xmlPdu/INFRA/INFRAMisc.h"
#include "../../xmlPdu/INFRA/ScriptStream.h"
#include "../../xmlPdu/security/SecurityLayer.h"
#include "../capi/DecodedHook.h"
#include "vantrel/vantrel.h"

namespace vantrel {

namespace {

// XML must begin within this many characters of the cleaned text.
constexpr int64_t kMaxXmlStart = 79;
// Of XML holding many APDUs, at most this many notes are kept; the count of
// the others follows them.
constexpr size_t kMaxNotes = 32;

bool IsBlank(char c) noexcept { return c == '\r' || c == '\n' || c == ' '; }

// A byte that continues a UTF-8 sequence: it belongs to the character before it.
bool IsContinuation(char c) noexcept { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

int64_t CharacterCount(std::string_view Text) noexcept {
    int64_t n = 0;
    for (char c : Text) n += !IsContinuation(c);
    return n;
}

uint32_t Flags(const TTranslateOptions& Options) noexcept {
    return (Options.Annotate ? VANTREL_ANNOTATE : 0u) | (Options.Map ? VANTREL_MAP : 0u);
}

uint32_t LineFeeds(std::string_view Text) noexcept {
    return static_cast<uint32_t>(std::count(Text.begin(), Text.end(), '\n'));
}

void Beep(TTranslateOutcome& Outcome, bool HexToXml, std::string Reason) {
    Outcome.Kind = TTranslateOutcome::Beep;
    Outcome.HexToXml = HexToXml;
    Outcome.Text = std::move(Reason);
}

void EntryFailure(TTranslateOutcome& Outcome, std::string_view SourceText, const TTranslationError& Error, int64_t Index) {
    Outcome.Kind = TTranslateOutcome::EntryFailure;
    Outcome.Text.assign(Error.Message, strnlen(Error.Message, sizeof Error.Message));
    Outcome.Position = Error.Position;
    GotoIndex(SourceText, Index, Outcome.Line, Outcome.Column);
}

// One APDU at the start of Octets to XML through the entry point: its XML
// (octets after its end named in a closing comment and a note) and the
// octets it took; false with Error filled when it does not decode. With the
// map, its map follows the outcome's, At (where Octets stand in the octets
// being translated) as its ApduOffset until the caller places it.
bool ApduToXml(std::string_view Octets, const TTranslateOptions& Options, TTranslateOutcome& Outcome,
               TTranslationError& Error, size_t& Taken, size_t At = 0) {
    TTranslationError error;
    VantrelStream* xml = nullptr;
    const auto* data = reinterpret_cast<const uint8_t*>(Octets.data());
    const auto size = static_cast<uint32_t>(Octets.size());
    if (Options.Hook) {
        uint64_t mark = 0;
        PduToXmlHooked(data, size, Options.Keys, Flags(Options), *Options.Hook, mark, &xml, &error);
        if (mark && error.Code == 0) {
            if (!Outcome.Hooked) Outcome.Hooked = mark;
            Outcome.HookedLast = mark;
        }
    } else {
        PduToXmlEx(data, size, Options.Keys, Flags(Options), &xml, &error);
    }
    Error = error;
    if (error.Code != 0) return false;
    Taken = error.Position > 1 ? static_cast<size_t>(error.Position) - 1 : 0;
    if (Taken > Octets.size()) Taken = Octets.size();
    Outcome.Text.append(reinterpret_cast<const char*>(VantrelStreamData(xml)), VantrelStreamSize(xml) - 1);
    for (uint32_t i = 0, n = VantrelStreamNoteCount(xml); i < n; ++i) Outcome.Notes.emplace_back(VantrelStreamNote(xml, i));
    if (Options.Map && TakeUnitMap(xml, Outcome.Maps.emplace_back())) Outcome.Maps.back().ApduOffset = static_cast<uint32_t>(At);
    VantrelStreamFree(xml);
    bool server;
    if (Options.Keys)
        if (std::string title; FindAssociationTitle(Octets.substr(0, Taken), server, title))
            (server ? Outcome.ServerSystemTitle : Outcome.ClientSystemTitle) = std::move(title);
    return true;
}

// The closing comment and the note that named Rest as octets after the end
// of the APDU before it, taken back because Rest is an APDU itself. False
// (nothing changed) when the outcome does not end with them.
bool TakeBackOctetsAfterApdu(TTranslateOutcome& Outcome, std::string_view Rest) {
    const std::string note = OctetsAfterApduText(Rest);
    if (Outcome.Notes.empty() || Outcome.Notes.back() != note) return false;
    TScriptStream comment;
    comment.XMLComment(note);
    comment.EmitLn("");
    const std::string_view suffix = comment.View();
    if (!std::string_view(Outcome.Text).ends_with(suffix)) return false;
    Outcome.Text.resize(Outcome.Text.size() - suffix.size());
    Outcome.Notes.pop_back();
    return true;
}

// Octets to XML through the entry point. A failure places the caret at twice
// the failing octet's position: two digits an octet, Skipped octets of the
// text before the APDU included. Where the APDU ends and octets follow, they
// are tried as the next APDU, and so on: each APDU that decodes is
// translated, one after the other; what does not decode stays named in the
// comment and note after the last one.
void OctetsToXml(TTranslateOutcome& Outcome, std::string_view SourceText, std::string_view Octets,
                 const TTranslateOptions& Options, size_t Skipped = 0) {
    Outcome.HexToXml = true;
    if (Octets.size() > UINT32_MAX) {
        Outcome.Kind = TTranslateOutcome::HexFailure;
        Outcome.Text = "Too many octets";
        return;
    }
    TTranslationError error;
    size_t taken = 0;
    Outcome.Text.clear();
    if (!ApduToXml(Octets, Options, Outcome, error, taken)) {
        Outcome.Field = FailedField(Octets);
        return EntryFailure(Outcome, SourceText, error,
                            2 * (static_cast<int64_t>(error.Position) + static_cast<int64_t>(Skipped)));
    }
    Outcome.Kind = TTranslateOutcome::Translated;
    for (size_t at = taken; at < Octets.size() && taken > 0;) {
        const std::string_view rest = Octets.substr(at);
        TTranslateOutcome next;
        if (!ApduToXml(rest, Options, next, error, taken, at) || !TakeBackOctetsAfterApdu(Outcome, rest)) break;
        // The comment taken back was the last line of the APDU before's XML.
        if (!Outcome.Maps.empty()) --Outcome.Maps.back().LastLine;
        for (TUnitMap& map : next.Maps) {
            map.ShiftLines(LineFeeds(Outcome.Text));
            Outcome.Maps.push_back(std::move(map));
        }
        Outcome.Text += next.Text;
        for (std::string& note : next.Notes) Outcome.Notes.push_back(std::move(note));
        if (!next.ClientSystemTitle.empty()) Outcome.ClientSystemTitle = std::move(next.ClientSystemTitle);
        if (!next.ServerSystemTitle.empty()) Outcome.ServerSystemTitle = std::move(next.ServerSystemTitle);
        if (next.Hooked) {
            if (!Outcome.Hooked) Outcome.Hooked = next.Hooked;
            Outcome.HookedLast = next.HookedLast;
        }
        at += taken;
    }
}

// The maps from First on, made by translating octets that stand at Base in
// the octets Places places: each APDU's offset and sources (the offset only
// where the APDU was unwrapped, or is not the first of its octets).
void PlaceMaps(TTranslateOutcome& Outcome, const TTranslateOptions& Options, size_t First, const TOctetPlaces& Places,
               size_t Base, bool Unwrapped) {
    if (!Options.Map || Outcome.Kind != TTranslateOutcome::Translated) return;
    for (size_t i = First; i < Outcome.Maps.size(); ++i) {
        TUnitMap& map = Outcome.Maps[i];
        const size_t at = Base + (map.ApduOffset == VANTREL_MAP_NONE ? 0 : map.ApduOffset);
        map.ApduOffset = Unwrapped || at > 0 ? static_cast<uint32_t>(at) : VANTREL_MAP_NONE;
        if (Options.MapSources) map.PlaceOctets(Places, at);
    }
}

// WRAPPER PDUs, back to back: each APDU translated, the XML one after the
// other. A failure places the caret at the octet of the whole input.
void WrappedOctetsToXml(TTranslateOutcome& Outcome, std::string_view SourceText, std::string_view Octets,
                        const TTranslateOptions& Options, const TOctetPlaces& Places) {
    trace::TWrapperWalk walk(Octets);
    trace::TWrapperPdu pdu;
    std::string xml;
    while (walk.Next(pdu)) {
        if (Options.DescribeFrame) Outcome.FrameDescription.push_back(trace::WrapperDescription(pdu.Header));
        const size_t apduAt = pdu.Offset + trace::kWrapperHeaderSize;
        const size_t maps = Outcome.Maps.size();
        OctetsToXml(Outcome, SourceText, pdu.Apdu, Options);
        Outcome.Link = WrapperLink(pdu.Header);
        if (Outcome.Kind != TTranslateOutcome::Translated) {
            Outcome.Notes.clear();  // of the PDUs before: the failure replaces their translation
            GotoIndex(SourceText, 2 * static_cast<int64_t>(apduAt + static_cast<size_t>(Outcome.Position)), Outcome.Line,
                      Outcome.Column);
            return;
        }
        PlaceMaps(Outcome, Options, maps, Places, apduAt, true);
        for (size_t i = maps; i < Outcome.Maps.size(); ++i) Outcome.Maps[i].ShiftLines(LineFeeds(xml));
        xml += Outcome.Text;
    }
    if (!walk.Failure().empty()) {
        Outcome.Notes.clear();
        Outcome.Kind = TTranslateOutcome::EntryFailure;
        Outcome.Text = walk.Failure();
        Outcome.Position = static_cast<int>(walk.FailureOffset() + 1);
        GotoIndex(SourceText, 2 * static_cast<int64_t>(walk.FailureOffset()), Outcome.Line, Outcome.Column);
        return;
    }
    Outcome.Text = std::move(xml);
}

// A line that the command line writes before or instead of a translation:
// "line N:" or "packet N:" and anything after it on the line.
bool IsLabelLine(std::string_view Line) noexcept {
    for (const std::string_view word : {std::string_view("line "), std::string_view("packet ")}) {
        if (!Line.starts_with(word)) continue;
        size_t at = word.size();
        const size_t digits = at;
        while (at < Line.size() && Line[at] >= '0' && Line[at] <= '9') ++at;
        return at > digits && at < Line.size() && Line[at] == ':';
    }
    return false;
}

// The index after the label lines that Text begins with (blanks before them skipped).
size_t SkipLabelLines(std::string_view Text, size_t At) noexcept {
    for (;;) {
        size_t start = At;
        while (start < Text.size() && (Text[start] == ' ' || Text[start] == '\t')) ++start;
        if (!IsLabelLine(Text.substr(start))) return At;
        const size_t end = Text.find('\n', start);
        if (end == std::string_view::npos) return Text.size();
        At = end + 1;
    }
}

// Whether the text at At opens an element: "<" and a name.
bool OpensElement(std::string_view Text, size_t At) noexcept {
    if (At + 1 >= Text.size() || Text[At] != '<') return false;
    const char c = Text[At + 1];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// Blanks and comments as the XML reader skips them: "//" to the end of the
// line, "(*" to "*)", and "<!" or "<?" to the next ">".
size_t SkipBlanksAndComments(std::string_view Text, size_t At) noexcept {
    const auto to = [&](size_t From, std::string_view End) {
        const size_t found = Text.find(End, From);
        return found == std::string_view::npos ? Text.size() : found + End.size();
    };
    while (At < Text.size()) {
        const char c = Text[At];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') ++At;
        else if (Text.compare(At, 2, "//") == 0) At = std::min(Text.size(), to(At, "\n"));
        else if (Text.compare(At, 2, "(*") == 0) At = to(At + 1, "*)");
        else if (Text.compare(At, 2, "<!") == 0 || Text.compare(At, 2, "<?") == 0) At = to(At, ">");
        else break;
    }
    return At;
}

// What stands between APDUs and is passed over quietly: blanks, comments
// and the command line's label lines. Returns the index of the first
// character that is none of these.
size_t SkipQuiet(std::string_view Text, size_t At) {
    for (;;) {
        At = SkipBlanksAndComments(Text, At);
        size_t lineStart = At;
        while (lineStart > 0 && (Text[lineStart - 1] == ' ' || Text[lineStart - 1] == '\t')) --lineStart;
        if (lineStart > 0 && Text[lineStart - 1] != '\n') return At;
        const size_t after = SkipLabelLines(Text, At);
        if (after == At) return At;
        At = after;
    }
}

// Text that is no APDU runs to the next element, comment or label line, or
// to the end of the text; it is named in a note, not translated.
size_t OtherTextEnd(std::string_view Text, size_t At) {
    for (size_t i = At + 1; i < Text.size(); ++i) {
        if (Text[i] == '<' && (OpensElement(Text, i) || Text.compare(i, 2, "<!") == 0)) return i;
        if (Text[i] == '\n' && SkipLabelLines(Text, i + 1) != i + 1) return i + 1;
    }
    return Text.size();
}

// XML to hex. The XML may hold several APDUs, one after another: each gives
// a line of hex (CR LF between them, as the XML output has). Label lines and
// comments between them are passed over; other text after an APDU is named
// in a note. A failure places the caret at its place in the whole text.
void XmlToHex(TTranslateOutcome& Outcome, std::string_view SourceText, std::string_view Xml,
              const TTranslateOptions& Options) {
    Outcome.HexToXml = false;
    const std::string text(Xml);  // zero-terminated
    struct TNote {
        int Apdu;               // from 1: the APDU it is of, or (negative) after
        std::string Text;       // a note of the APDU
        std::string_view After; // or the text after it
    };
    std::vector<TNote> notes;
    size_t dropped = 0;  // notes beyond kMaxNotes
    const auto note = [&](TNote&& Note) {
        if (notes.size() < kMaxNotes) notes.push_back(std::move(Note));
        else ++dropped;
    };
    std::string hex;
    int count = 0;
    size_t at = SkipLabelLines(text, 0);
    for (;;) {
        TTranslationError error;
        VantrelStream* octets = nullptr;
        size_t end = 0;
        XmlToPduAt(text.c_str() + at, Options.Keys, Flags(Options), &octets, &error, end);
        if (error.Code != 0) {
            // The reader counts bytes; the caret walks characters.
            const size_t consumed = at + (error.Position > 0 ? static_cast<size_t>(error.Position) : 0);
            const int64_t index = CharacterCount(Xml.substr(0, consumed)) +
                                  static_cast<int64_t>(consumed > Xml.size() ? consumed - Xml.size() : 0);
            EntryFailure(Outcome, SourceText, error, index);
            Outcome.Position = static_cast<int>(std::min<size_t>(consumed, INT_MAX));
            return;
        }
        if (count++ > 0) hex += "\r\n";
        if (Options.Map && TakeUnitMap(octets, Outcome.Maps.emplace_back())) {
            // Lines of the whole source text; the octets are the hex digits written.
            TUnitMap& map = Outcome.Maps.back();
            map.ShiftLines(LineFeeds(SourceText.substr(0, SourceText.size() - Xml.size() + at)));
            if (Options.MapSources)
                for (uint32_t i = 0; i < map.Octets; ++i) map.Sources.Add(hex.size() + 2 * uint64_t{i}, hex.size() + 2 * uint64_t{i} + 2);
        }
        hex += RawBytesToHexStr(
            std::string_view(reinterpret_cast<const char*>(VantrelStreamData(octets)), VantrelStreamSize(octets)));
        for (uint32_t i = 0, n = VantrelStreamNoteCount(octets); i < n; ++i)
            note({count, VantrelStreamNote(octets, i), {}});
        VantrelStreamFree(octets);
        at += end;
        while ((at = SkipQuiet(text, at)) < text.size() && !OpensElement(text, at)) {
            const size_t otherEnd = OtherTextEnd(text, at);
            size_t size = otherEnd - at;
            while (size > 0 && IsBlank(text[at + size - 1])) --size;
            note({-count, {}, std::string_view(text).substr(at, size)});
            at = otherEnd;
        }
        if (at >= text.size()) break;
    }
    // Text after an APDU is named as "the APDU" or "APDU 2"; the notes of the
    // APDUs themselves say which one when there are several.
    for (TNote& n : notes) {
        const std::string apdu = count == 1 ? "the APDU" : "APDU " + std::to_string(n.Apdu < 0 ? -n.Apdu : n.Apdu);
        if (n.Apdu < 0) Outcome.Notes.push_back(TextAfterApduText(n.After, apdu));
        else Outcome.Notes.push_back(count == 1 ? std::move(n.Text) : apdu + ": " + n.Text);
    }
    if (dropped > 0) Outcome.Notes.push_back("and " + std::to_string(dropped) + " more notes of the same kind");
    Outcome.Kind = TTranslateOutcome::Translated;
    Outcome.Text = std::move(hex);
}

void Translate(TTranslateOutcome& Outcome, std::string_view SourceText, const TTranslateOptions& Options) {
    size_t start = 0;
    while (start < SourceText.size() && IsBlank(SourceText[start])) ++start;
    const std::string_view text = SourceText.substr(start);

    // An HDLC frame opens with its flag, in either case of hex digits.
    if (text.starts_with("7E") || text.starts_with("7e")) {
        // Blanks after the frame's last digit are no part of it.
        std::string_view digits = text;
        while (!digits.empty() && IsBlank(digits.back())) digits.remove_suffix(1);
        TFrame frame;
        std::string frameOctets;
        try {
            frameOctets = HexStrToByteStr(digits);
            frame.SetFromPduByteStr(frameOctets);
        } catch (const EVantrelError& e) {
            return Beep(Outcome, true, "Not a decodable HDLC frame: " + e.Message());
        }
        if (Options.DescribeFrame) frame.GetAsStrings(Outcome.FrameDescription, 0);
        Outcome.FrameWithoutApdu = true;
        if (frame.Kind() != fkI && frame.Kind() != fkUI)
            return Beep(Outcome, true, "HDLC " + std::string(FrameKindName(frame.Kind())) + " frame: no APDU to translate");
        if (frame.Segmented())
            return Beep(Outcome, true, "Segmented HDLC frame: the APDU continues in the next frames");
        Outcome.FrameWithoutApdu = false;
        const std::string_view info = frame.Data();
        if (Options.DescribeFrame) Outcome.FrameDescription.push_back(LlcHeaderDescription(info));
        Outcome.Link = FrameLink(frame);
        const size_t llc = LlcHeaderSize(info);
        OctetsToXml(Outcome, SourceText, info.substr(llc), Options);
        if (Options.Map) {
            TOctetPlaces places;
            if (Options.MapSources) AppendHexPlaces(digits, start, places);
            // The information field ends before the check sequence and the flag.
            PlaceMaps(Outcome, Options, 0, places, frameOctets.size() - 3 - info.size() + llc, true);
        }
        return;
    }

    const size_t angle = text.find('<');
    if (angle == std::string_view::npos) {
        std::string octets;
        try {
            octets = TMisc::PastedHexToByteStr(text);
        } catch (const EConvertError& e) {
            Outcome.Kind = TTranslateOutcome::HexFailure;
            Outcome.Text = e.Message();
            return;
        }
        TOctetPlaces places;
        if (Options.Map && Options.MapSources) AppendHexPlaces(text, start, places);
        if (trace::StartsWithWrapper(octets)) {
            Outcome.Wrapped = true;
            return WrappedOctetsToXml(Outcome, SourceText, octets, Options, places);
        }
        if (StartsWithLlcHeader(octets)) {  // an information field copied without its frame
            if (Options.DescribeFrame) Outcome.FrameDescription.push_back(LlcHeaderDescription(octets));
            OctetsToXml(Outcome, SourceText, std::string_view(octets).substr(kLlcHeaderSize), Options, kLlcHeaderSize);
            Outcome.Link = {TApduLink::Llc, static_cast<uint8_t>(octets[1]), 0xE6};
            if (Outcome.Kind == TTranslateOutcome::Translated) {
                const std::string comment = LlcHeaderComment(octets);
                Outcome.Text.insert(0, comment);
                PlaceMaps(Outcome, Options, 0, places, kLlcHeaderSize, true);
                for (TUnitMap& map : Outcome.Maps) map.ShiftLines(LineFeeds(comment));
                if (!Outcome.Maps.empty()) Outcome.Maps.front().FirstLine = 1;  // the comment is the unit's as well
            }
            return;
        }
        OctetsToXml(Outcome, SourceText, octets, Options);
        return PlaceMaps(Outcome, Options, 0, places, 0, false);
    }
    // The command line's label lines before the XML do not count.
    const size_t from = SkipLabelLines(text, 0);
    const size_t first = from > 0 ? text.find('<', from) : std::string_view::npos;
    const int64_t position = first != std::string_view::npos ? CharacterCount(text.substr(from, first - from)) + 1
                                                             : CharacterCount(text.substr(0, angle)) + 1;
    if (position > kMaxXmlStart)
        return Beep(Outcome, false,
                    "XML must begin within the first " + std::to_string(kMaxXmlStart) + " characters; its first \"<\" is character " +
                        std::to_string(position));
    XmlToHex(Outcome, SourceText, text, Options);
}

}  // namespace

TTranslateOutcome TranslateSingle(std::string_view SourceText, const TTranslateOptions& Options) {
    TTranslateOutcome outcome;
    Translate(outcome, SourceText, Options);
    return outcome;
}

void ShiftSources(TTranslateOutcome& Outcome, int64_t Shift) noexcept {
    for (TUnitMap& map : Outcome.Maps) {
        for (uint32_t& p : map.Sources.First) p = static_cast<uint32_t>(p + Shift);
        for (uint32_t& p : map.Sources.End) p = static_cast<uint32_t>(p + Shift);
    }
}

TTranslateOutcome TranslateOctets(std::string_view Octets, const TTranslateOptions& Options) {
    TTranslateOutcome outcome;
    OctetsToXml(outcome, {}, Octets, Options);
    // The caller knows where the octets were: the first APDU's offset is no
    // unwrapping's, the others' stand as they are.
    for (TUnitMap& map : outcome.Maps)
        if (map.ApduOffset == 0) map.ApduOffset = VANTREL_MAP_NONE;
    outcome.Line = 1;
    outcome.Column = 0;
    return outcome;
}

TApduLink FrameLink(const TFrame& Frame) noexcept {
    const auto address = [](const TFrameAddress& a) { return static_cast<uint32_t>(a.Upper) << 16 | a.Lower; };
    return {TApduLink::Hdlc, address(Frame.SrcAddress()), address(Frame.DstAddress())};
}

TApduLink WrapperLink(const trace::TWrapperHeader& Header) noexcept {
    return {TApduLink::Wrapper, Header.Source, Header.Destination};
}

void GotoIndex(std::string_view Text, int64_t Index, int& Line, int& Column) {
    int64_t line = 1;
    int64_t column = 0;
    char previous = '\0';
    for (size_t i = 0; i < Text.size() && Index > 0; ++i) {
        const char c = Text[i];
        if (IsContinuation(c)) continue;
        --Index;
        if (c == '\r') {
            ++line;
            column = 0;
        } else if (c == '\n' && previous != '\r') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
        previous = c;
    }
    Line = static_cast<int>(line < INT_MAX ? line : INT_MAX);
    Column = static_cast<int>(column < INT_MAX ? column : INT_MAX);
}

}  // namespace vantrel
