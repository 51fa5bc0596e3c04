// Captures as users have them, line by line: each line is today's input (a
// hex APDU, an HDLC frame, XML), or a log line with text around its octets
// (a Python bytes literal among them), or part of a hex dump, or one segment
// of an APDU spread over HDLC frames or wired M-Bus frames, or one of the
// lines a frame is wrapped over. The reader turns the lines into translated
// units, in order, holding no more than one dump block, one frame being
// gathered over lines and the open segment sequences, each with its bound.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "HdlcJoin.h"
#include "HexDump.h"
#include "LogLine.h"
#include "MBus.h"
#include "../translate/Translate.h"

namespace vantrel::trace {

enum class TInput { Hex, Frame, Wrapper, Dump, Xml, MBus, Text };
// "hex", "frame", "wrapper", "dump", "xml", "mbus", "text".
std::string_view InputName(TInput Input) noexcept;

// Text whose first "<" opens no XML element: an arrow ("<-", "<<") of a log.
bool OpensNoElement(std::string_view Text) noexcept;

struct TTraceUnit {
    long long Line = 0;       // the line the unit is reported at: its last line
    long long FirstLine = 0;  // its first line
    std::string Lines;        // "lines 3-5" when several lines formed it, else empty
    std::string Label;        // a log line's text around its octets
    TInput Input = TInput::Hex;
    bool New = false;         // a form beyond a single hex, frame or XML line
    // Of octets read out of a log line: the characters before them on it,
    // for the caret of a failure.
    long long OctetsColumn = 0;
    TTranslateOutcome Outcome;
};

// The most text the lines of one frame gathered over lines may have; a frame
// is at most 2 KiB of octets, but log lines carry their text besides.
inline constexpr size_t kMaxGatheredText = 64u << 10;

class TTraceReader {
public:
    using TSink = std::function<void(TTraceUnit&)>;
    TTraceReader(const TTranslateOptions& Options, TSink Sink)
        : FOptions(Options), FSink(std::move(Sink)), FPlacing(Options.Map && Options.MapSources) {
        FDump.KeepPlaces = FPlacing;
    }

    // The next line (without its line break), numbered from 1. At: where it
    // stands in the whole text, for the places of the units' octets
    // (TTranslateOptions::MapSources).
    void Line(long long Number, std::string_view Text, uint64_t At = 0);
    // The input has ended: a dump block, a frame cut short and broken
    // sequences are reported.
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
        long long Column = 0;  // characters before the scanned octets
    };
    // A frame whose octets end before its length field says: the lines that
    // continue it are gathered until it is whole.
    enum class TFormat { None, Hdlc, MBus };
    struct TGather {
        TFormat Format = TFormat::None;
        std::string Octets;
        size_t Opening = 0;  // the octets of the first line
        long long FirstLine = 0;
        long long LastLine = 0;
        std::string Label;
        bool FromLineStart = false;  // the frame opened its first line's octets
        // The lines taken, to be read again on their own when they prove no
        // continuation: their texts back to back.
        std::string Texts;
        struct TTaken {
            long long Number;
            size_t End;
            uint64_t At;  // where the line stands in the whole text
        };
        std::vector<TTaken> Taken;
        // Where Octets stand, when placed (as many as Octets; empty otherwise).
        TOctetPlaces Places;
        bool Active() const noexcept { return Format != TFormat::None; }
    };
    struct TReplay {
        long long Number;
        std::string Text;
        bool Alone;  // read without gathering the lines after it
        uint64_t At;
    };
    // The octets being read and their places (null when not placed) while
    // it lives; the units made of them find their octets' places there.
    class TReading {
    public:
        TReading(TTraceReader& Reader, std::string_view Octets, const TOctetPlaces* Places) noexcept
            : FReader(Reader), FOctets(Reader.FReading), FPlaces(Reader.FPlaces) {
            Reader.FReading = Octets;
            Reader.FPlaces = Reader.FPlacing && Places && Places->Size() == Octets.size() ? Places : nullptr;
        }
        ~TReading() {
            FReader.FReading = FOctets;
            FReader.FPlaces = FPlaces;
        }
        TReading(const TReading&) = delete;
        TReading& operator=(const TReading&) = delete;

    private:
        TTraceReader& FReader;
        std::string_view FOctets;
        const TOctetPlaces* FPlaces;
    };

    TTraceUnit Unit(const TOrigin& Origin, TInput Input) const;
    void Process(long long Number, std::string_view Text, bool Alone, uint64_t At);
    void Drain();
    void Octets(const TOrigin& Origin, std::string_view Text);
    bool Scan(const TOrigin& Origin, std::string_view Text, bool KeepFailures);
    bool BytesLiteral(const TOrigin& Origin, std::string_view Text);
    // Whether a log line's octets that only fail still replace today's outcome.
    enum class TKeep { No, IfLogText, Yes };
    bool Scanned(const TOrigin& Origin, std::string_view Octets, TKeep Keep);
    bool Frames(const TOrigin& Origin, std::string_view Text);
    bool FrameOctets(const TOrigin& Origin, std::string_view Octets, bool TodayDecides);
    bool MBusOctets(const TOrigin& Origin, std::string_view Octets);
    void OctetsOf(const TOrigin& Origin, std::string_view Octets);
    // A frame decoded from Octets (its octets from flag to flag, a view
    // into the octets being read where their places are known).
    void Frame(const TOrigin& Origin, const TFrame& Frame, std::string_view Octets);
    // FrameAt: where the frame stands in the octets being read (npos: not there).
    void MBusFrame(const TOrigin& Origin, const TMBusFrame& Frame, size_t FrameAt = std::string_view::npos);
    // Where View, a part of the line being read, stands in the whole text.
    uint64_t TextAt(std::string_view View) const noexcept {
        const bool inLine = !FText.empty() && View.data() >= FText.data() && View.data() <= FText.data() + FText.size();
        return FTextAt + (inLine ? static_cast<uint64_t>(View.data() - FText.data()) : 0);
    }
    // Where View stands in the octets being read; npos when it is not in them.
    size_t ReadingIndex(std::string_view View) const noexcept;
    // The maps of an outcome just translated from the APDU at ApduAt of the
    // octets Places places (null or npos: not placed), at Unwrapped of the
    // octets it was unwrapped from (npos: not unwrapped); an APDU after
    // another one in the same octets counts from there.
    void PlaceMap(TTranslateOutcome& Outcome, const TOctetPlaces* Places, size_t ApduAt, size_t Unwrapped) const;
    void Wrappers(const TOrigin& Origin, std::string_view Octets);
    void NoOctets(long long Number, std::string_view Text);
    void FlushDump();
    // Gathering a frame over lines.
    void StartGather(const TOrigin& Origin, TFormat Format, std::string_view Octets, bool FromLineStart);
    bool Continue(long long Number, std::string_view Text);
    void Advance(long long Number, std::string_view Text, const TOctetRun& Run);
    size_t EndGather();
    size_t Replay();
    void GatherFailure(const TOrigin& Origin, std::string Message);
    TOrigin GatherOrigin() const;
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
    TMBusJoiner FMBus;
    TGather FGather;
    std::deque<TReplay> FReplay;           // lines to read again, in order
    std::string_view FText;                // the line being read
    bool FAlone = false;                   // it is read again on its own
    bool FMidLine = false;                 // the octets read follow a frame on their line
    std::string FOctets;                   // reused per line
    std::string FLineOctets;               // reused per line
    std::string FRest;                     // reused per line
    std::vector<std::string_view> FFrames; // reused per line
    std::vector<TFrame> FFrameList;        // reused per line
    // Places: only with MapSources.
    bool FPlacing = false;
    uint64_t FTextAt = 0;                  // where the line being read stands in the whole text
    std::string_view FReading;             // the octets being read (TReading)
    const TOctetPlaces* FPlaces = nullptr; // and their places
    TOctetPlaces FLinePlaces;              // of a line's octets, reused per line
    TOctetPlaces FRestPlaces;              // of the octets after a gathered frame
};

}  // namespace vantrel::trace
