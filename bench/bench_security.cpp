// Ciphered APDUs: a 64 kB GetResponse in the clear, and the same APDU as
// glo_GetResponse deciphered and enciphered with keys (and without keys, as
// opaque octets). Deciphering should cost little beside the translation.
#include "BenchSupport.h"

namespace {

using namespace vbench;

// A GetResponse whose Data is an array of 2,730 structures of a date-time,
// a double-long-unsigned and a long: about 64 kB of octets.
std::string LargeGetResponse() {
    std::string s = Octets({0xC4, 0x01, 0xC1, 0x00, 0x01, 0x82, 0x0A, 0xAA});
    for (int i = 0; i < 0x0AAA; ++i) {
        s += Octets({0x02, 0x03, 0x09, 0x0C, 0x07, 0xE8, 0x0C, 0x08, 0x02, 0x10, 0x1E, 0x00, 0x00, 0x80, 0x00, 0x00});
        s += Octets({0x06, 0x00, 0x01, (i >> 8) & 0xFF, i & 0xFF});
        s += Octets({0x10, 0xFF, i & 0xFF});
    }
    return s;
}

struct TKeySet {
    TKeySet() : Keys(VantrelKeysNew()) {
        TTranslationError e;
        VantrelKeysSet(Keys, "BlockCipherKey", "000102030405060708090A0B0C0D0E0F", &e);
        VantrelKeysSet(Keys, "AuthenticationKey", "D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF", &e);
        VantrelKeysSet(Keys, "ServerSystemTitle", "4D4D4D0000BC614E", &e);
    }
    ~TKeySet() { VantrelKeysFree(Keys); }
    VantrelKeys* Keys;
};
const TKeySet kKeys;

const std::string kPlain = LargeGetResponse();
const std::string kPlainXml = ToXml(kPlain);

// The same response in the clear inside glo_GetResponse, as XML.
std::string ClearXml() {
    std::string xml = "<glo_GetResponse>\r\n  <SecurityControl Value=\"30\" />\r\n"
                      "  <InvocationCounter Value=\"01234567\" />\r\n"
                      "  <SystemTitle Value=\"4D4D4D0000BC614E\" />\r\n";
    for (size_t at = 0; at < kPlainXml.size();) {
        const size_t end = kPlainXml.find('\n', at) + 1;
        xml += "  " + kPlainXml.substr(at, end - at);
        at = end;
    }
    return xml + "</glo_GetResponse>\r\n";
}
const std::string kClearXml = ClearXml();

std::string Ciphered() {
    VantrelStream* stream = nullptr;
    TTranslationError error;
    XmlToPduWithKeys(kClearXml.c_str(), kKeys.Keys, &stream, &error);
    if (error.Code != 0) return {};
    std::string octets(reinterpret_cast<const char*>(VantrelStreamData(stream)), VantrelStreamSize(stream));
    VantrelStreamFree(stream);
    return octets;
}
const std::string kCiphered = Ciphered();

void GetResponse64kOctetsToXml(benchmark::State& s) { OctetsToXml(s, kPlain); }
void GetResponse64kXmlToOctets(benchmark::State& s) { XmlToOctets(s, kPlainXml); }

void GloGetResponse64kOctetsToXmlWithKeys(benchmark::State& State) {
    for (auto _ : State) {
        VantrelStream* stream = nullptr;
        TTranslationError error;
        PduToXmlWithKeys(reinterpret_cast<const uint8_t*>(kCiphered.data()), static_cast<uint32_t>(kCiphered.size()),
                         kKeys.Keys, &stream, &error);
        if (error.Code != 0) State.SkipWithError(error.Message);
        else if (VantrelStreamSize(stream) != kClearXml.size() + 1) State.SkipWithError("not deciphered");
        VantrelStreamFree(stream);
    }
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * kCiphered.size()));
}

void GloGetResponse64kXmlToOctetsWithKeys(benchmark::State& State) {
    for (auto _ : State) {
        VantrelStream* stream = nullptr;
        TTranslationError error;
        XmlToPduWithKeys(kClearXml.c_str(), kKeys.Keys, &stream, &error);
        if (error.Code != 0) State.SkipWithError(error.Message);
        VantrelStreamFree(stream);
    }
    State.SetBytesProcessed(static_cast<int64_t>(State.iterations() * kClearXml.size()));
}

void GloGetResponse64kOctetsToXmlWithoutKeys(benchmark::State& s) { OctetsToXml(s, kCiphered); }

BENCHMARK(GetResponse64kOctetsToXml)->Unit(benchmark::kMicrosecond);
BENCHMARK(GloGetResponse64kOctetsToXmlWithKeys)->Unit(benchmark::kMicrosecond);
BENCHMARK(GloGetResponse64kOctetsToXmlWithoutKeys)->Unit(benchmark::kMicrosecond);
BENCHMARK(GetResponse64kXmlToOctets)->Unit(benchmark::kMicrosecond);
BENCHMARK(GloGetResponse64kXmlToOctetsWithKeys)->Unit(benchmark::kMicrosecond);

}  // namespace
