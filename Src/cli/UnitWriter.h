// The command line's output of translated units (a line of a capture log, a
// dump block, a joined APDU, a packet's APDU): plain text as --each-line has
// always written it, or one JSON object per unit (JSON Lines).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "../join/BlockJoin.h"
#include "../translate/Translate.h"

namespace vantrel::cli {

// Where a unit came from.
struct TUnitPlace {
    std::string_view Where = "line";  // "line" or "packet"
    long long Number = 0;             // the line (its last) or the packet
    long long FirstLine = 0;          // of lines: the first
    std::string_view Lines;           // "lines 3-5" when several lines formed the unit
    std::string_view Label;           // a log line's text around its octets; a packet's time and addresses
    std::string_view Input;           // "hex", "frame", "wrapper", "dump", "xml", "pcap"
    // Of packets.
    std::string_view Time;
    std::string_view Source;
    std::string_view Destination;
    // Of a joined APDU: the lines or packets of its blocks.
    const std::vector<long long>* JoinedFrom = nullptr;
};

class TUnitWriter {
public:
    TUnitWriter(FILE* Out, bool Json) : FOut(Out), FJson(Json) {}

    void Write(const TUnitPlace& Place, const TTranslateOutcome& Outcome);
    // The unit that follows the last block of a transfer: the joined APDU
    // ("line 12: joined from lines 4, 8, 12"), or why it was not joined
    // ("line 12: not joined: ..."; neither a translation nor a failure).
    void WriteJoined(const join::TJoinedUnit& Unit, std::string_view Where = "line");
    // A message of the input itself (a truncated capture, a stream that is
    // no WRAPPER): counts as a failure.
    void WriteProblem(const TUnitPlace& Place, std::string_view Message);

    long long Translated() const noexcept { return FTranslated; }
    long long Failed() const noexcept { return FFailed; }
    long long Skipped() const noexcept { return FSkipped; }
    long long Units() const noexcept { return FTranslated + FFailed + FSkipped; }

private:
    void Put(std::string_view Text) { std::fwrite(Text.data(), 1, Text.size(), FOut); }
    void PutLine(std::string_view Text) {
        Put(Text);
        std::fputc('\n', FOut);
    }
    void PutDescription(const TTranslateOutcome& Outcome);  // the --frame lines, escaped
    // Before goes in front of the XML (a joined unit's comment).
    void WriteJson(const TUnitPlace& Place, const TTranslateOutcome* Outcome, std::string_view Problem,
                   std::string_view Before = {});

    FILE* FOut;
    bool FJson;
    long long FTranslated = 0;
    long long FFailed = 0;
    long long FSkipped = 0;
    std::string FHead;  // reused
};

// The element name that opens XML text ("GetRequest"), empty when none.
std::string_view RootElementName(std::string_view Xml) noexcept;

}  // namespace vantrel::cli
