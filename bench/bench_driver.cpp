// The translate command: a 1 MB APDU pasted as hex text with blanks, dashes
// and line breaks, and the lines of a capture log.
#include "BenchSupport.h"

#include "Src/translate/TranslateCommand.h"

namespace {

// A Data octet string of 1,000,000 octets (1,000,006 octets of APDU), its
// octets written "0A 1B-2C ..." with a line break after every 32: about 3 MB.
std::string PastedMegabyteApdu() {
    std::string octets = vbench::Octets({0xFF, 0x09, 0x83, 0x0F, 0x42, 0x40});
    for (int i = 0; i < 1000000; ++i) octets += static_cast<char>(i * 7);
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(octets.size() * 3);
    for (size_t i = 0; i < octets.size(); ++i) {
        const auto c = static_cast<unsigned char>(octets[i]);
        text += kDigits[c >> 4];
        text += kDigits[c & 15];
        text += i % 32 == 31 ? "\r\n" : i % 2 ? "-" : " ";
    }
    return text;
}

void Translate(benchmark::State& State, const std::string& Text, const vantrel::TTranslateOptions& Options = {}) {
    for (auto _ : State) {
        const auto outcome = vantrel::TranslateText(Text, Options);
        if (outcome.Kind != vantrel::TTranslateOutcome::Translated) State.SkipWithError(outcome.Text.c_str());
        benchmark::DoNotOptimize(outcome.Text.data());
    }
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Text.size()));
}

const std::string kPasted = PastedMegabyteApdu();
// A UI frame carrying a Data structure, as one line of a capture log.
const std::string kFrameLine =
    "7E A0 2A 03 21 13 DB 81 E6 E6 00 FF 02 04 09 0C 07 E8 0C 08 02 10 1E 00 00 80 00 00 06 00 01 23 45 06 00 00 12 "
    "34 10 FF 01 EF 6A 7E";

void PastedMegabyteHexToXml(benchmark::State& s) { Translate(s, kPasted); }
// With the octet map and every octet's place in the text, as the window asks.
void PastedMegabyteHexToXmlMapped(benchmark::State& s) {
    Translate(s, kPasted, vantrel::TTranslateOptions{.Map = true, .MapSources = true});
}
void CaptureLogFrameLine(benchmark::State& s) { Translate(s, kFrameLine); }

BENCHMARK(PastedMegabyteHexToXml)->Unit(benchmark::kMillisecond);
BENCHMARK(PastedMegabyteHexToXmlMapped)->Unit(benchmark::kMillisecond);
BENCHMARK(CaptureLogFrameLine);

}  // namespace
