// XML → octets: any text ends in octets or in the error record. Octets that
// come out must translate to XML that encodes to the very same octets. With
// the public key set, XML in the clear enciphers, and its octets decipher
// back to XML that enciphers to the very same octets.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzKeys.h"
#include "vantrel/vantrel.h"

namespace {

[[noreturn]] void Fail(const char* What, const std::string& Detail) {
    std::fprintf(stderr, "%s\n%s\n", What, Detail.c_str());
    std::abort();
}

}  // namespace

namespace {

void RoundTrip(const std::string& Text, const VantrelKeys* Keys);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > (1u << 20)) return 0;
    const std::string text(reinterpret_cast<const char*>(Data), Size);  // c_str() adds the terminator
    RoundTrip(text, nullptr);
    RoundTrip(text, vfuzz::PublicKeys());
    return 0;
}

namespace {

void RoundTrip(const std::string& text, const VantrelKeys* Keys) {
    const size_t Size = text.size();
    TTranslationError error;
    VantrelStream* octets = nullptr;
    XmlToPduWithKeys(text.c_str(), Keys, &octets, &error);
    if (error.Code != 0) {
        if (octets != nullptr || error.Code < 1 || error.Code > 2) Fail("failure with a stream or a wrong code", error.Message);
        if (error.Code == 1 && (error.Position < 0 || static_cast<size_t>(error.Position) > Size))
            Fail("position outside the text", error.Message);
        if (error.Code == 2 && error.Position != 0) Fail("encoding failure with a position", error.Message);
        return;
    }
    const std::string pdu(reinterpret_cast<const char*>(VantrelStreamData(octets)), VantrelStreamSize(octets));
    VantrelStreamFree(octets);

    VantrelStream* xml = nullptr;
    PduToXmlWithKeys(reinterpret_cast<const uint8_t*>(pdu.data()), static_cast<uint32_t>(pdu.size()), Keys, &xml, &error);
    if (error.Code != 0) Fail(error.Message, text);
    if (static_cast<size_t>(error.Position) != pdu.size() + 1) Fail("octets left over", text);
    VantrelStream* back = nullptr;
    XmlToPduWithKeys(reinterpret_cast<const char*>(VantrelStreamData(xml)), Keys, &back, &error);
    if (error.Code != 0) Fail(error.Message, reinterpret_cast<const char*>(VantrelStreamData(xml)));
    if (std::string(reinterpret_cast<const char*>(VantrelStreamData(back)), VantrelStreamSize(back)) != pdu)
        Fail("octets changed on the way back", text);
    VantrelStreamFree(back);
    VantrelStreamFree(xml);
}

}  // namespace
