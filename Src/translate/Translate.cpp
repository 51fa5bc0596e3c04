#include "Translate.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "FailurePlace.h"
#include "Frame.h"
#include "HexText.h"
#include "Wrapper.h"
#include "LlcHeader.h"
#include "../../xmlPdu/INFRA/Errors.h"
#include "../../xmlPdu/INFRA/INFRAMisc.h"
#include "../../xmlPdu/security/SecurityLayer.h"
#include "vantrel/vantrel.h"

namespace vantrel {

namespace {

// XML must begin within this many characters of the cleaned text.
constexpr int64_t kMaxXmlStart = 79;

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

// Octets to XML through the entry point. A failure places the caret at twice
// the failing octet's position: two digits an octet, Skipped octets of the
// text before the APDU included.
void OctetsToXml(TTranslateOutcome& Outcome, std::string_view SourceText, std::string_view Octets,
                 const TTranslateOptions& Options, size_t Skipped = 0) {
    Outcome.HexToXml = true;
    if (Octets.size() > UINT32_MAX) {
        Outcome.Kind = TTranslateOutcome::HexFailure;
        Outcome.Text = "Too many octets";
        return;
    }
    TTranslationError error;
    VantrelStream* xml = nullptr;
    PduToXmlEx(reinterpret_cast<const uint8_t*>(Octets.data()), static_cast<uint32_t>(Octets.size()), Options.Keys,
               Flags(Options), &xml, &error);
    if (error.Code != 0) {
        Outcome.Field = FailedField(Octets);
        return EntryFailure(Outcome, SourceText, error,
                            2 * (static_cast<int64_t>(error.Position) + static_cast<int64_t>(Skipped)));
    }
    Outcome.Kind = TTranslateOutcome::Translated;
    Outcome.Text.assign(reinterpret_cast<const char*>(VantrelStreamData(xml)), VantrelStreamSize(xml) - 1);
    for (uint32_t i = 0, n = VantrelStreamNoteCount(xml); i < n; ++i) Outcome.Notes.emplace_back(VantrelStreamNote(xml, i));
    if (Options.Map) TakeUnitMap(xml, Outcome.Maps.emplace_back());
    VantrelStreamFree(xml);
    bool server;
    if (Options.Keys)
        if (std::string title; FindAssociationTitle(Octets, server, title))
            (server ? Outcome.ServerSystemTitle : Outcome.ClientSystemTitle) = std::move(title);
}

// The map just made is of the APDU at ApduOffset of octets placed by Places.
void PlaceLastMap(TTranslateOutcome& Outcome, const TTranslateOptions& Options, const TOctetPlaces& Places,
                  size_t ApduOffset, bool Unwrapped) {
    if (!Options.Map || Outcome.Kind != TTranslateOutcome::Translated || Outcome.Maps.empty()) return;
    TUnitMap& map = Outcome.Maps.back();
    if (Unwrapped) map.ApduOffset = static_cast<uint32_t>(ApduOffset);
    if (Options.MapSources) map.PlaceOctets(Places, ApduOffset);
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
        OctetsToXml(Outcome, SourceText, pdu.Apdu, Options);
        if (Outcome.Kind != TTranslateOutcome::Translated) {
            GotoIndex(SourceText, 2 * static_cast<int64_t>(apduAt + static_cast<size_t>(Outcome.Position)), Outcome.Line,
                      Outcome.Column);
            return;
        }
        PlaceLastMap(Outcome, Options, Places, apduAt, true);
        if (Options.Map && !Outcome.Maps.empty()) Outcome.Maps.back().ShiftLines(LineFeeds(xml));
        xml += Outcome.Text;
    }
    if (!walk.Failure().empty()) {
        Outcome.Kind = TTranslateOutcome::EntryFailure;
        Outcome.Text = walk.Failure();
        Outcome.Position = static_cast<int>(walk.FailureOffset() + 1);
        GotoIndex(SourceText, 2 * static_cast<int64_t>(walk.FailureOffset()), Outcome.Line, Outcome.Column);
        return;
    }
    Outcome.Text = std::move(xml);
}

void XmlToHex(TTranslateOutcome& Outcome, std::string_view SourceText, std::string_view Xml,
              const TTranslateOptions& Options) {
    Outcome.HexToXml = false;
    const std::string text(Xml);  // zero-terminated
    TTranslationError error;
    VantrelStream* octets = nullptr;
    XmlToPduEx(text.c_str(), Options.Keys, Flags(Options), &octets, &error);
    if (error.Code != 0) {
        // The reader counts bytes; the caret walks characters.
        const size_t consumed = error.Position > 0 ? static_cast<size_t>(error.Position) : 0;
        const int64_t index = CharacterCount(Xml.substr(0, consumed)) +
                              static_cast<int64_t>(consumed > Xml.size() ? consumed - Xml.size() : 0);
        return EntryFailure(Outcome, SourceText, error, index);
    }
    Outcome.Kind = TTranslateOutcome::Translated;
    Outcome.Text = RawBytesToHexStr(
        std::string_view(reinterpret_cast<const char*>(VantrelStreamData(octets)), VantrelStreamSize(octets)));
    if (Options.Map && TakeUnitMap(octets, Outcome.Maps.emplace_back())) {
        // Lines of the whole source text; the octets are the hex digits written.
        TUnitMap& map = Outcome.Maps.back();
        map.ShiftLines(LineFeeds(SourceText.substr(0, SourceText.size() - Xml.size())));
        if (Options.MapSources)
            for (uint32_t i = 0; i < map.Octets; ++i) map.Sources.Add(2 * uint64_t{i}, 2 * uint64_t{i} + 2);
    }
    VantrelStreamFree(octets);
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
        const size_t llc = info.size() < 3 ? info.size() : 3;
        OctetsToXml(Outcome, SourceText, info.substr(llc), Options);  // without the LLC header
        if (Options.Map) {
            TOctetPlaces places;
            if (Options.MapSources) AppendHexPlaces(digits, start, places);
            // The information field ends before the check sequence and the flag.
            PlaceLastMap(Outcome, Options, places, frameOctets.size() - 3 - info.size() + llc, true);
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
        if (Options.MapSources) AppendHexPlaces(text, start, places);
        if (trace::StartsWithWrapper(octets)) {
            Outcome.Wrapped = true;
            return WrappedOctetsToXml(Outcome, SourceText, octets, Options, places);
        }
        if (StartsWithLlcHeader(octets)) {  // an information field copied without its frame
            if (Options.DescribeFrame) Outcome.FrameDescription.push_back(LlcHeaderDescription(octets));
            OctetsToXml(Outcome, SourceText, std::string_view(octets).substr(kLlcHeaderSize), Options, kLlcHeaderSize);
            if (Outcome.Kind == TTranslateOutcome::Translated) {
                const std::string comment = LlcHeaderComment(octets);
                Outcome.Text.insert(0, comment);
                PlaceLastMap(Outcome, Options, places, kLlcHeaderSize, true);
                if (Options.Map && !Outcome.Maps.empty()) {
                    Outcome.Maps.back().ShiftLines(LineFeeds(comment));
                    Outcome.Maps.back().FirstLine = 1;  // the comment is the unit's as well
                }
            }
            return;
        }
        OctetsToXml(Outcome, SourceText, octets, Options);
        return PlaceLastMap(Outcome, Options, places, 0, false);
    }
    const int64_t position = CharacterCount(text.substr(0, angle)) + 1;
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
    outcome.Line = 1;
    outcome.Column = 0;
    return outcome;
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
