// Meters' pushes: data notifications with the standard date-time and with the
// typed one (read after the standard reading fell short), and a push with
// octets after its end (the comment that names them).
#include "BenchSupport.h"

namespace {

using namespace vbench;

std::string FromHex(const char* Hex) {
    std::string s;
    for (const char* p = Hex; p[0] && p[1]; p += 2) s += static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16));
    return s;
}

// Kamstrup and Kaifa pushes (HAN-port decoder test data, github.com/toreamun/amshan).
const std::string kStandard = FromHex(
    "0F000000000C07E1081003100005FF800000020F0A0E4B616D73747275705F563030303109060101000005FF0A1035373036353637303030"
    "30303030303009060101600101FF0A1230303030303030303030303030303030303009060101010700FF0600000000090601011F0700FF06"
    "0000000009060101200700FF12000009060001010000FF090C07E1081003100005FF80000009060101010800FF0600000000");
const std::string kTyped = FromHex(
    "0F40000000090C07E40119060E000AFF800000021209074B464D5F30303109103639373036333134303236313434373609084D4133303448"
    "33450600001328060000000006000000000600000179060000" "38EB0600003D1B06000025350600000891060000000006000008"
    "9D090C07E40119060E000AFF8000000604BE76E8060000000006000D922D060030FEB4");
const std::string kStandardXml = ToXml(kStandard);
const std::string kTypedXml = ToXml(kTyped);
const std::string kWithOctetsAfter = kStandard + std::string(100, '\x7E');

void StandardPushOctetsToXml(benchmark::State& s) { OctetsToXml(s, kStandard); }
void StandardPushXmlToOctets(benchmark::State& s) { XmlToOctets(s, kStandardXml); }
void TypedDateTimePushOctetsToXml(benchmark::State& s) { OctetsToXml(s, kTyped); }
void TypedDateTimePushXmlToOctets(benchmark::State& s) { XmlToOctets(s, kTypedXml); }
void PushWithOctetsAfterToXml(benchmark::State& s) { OctetsToXml(s, kWithOctetsAfter); }

BENCHMARK(StandardPushOctetsToXml);
BENCHMARK(StandardPushXmlToOctets);
BENCHMARK(TypedDateTimePushOctetsToXml);
BENCHMARK(TypedDateTimePushXmlToOctets);
BENCHMARK(PushWithOctetsAfterToXml);

}  // namespace
