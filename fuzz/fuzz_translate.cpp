// Text → the translate command: any text ends in one of its outcomes. Hex
// octets that translate without a note give XML that translates back to the
// very same octets. The same octets, taken as a frame, must decode or fail
// cleanly, and a frame that decodes must build and decode back to the same
// fields. On a third of the texts, with the octet map: the same outcome, and
// every APDU's octets found at hex digits of the text, in order, or for XML
// at the output's.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Src/translate/Frame.h"
#include "Src/translate/HexText.h"
#include "Src/translate/LlcHeader.h"
#include "Src/translate/TranslateCommand.h"
#include "xmlPdu/INFRA/Errors.h"
#include "xmlPdu/INFRA/INFRAMisc.h"

namespace {

using namespace vantrel;

void Check(bool Condition) {
    if (!Condition) std::abort();
}

// Plain hex octets (no frame, WRAPPER or LLC header) that translate without
// a note: their XML gives them back.
void CheckWayBack(std::string_view Text, const TTranslateOutcome& Outcome) {
    if (Outcome.Kind != TTranslateOutcome::Translated || !Outcome.HexToXml || Outcome.Wrapped || !Outcome.Notes.empty())
        return;
    std::string octets;
    try {
        octets = TMisc::PastedHexToByteStr(Text);
    } catch (const EConvertError&) {
        return;  // a trace form
    }
    const size_t start = Text.find_first_not_of("\r\n ");
    if (octets.empty() || Text.substr(start, 2) == "7E" || Text.substr(start, 2) == "7e" || StartsWithLlcHeader(octets))
        return;
    const TTranslateOutcome back = TranslateText(Outcome.Text, false);
    Check(back.Kind == TTranslateOutcome::Translated && !back.HexToXml && back.Notes.empty());
    // Several APDUs one after the other come back a line of hex each.
    std::string hex = back.Text;
    std::erase(hex, '\r');
    std::erase(hex, '\n');
    Check(hex == RawBytesToHexStr(octets));
}

void CheckOutcome(std::string_view Text) {
    const TTranslateOutcome outcome = TranslateText(Text, true);
    int lines = 1;
    for (char c : Text) lines += c == '\r' || c == '\n';
    Check(outcome.Line >= 1 && outcome.Line <= lines && outcome.Column >= 0);
    Check(outcome.Column <= static_cast<int64_t>(Text.size()));
    const size_t start = Text.find_first_not_of("\r\n ");
    const bool frameText = start != std::string_view::npos && Text.substr(start, 2) == "7E";
    // Descriptions are of HDLC and M-Bus frames, WRAPPER and LLC headers only.
    for (const std::string& line : outcome.FrameDescription)
        Check(frameText || line.starts_with("Wrapper(") || line.starts_with("LLC(") || line.starts_with("Frame(") ||
              line.starts_with("MBus(") || line.starts_with("  ") || line == ")");
    // Notes may stand in XML comments: no '>' and no "--".
    for (const std::string& note : outcome.Notes)
        Check(outcome.Kind == TTranslateOutcome::Translated && note.find('>') == std::string::npos &&
              note.find("--") == std::string::npos);
    switch (outcome.Kind) {
    case TTranslateOutcome::Translated:
        if (!outcome.HexToXml) {
            // A line of hex digits per APDU, CR LF between them.
            for (size_t at = 0;;) {
                const size_t end = std::min(outcome.Text.find("\r\n", at), outcome.Text.size());
                const std::string_view line = std::string_view(outcome.Text).substr(at, end - at);
                Check(line.size() % 2 == 0 && line.find_first_not_of("0123456789ABCDEF") == std::string_view::npos);
                if (end == outcome.Text.size()) break;
                at = end + 2;
            }
        } else {
            Check(!outcome.Text.empty());
        }
        break;
    case TTranslateOutcome::EntryFailure:
    case TTranslateOutcome::HexFailure:
    case TTranslateOutcome::Beep:
        Check(!outcome.Text.empty());
        break;
    default:
        Check(false);
    }
    CheckWayBack(Text, outcome);
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

void CheckMaps(std::string_view Text) {
    const TTranslateOutcome plain = TranslateText(Text);
    const TTranslateOutcome mapped = TranslateText(Text, TTranslateOptions{.Map = true, .MapSources = true});
    Check(mapped.Kind == plain.Kind && mapped.Text == plain.Text && mapped.Line == plain.Line &&
          mapped.Column == plain.Column && mapped.Notes == plain.Notes);
    if (mapped.Kind != TTranslateOutcome::Translated) return;
    Check(!mapped.Maps.empty());
    uint32_t lines = 0;  // of the XML, or the source text
    for (char c : mapped.HexToXml ? std::string_view(mapped.Text) : Text) lines += c == '\n';
    for (const TUnitMap& map : mapped.Maps) {
        Check(map.FirstLine >= 1 && map.FirstLine <= map.LastLine && map.LastLine <= lines + 1);
        // None only for an APDU joined from blocks, which stands in several.
        Check(map.Sources.Size() == map.Octets || map.Sources.Size() == 0);
        const std::string_view hex = mapped.HexToXml ? Text : std::string_view(mapped.Text);
        for (size_t i = 0; i < map.Sources.Size(); ++i) {
            const uint32_t first = map.Sources.First[i], end = map.Sources.End[i];
            Check(first < end && end <= hex.size());
            // Two hex digits; or in a bytes literal an escape or a character;
            // or the star of a dump's "*" line, where all it leaves out stand.
            const bool digits = end - first >= 2 && IsHexDigit(hex[first]) && IsHexDigit(hex[end - 1]);
            const bool star = hex[first] == '*' && end == first + 1;
            Check(digits || hex[first] == '\\' || end == first + 1);
            Check(i == 0 || map.Sources.End[i - 1] <= first || (star && map.Sources.First[i - 1] == first));
        }
        for (const VantrelMapEntry& e : map.Entries)
            Check(e.Line >= map.FirstLine && e.LastLine <= map.LastLine && e.Line <= e.LastLine &&
                  (e.Plaintext != VANTREL_MAP_NONE || (e.Offset <= map.Octets && e.Length <= map.Octets - e.Offset)));
    }
}

void CheckFrame(std::string_view Octets) {
    TFrame frame;
    try {
        frame.SetFromPduByteStr(Octets);
    } catch (const EFrame&) {
        return;
    }
    std::vector<std::string> lines;
    frame.GetAsStrings(lines, 1);
    Check(lines.size() >= 3);
    const int dst = frame.DstAddress().Size;
    const int src = frame.SrcAddress().Size;
    if (dst < 1 || dst > 5 || src < 1 || src > 5) return;
    const std::string built = frame.GetPDUByteStr();
    TFrame back;
    back.SetFromPduByteStr(built);
    Check(back.Kind() == frame.Kind() && back.Control() == frame.Control());
    Check(back.DstAddress() == frame.DstAddress() && back.SrcAddress() == frame.SrcAddress());
    Check(back.Segmented() == frame.Segmented() && back.PollFinal() == frame.PollFinal());
    Check(back.RSequenceNr() == frame.RSequenceNr() && back.SSequenceNr() == frame.SSequenceNr());
    Check(back.Data() == frame.Data());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > 1 << 20) return 0;
    const std::string_view input(reinterpret_cast<const char*>(Data), Size);
    CheckOutcome(input);
    if (Size % 3 == 0) CheckMaps(input);
    CheckFrame(input);
    return 0;
}
