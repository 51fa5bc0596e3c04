// Captures line by line: a mixed log (log lines with timestamps around HDLC
// frames, a WRAPPER line, plain hex, segments joined across lines, a dump
// block), and the forms pasted from the field (frames wrapped over lines,
// M-Bus frames, bytes literals, log text) through the trace reader, as
// --each-line reads them.
#include "BenchSupport.h"

#include <string_view>

#include "Src/trace/TraceReader.h"

namespace {

// One round of the mixed log, about 1 kB.
const std::string kMixedLog =
    "2026-01-01 12:00:00.123 TX: 7E A0 19 03 21 32 6F D8 E6 E6 00 C0 01 C1 00 08 00 00 01 00 00 FF 02 00 60 1A 7E\n"
    "2026-01-01 12:00:00.180 RX: 7E A0 2A 03 21 13 DB 81 E6 E6 00 FF 02 04 09 0C 07 E8 0C 08 02 10 1E 00 00 80 00 00 "
    "06 00 01 23 45 06 00 00 12 34 10 FF 01 EF 6A 7E\n"
    "C4 01 C1 00 06 00 00 30 39\n"
    "[12:00:01.001] Send -> 00 01 00 10 00 01 00 0D C0 01 C1 00 08 00 00 01 00 00 FF 02 00\n"
    "12:00:02 RX: 7E A8 11 21 03 30 85 E2 E6 E7 00 C4 01 C1 00 09 F1 34 7E\n"
    "12:00:02 TX: 7E A0 07 03 21 51 11 E4 7E\n"
    "12:00:02 RX: 7E A8 10 21 03 32 2C DD 0C 41 42 43 44 45 46 AC 98 7E\n"
    "12:00:02 RX: 7E A0 0F 21 03 34 62 93 47 48 49 4A 4B 4C 0F B6 7E\n"
    "00000000  00 01 00 10 00 01 00 0d  c0 01 c1 00 08 00 00 01  |................|\n"
    "00000010  00 00 ff 02 00                                    |.....|\n"
    "\n";

// One round of the forms pasted from the field, about 0.5 kB: a frame
// wrapped 16 octets a line with labels, two M-Bus frames on one line, a
// Python bytes literal, a log's own text, two APDUs back to back.
const std::string kPasteLog =
    "(V) 7E A0 2A 03 21 13 DB 81  E6 E6 00 FF 02 04 09 0C\n"
    "(V) 07 E8 0C 08 02 10 1E 00  00 80 00 00 06 00 01 23\n"
    "(V) 45 06 00 00 12 34 10 FF  01 EF 6A 7E\n"
    "68 0E 0E 68 53 FF 00 01 67 C0 01 C1 00 08 00 00 01 00 45 16 68 09 09 68 53 FF 11 01 67 00 FF 02 00 CC 16\n"
    "2024-03-21 12:13:17 [debug    ] Received data data=b'~\\xa0\\x19\\x03!2o\\xd8\\xe6\\xe6\\x00\\xc0\\x01\\xc1"
    "\\x00\\x08\\x00\\x00\\x01\\x00\\x00\\xff\\x02\\x00`\\x1a~'\n"
    "16:41:39 Data send failed. Try to resend 1/3\n"
    "RX: C0 01 C1 00 08 00 00 01 00 00 FF 02 00 C4 01 C1 00 06 00 00 30 39\n";

void EachLine(benchmark::State& State, const std::string& Log) {
    long long failed = 0;
    for (auto _ : State) {
        vantrel::trace::TTraceReader reader({}, [&](vantrel::trace::TTraceUnit& Unit) {
            failed += Unit.Outcome.Kind != vantrel::TTranslateOutcome::Translated && !Unit.Outcome.FrameWithoutApdu;
            benchmark::DoNotOptimize(Unit.Outcome.Text.data());
        });
        long long number = 0;
        const std::string_view text = Log;
        for (size_t at = 0; at < text.size();) {
            const size_t end = text.find('\n', at);
            reader.Line(++number, text.substr(at, end - at));
            at = end + 1;
        }
        reader.Finish();
    }
    if (failed) State.SkipWithError("a line of the log did not translate");
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Log.size()));
}

void MixedLogEachLine(benchmark::State& State) { EachLine(State, kMixedLog); }
void PasteFormsEachLine(benchmark::State& State) { EachLine(State, kPasteLog); }

BENCHMARK(MixedLogEachLine);
BENCHMARK(PasteFormsEachLine);

}  // namespace
