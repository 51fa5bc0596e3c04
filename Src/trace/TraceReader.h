// Captures as users have them, line by line: each line is today's input (a
// hex APDU, an HDLC frame, XML), or a log line with text around its octets,
// or part of a hex dump, or one segment of an APDU spread over HDLC frames.
// The reader turns the lines into translated units, in order, holding no
// more than one dump block and the open segment sequences.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "HdlcJoin.h"
#include "HexDump.h"
#include "../translate/Translate.h"

namespace vantrel::trace {

enum class TInput { Hex, Frame, Wrapper, Dump, Xml };
std::string_view InputName(TInput Input) noexcept;  // "hex", "frame", "wrapper", "dump", "xml"

// Text whose first "<" opens no XML element: an arrow ("<-", "<<") of a log.
bool OpensNoElement(std::string_view Text) noexcept;

struct TTraceUnit {
    long long Line = 0;       // the line the unit is reported at: its last line
    long long FirstLine = 0;  // its first line
    std::string Lines;        // "lines 3-5" when several lines formed it, else empty
    std::string Label;        // a log line's text around its octets
    TInput Input = TInput::Hex;
    bool New = false;         // a form beyond a single hex, frame or XML line
    TTranslateOutcome Outcome;
};

class TTraceReader {
public:
    using TSink = std::function<void(TTraceUnit&)>;
    TTraceReader(const TTranslateOptions& Options, TSink Sink) : FOptions(Options), FSink(std::move(Sink)) {
        FDump.KeepPlaces = Options.Map && Options.MapSources;
    }

    // The next line (without its line break), numbered from 1; At: where it
    // stands in the whole text, for the sources of the units' maps.
    void Line(long long Number, std::string_view Text, uint64_t At = 0);
    // The input has ended: a dump block and broken sequences are reported.
    void Finish();

private:
    // Where the octets being read came from.
    struct TOrigin {
        long long Line = 0;
        long long FirstLine = 0;
        std::string Lines;
        std::string Label;
        bool Scanned = false;  // found by the log-line scanner
        bool Dump = false;     // read from a hex dump
        uint64_t At = 0;       // where the line stands in the whole text
    };
    TTraceUnit Unit(const TOrigin& Origin, TInput Input) const;
    void Octets(const TOrigin& Origin, std::string_view Text);
    bool Scan(const TOrigin& Origin, std::string_view Text);
    bool Scanned(const TOrigin& Origin, std::string_view Octets);
    bool Frames(const TOrigin& Origin, std::string_view Text, uint64_t TextAt);
    bool FrameOctets(const TOrigin& Origin, std::string_view Octets, bool TodayDecides);
    void OctetsOf(const TOrigin& Origin, std::string_view Octets);
    void Frame(const TOrigin& Origin, const TFrame& Frame, std::string_view FrameOctets);
    void Wrappers(const TOrigin& Origin, std::string_view Octets);
    // The octets being read are placed by Places (when sources are wanted).
    void PlaceFrom(const char* Octets, const TOctetPlaces* Places) noexcept {
        FPlacesOf = Octets;
        FPlaces = FOptions.MapSources ? Places : nullptr;
    }
    // The map of a unit just translated is of the APDU at Apdu, a view into
    // the octets being read; Unwrapped: from a frame or a WRAPPER header.
    void PlaceMap(TTranslateOutcome& Outcome, std::string_view Apdu, bool Unwrapped) const;
    void FlushDump();
    void Emit(TTraceUnit& Unit) {
        if (FCollect) FCollect->push_back(std::move(Unit));
        else FSink(Unit);
    }

    TTranslateOptions FOptions;
    TSink FSink;
    std::vector<TTraceUnit>* FCollect = nullptr;  // a log line's units, until they prove useful
    THexDump FDump;
    long long FDumpFirst = 0;
    long long FDumpLast = 0;
    THdlcJoiner FJoiner;
    std::string FOctets;                   // reused per line
    std::vector<std::string_view> FFrames; // reused per line
    std::vector<TFrame> FFrameList;        // reused per line
    TOctetPlaces FLinePlaces;              // of FOctets or a scanned line's octets, reused per line
    const char* FPlacesOf = nullptr;       // the octets being read
    const TOctetPlaces* FPlaces = nullptr; // where they stand, or null
};

}  // namespace vantrel::trace
