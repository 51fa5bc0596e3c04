// Data values: a large array of structures and a small Data value; the typical
// small APDUs, a GET request and its response.
#include "BenchSupport.h"

namespace {

using namespace vbench;

const std::string kLarge = LargeArray();
const std::string kLargeXml = ToXml(kLarge);
const std::string kSmall = Octets({0xFF, 0x02, 0x02, 0x12, 0x00, 0x08, 0x09, 0x06, 0x00, 0x00, 0x01, 0x00, 0x00, 0xFF});
const std::string kSmallXml = ToXml(kSmall);

// The typical small APDUs: a normal GET request and its response.
const std::string kGetRequest = Octets({0xC0, 0x01, 0xC1, 0x00, 0x08, 0x00, 0x00, 0x01, 0x00, 0x00, 0xFF, 0x02, 0x00});
const std::string kGetRequestXml = ToXml(kGetRequest);
const std::string kGetResponse = Octets({0xC4, 0x01, 0xC1, 0x00, 0x12, 0x00, 0x01});
const std::string kGetResponseXml = ToXml(kGetResponse);

void LargeArrayOctetsToXml(benchmark::State& s) { OctetsToXml(s, kLarge); }
void LargeArrayXmlToOctets(benchmark::State& s) { XmlToOctets(s, kLargeXml); }
// With the octet map: every element's octets and line kept beside the output.
void LargeArrayOctetsToXmlMapped(benchmark::State& s) { OctetsToXml(s, kLarge, VANTREL_MAP); }
void LargeArrayXmlToOctetsMapped(benchmark::State& s) { XmlToOctets(s, kLargeXml, VANTREL_MAP); }
void GetResponseOctetsToXmlMapped(benchmark::State& s) { OctetsToXml(s, kGetResponse, VANTREL_MAP); }
void SmallDataOctetsToXml(benchmark::State& s) { OctetsToXml(s, kSmall); }
void SmallDataXmlToOctets(benchmark::State& s) { XmlToOctets(s, kSmallXml); }

void GetRequestOctetsToXml(benchmark::State& s) { OctetsToXml(s, kGetRequest); }
void GetRequestXmlToOctets(benchmark::State& s) { XmlToOctets(s, kGetRequestXml); }
void GetResponseOctetsToXml(benchmark::State& s) { OctetsToXml(s, kGetResponse); }
void GetResponseXmlToOctets(benchmark::State& s) { XmlToOctets(s, kGetResponseXml); }

BENCHMARK(LargeArrayOctetsToXml)->Unit(benchmark::kMillisecond);
BENCHMARK(LargeArrayXmlToOctets)->Unit(benchmark::kMillisecond);
BENCHMARK(LargeArrayOctetsToXmlMapped)->Unit(benchmark::kMillisecond);
BENCHMARK(LargeArrayXmlToOctetsMapped)->Unit(benchmark::kMillisecond);
BENCHMARK(SmallDataOctetsToXml);
BENCHMARK(SmallDataXmlToOctets);
BENCHMARK(GetRequestOctetsToXml);
BENCHMARK(GetRequestXmlToOctets);
BENCHMARK(GetResponseOctetsToXml);
BENCHMARK(GetResponseXmlToOctets);
BENCHMARK(GetResponseOctetsToXmlMapped);

}  // namespace
