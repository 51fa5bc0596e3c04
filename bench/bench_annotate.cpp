// The cost of annotations: the large Data array of bench_data.cpp and a GET
// request translated with and without VANTREL_ANNOTATE.
#include "BenchSupport.h"

namespace {

using namespace vbench;

const std::string kLarge = LargeArray();
const std::string kGetRequest = Octets({0xC0, 0x01, 0xC1, 0x00, 0x08, 0x00, 0x00, 0x01, 0x00, 0x00, 0xFF, 0x02, 0x00});

void Translate(benchmark::State& State, const std::string& Pdu, uint32_t Flags) {
    for (auto _ : State) {
        VantrelStream* stream = nullptr;
        TTranslationError error;
        PduToXmlEx(reinterpret_cast<const uint8_t*>(Pdu.data()), static_cast<uint32_t>(Pdu.size()), nullptr, Flags,
                   &stream, &error);
        if (error.Code != 0) State.SkipWithError(error.Message);
        VantrelStreamFree(stream);
    }
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * Pdu.size()));
}

void LargeArrayPlain(benchmark::State& s) { Translate(s, kLarge, 0); }
void LargeArrayAnnotated(benchmark::State& s) { Translate(s, kLarge, VANTREL_ANNOTATE); }
void GetRequestPlain(benchmark::State& s) { Translate(s, kGetRequest, 0); }
void GetRequestAnnotated(benchmark::State& s) { Translate(s, kGetRequest, VANTREL_ANNOTATE); }

BENCHMARK(LargeArrayPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(LargeArrayAnnotated)->Unit(benchmark::kMillisecond);
BENCHMARK(GetRequestPlain);
BENCHMARK(GetRequestAnnotated);

}  // namespace
