// Logical-name services: a GET response carrying a 1 MB data block, and a
// GET request for a list of 500 attributes.
#include "BenchSupport.h"

namespace {

using namespace vbench;

// GetResponseWithDataBlock: the last block, number 1, with 1 MB of raw data.
std::string LargeDataBlock() {
    constexpr int kSize = 1 << 20;
    std::string s = Octets({0xC4, 0x02, 0xC1, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x83, kSize >> 16, 0x00, 0x00});
    s.reserve(s.size() + kSize);
    for (int i = 0; i < kSize; ++i) s += static_cast<char>((i * 131 + (i >> 8)) & 0xFF);
    return s;
}

// GetRequestWithList of 500 register values, every fourth one with a
// selective access (selector 1, a long-unsigned parameter).
std::string ListOf500() {
    std::string s = Octets({0xC0, 0x03, 0xC1, 0x82, 0x01, 0xF4});
    for (int i = 0; i < 500; ++i) {
        s += Octets({0x00, 0x03, 0x01, 0x00, (i >> 8) & 0xFF, i & 0xFF, 0x08, 0xFF, 0x02});
        if (i % 4 == 0) s += Octets({0x01, 0x01, 0x12, 0x00, i & 0xFF});
        else s += Octets({0x00});
    }
    return s;
}

const std::string kBlock = LargeDataBlock();
const std::string kBlockXml = ToXml(kBlock);
const std::string kList = ListOf500();
const std::string kListXml = ToXml(kList);

void DataBlock1MBOctetsToXml(benchmark::State& s) { OctetsToXml(s, kBlock); }
void DataBlock1MBXmlToOctets(benchmark::State& s) { XmlToOctets(s, kBlockXml); }
void GetWithList500OctetsToXml(benchmark::State& s) { OctetsToXml(s, kList); }
void GetWithList500XmlToOctets(benchmark::State& s) { XmlToOctets(s, kListXml); }

BENCHMARK(DataBlock1MBOctetsToXml)->Unit(benchmark::kMillisecond);
BENCHMARK(DataBlock1MBXmlToOctets)->Unit(benchmark::kMillisecond);
BENCHMARK(GetWithList500OctetsToXml)->Unit(benchmark::kMicrosecond);
BENCHMARK(GetWithList500XmlToOctets)->Unit(benchmark::kMicrosecond);

}  // namespace
