// The pieces of the translate command: one input classified (HDLC frame,
// hex octets or XML) and translated through the entry points, and the
// outcome that says what the caller shows: the destination text, a failure
// with its caret position, a hex conversion failure, or a beep. The readers
// of traces and the block joiner build on these; the translate command
// (TranslateCommand.h) builds on them all.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "UnitMap.h"

struct VantrelKeys;

namespace vantrel {

class TFrame;
class TDecodedHook;
namespace trace {
struct TWrapperHeader;
}

// How the translate command translates.
struct TTranslateOptions {
    bool DescribeFrame = false;          // add an HDLC frame's description to the outcome
    bool Annotate = false;               // XML comments explaining values
    const VantrelKeys* Keys = nullptr;   // keys for ciphered APDUs; null: none
    bool Map = false;                    // the octet map of every APDU translated (TTranslateOutcome::Maps)
    bool MapSources = false;             // with it, where the octets stand in the hex text
    // Looks at each APDU decoded from octets (the block joiner's reader);
    // its mark is the outcome's Hooked.
    TDecodedHook* Hook = nullptr;
};

// The link an APDU came by, as far as its input says: the addresses of its
// HDLC frame, the wPorts of its WRAPPER header, or the direction of an LLC
// header copied with it. Readers that follow conversations key on it.
struct TApduLink {
    enum TKind : uint8_t { None, Hdlc, Wrapper, Llc };
    TKind Kind = None;
    uint32_t Source = 0;       // HDLC: upper address << 16 | lower; WRAPPER: wPort; LLC: the source LSAP
    uint32_t Destination = 0;  // the same of the destination (LLC: E6)
};

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
    // The entry point's position of a failure: after hex, the 1-based octet of
    // the APDU where decoding stopped; after XML, the 0-based byte of the text
    // (without its leading blanks) not yet read.
    int Position = 0;
    // Of a failure, when known: the field that was being read ("InstanceId").
    std::string Field;
    bool HexToXml = true;  // the direction taken (or that would have been taken)
    // A beep for a well-formed HDLC frame that carries no whole APDU: a frame
    // other than I or UI, or one segment of a longer APDU. Of the trace
    // reader's units also an M-Bus frame without one, and a line of a log's
    // own text: nothing to translate, and no failure.
    bool FrameWithoutApdu = false;
    // The octets were WRAPPER PDUs (DLMS over TCP or UDP), unwrapped.
    bool Wrapped = false;
    // Only when asked for: the description of the HDLC frame the text held,
    // whenever it decoded (also when it carried nothing to translate).
    std::vector<std::string> FrameDescription;
    // What the user should know of a translation that succeeded, one line
    // each (octets after the end of the APDU, for example).
    std::vector<std::string> Notes;
    // With keys, of an AARQ or AARE translated to XML: the system title it
    // names for its sender (8 octets), for the APDUs of the association that
    // follow. Empty otherwise.
    std::string ClientSystemTitle;
    std::string ServerSystemTitle;
    // Of octets translated to XML: the marks Options.Hook gave the APDUs of
    // the unit, from Hooked to HookedLast (0: none; marks go to blocks only,
    // one after the other), and the link they came by.
    uint64_t Hooked = 0;
    uint64_t HookedLast = 0;
    TApduLink Link;
    // With TTranslateOptions::Map, of a translation: one map per APDU whose
    // XML (or hex) the text holds, in that order. Sources are byte positions
    // in the source text for octets to XML (a unit read from a trace: in the
    // whole text when its lines were given with their positions), in Text
    // for XML to octets.
    std::vector<TUnitMap> Maps;
};

// Today's rules alone, for one piece of text: an HDLC frame, XML, or hex
// octets (WRAPPER PDUs unwrapped); no traces, dumps or log lines.
TTranslateOutcome TranslateSingle(std::string_view SourceText, const TTranslateOptions& Options);
// The octets of one APDU to XML; a failure has its Position, no caret. Its
// map, when asked for, has no sources: the caller knows where the octets were.
TTranslateOutcome TranslateOctets(std::string_view Octets, const TTranslateOptions& Options);
// Moves every source position of the outcome's maps by Shift (a piece of text
// translated on its own, that stands at Shift in a larger one).
void ShiftSources(TTranslateOutcome& Outcome, int64_t Shift) noexcept;

// The link of an APDU carried by Frame, or by a WRAPPER PDU with Header.
TApduLink FrameLink(const TFrame& Frame) noexcept;
TApduLink WrapperLink(const trace::TWrapperHeader& Header) noexcept;

// The caret after walking the first Index characters of Text (UTF-8; one
// character is one encoded sequence): a carriage return starts a new line at
// column 0, every other character adds one column. A line feed that does not
// follow a carriage return starts a new line as well, at column 1, where a
// carriage return and line feed pair would have left the caret.
void GotoIndex(std::string_view Text, int64_t Index, int& Line, int& Column);

}  // namespace vantrel
