// XML → octets: any text ends in octets or in the error record. Octets that
// come out must translate to XML that encodes to the very same octets. With
// the public key set, XML in the clear enciphers, and its octets decipher
// back to XML that enciphers to the very same octets. On a third of the
// inputs, the octet map too: the same octets with it, every invariant of the
// map against the text (tests/MapCheck.h), and the maps of the octets'
// XML, both ways, the same.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzKeys.h"
#include "tests/MapCheck.h"
#include "vantrel/vantrel.h"

namespace {

[[noreturn]] void Fail(const char* What, const std::string& Detail) {
    std::fprintf(stderr, "%s\n%s\n", What, Detail.c_str());
    std::abort();
}

}  // namespace

namespace {

void RoundTrip(const std::string& Text, const VantrelKeys* Keys);

std::vector<VantrelMapEntry> MapOf(const VantrelStream* Stream) {
    const VantrelMapEntry* m = VantrelStreamMap(Stream);
    return std::vector<VantrelMapEntry>(m, m + VantrelStreamMapCount(Stream));
}

// XML (mapped or not) to octets: the octets and the map.
std::string Octets(const std::string& Text, const VantrelKeys* Keys, uint32_t Flags, std::vector<VantrelMapEntry>& Map) {
    TTranslationError error;
    VantrelStream* octets = nullptr;
    XmlToPduEx(Text.c_str(), Keys, Flags, &octets, &error);
    if (error.Code != 0) Fail(error.Message, Text);
    std::string pdu(reinterpret_cast<const char*>(VantrelStreamData(octets)), VantrelStreamSize(octets));
    Map = MapOf(octets);
    VantrelStreamFree(octets);
    return pdu;
}

void CheckMaps(const std::string& Text, const std::string& Pdu, const std::string& Xml, const VantrelKeys* Keys) {
    std::vector<VantrelMapEntry> map;
    if (Octets(Text, Keys, VANTREL_MAP, map) != Pdu) Fail("the map changed the octets", Text);
    // The text may put several elements on a line: deciphered leaves are not
    // encoded again alone. Its tags say where its elements are only when it
    // is nested as written.
    std::string why;
    if (vmap::Nested(Text))
        why = vmap::CheckMap(Text, Pdu, map.data(), static_cast<uint32_t>(map.size()), Keys, vmap::ClearValues);
    if (!why.empty()) Fail(why.c_str(), Text);
    // The octets' own XML: its map, and the map of it read back, the same.
    TTranslationError error;
    VantrelStream* xml = nullptr;
    PduToXmlEx(reinterpret_cast<const uint8_t*>(Pdu.data()), static_cast<uint32_t>(Pdu.size()), Keys, VANTREL_MAP, &xml,
               &error);
    if (error.Code != 0) Fail(error.Message, Text);
    if (reinterpret_cast<const char*>(VantrelStreamData(xml)) != Xml) Fail("the map changed the XML", Xml);
    const std::vector<VantrelMapEntry> decoded = MapOf(xml);
    VantrelStreamFree(xml);
    why = vmap::CheckMap(Xml, Pdu, decoded.data(), static_cast<uint32_t>(decoded.size()), Keys);
    if (!why.empty()) Fail(why.c_str(), Xml);
    if (Octets(Xml, Keys, VANTREL_MAP, map) != Pdu) Fail("octets changed on the way back", Xml);
    why = vmap::CompareMaps(map.data(), static_cast<uint32_t>(map.size()), decoded.data(),
                            static_cast<uint32_t>(decoded.size()));
    if (!why.empty()) Fail(why.c_str(), Xml);
}

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
    const bool mapped = Size % 3 == 0;
    TTranslationError error;
    VantrelStream* octets = nullptr;
    XmlToPduWithKeys(text.c_str(), Keys, &octets, &error);
    if (error.Code != 0) {
        if (octets != nullptr || error.Code < 1 || error.Code > 2) Fail("failure with a stream or a wrong code", error.Message);
        if (error.Code == 1 && (error.Position < 0 || static_cast<size_t>(error.Position) > Size))
            Fail("position outside the text", error.Message);
        if (error.Code == 2 && error.Position != 0) Fail("encoding failure with a position", error.Message);
        if (mapped) {
            // The same failure with the map.
            TTranslationError withMap;
            XmlToPduEx(text.c_str(), Keys, VANTREL_MAP, &octets, &withMap);
            if (octets || withMap.Code != error.Code || withMap.Position != error.Position ||
                std::string(withMap.Message, strnlen(withMap.Message, sizeof withMap.Message)) !=
                    std::string(error.Message, strnlen(error.Message, sizeof error.Message)))
                Fail("another failure with the map", text);
        }
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
    // The text up to its first zero: what the reader read.
    if (mapped) CheckMaps(text.c_str(), pdu, reinterpret_cast<const char*>(VantrelStreamData(xml)), Keys);
    VantrelStreamFree(xml);
}

}  // namespace
