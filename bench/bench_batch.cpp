// Many small APDUs: one PduToXml call each, and a VantrelBatch with 0 and 1
// threads of its own (the caller translating what they leave), as the Python
// package reads it: parts of 256, 8,192 APDUs a batch. Rates are APDUs per
// second of wall time; on two cores the one-thread batch should come near
// twice the rate of the other two.
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace {

using namespace vbench;

struct TInput {
    TInput() {
        const std::string kTypical[] = {
            Octets({0xC0, 0x01, 0xC1, 0x00, 0x08, 0x00, 0x00, 0x01, 0x00, 0x00, 0xFF, 0x02, 0x00}),
            Octets({0xC4, 0x01, 0xC1, 0x00, 0x06, 0x00, 0x00, 0x30, 0x39}),
            Octets({0xC4, 0x01, 0xC1, 0x00, 0x02, 0x03, 0x09, 0x0C, 0x07, 0xE8, 0x0C, 0x08, 0x02, 0x10,
                    0x1E, 0x00, 0x00, 0x80, 0x00, 0x00, 0x06, 0x00, 0x01, 0x23, 0x45, 0x12, 0xFF, 0xFF}),
            Octets({0xC2, 0x01, 0x0C, 0x07, 0xE8, 0x0C, 0x08, 0x02, 0x10, 0x1E, 0x00, 0x00, 0x80, 0x00,
                    0x00, 0x00, 0x01, 0x00, 0x00, 0x60, 0x0A, 0x01, 0xFF, 0x02, 0x11, 0x05}),
        };
        for (int i = 0; i < kCount; ++i) {
            const std::string& apdu = kTypical[i % std::size(kTypical)];
            Joined += apdu;
            Sizes.push_back(static_cast<uint32_t>(apdu.size()));
        }
    }
    static constexpr int kCount = 8192;
    static constexpr uint32_t kPart = 256;
    std::string Joined;
    std::vector<uint32_t> Sizes;
    const uint8_t* Data() const { return reinterpret_cast<const uint8_t*>(Joined.data()); }
};
const TInput kInput;

void ManySmallOneCallEach(benchmark::State& State) {
    for (auto _ : State) {
        const uint8_t* apdu = kInput.Data();
        for (uint32_t size : kInput.Sizes) {
            VantrelStream* stream = nullptr;
            TTranslationError error;
            PduToXml(apdu, size, &stream, &error);
            VantrelStreamFree(stream);
            apdu += size;
        }
    }
    State.SetItemsProcessed(static_cast<int64_t>(State.iterations()) * TInput::kCount);
}

void ManySmallBatch(benchmark::State& State) {
    VantrelBatch* batch = VantrelBatchNew(static_cast<uint32_t>(State.range(0)));
    const uint32_t parts = (TInput::kCount + TInput::kPart - 1) / TInput::kPart;
    for (auto _ : State) {
        VantrelBatchStart(batch, kInput.Data(), kInput.Sizes.data(), TInput::kCount, nullptr, 0, TInput::kPart);
        for (uint32_t part = 0; part < parts; ++part) {
            const char* text = nullptr;
            VantrelBatchPart(batch, part, &text, nullptr, nullptr);
            benchmark::DoNotOptimize(text);
        }
    }
    VantrelBatchFree(batch);
    State.SetItemsProcessed(static_cast<int64_t>(State.iterations()) * TInput::kCount);
}

}  // namespace

BENCHMARK(ManySmallOneCallEach)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ManySmallBatch)->Arg(0)->Arg(1)->ArgName("threads")->Unit(benchmark::kMillisecond)->UseRealTime();
