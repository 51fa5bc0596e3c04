// XML → octets: any text ends in octets or in the error record. Octets that
// come out must translate back to XML.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "vantrel/vantrel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > 1 << 20) return 0;
    const std::string text(reinterpret_cast<const char*>(Data), Size);  // zero-terminated by std::string
    TTranslationError error;
    VantrelStream* octets = nullptr;
    XmlToPdu(text.c_str(), &octets, &error);
    if (error.Code != 0) {
        if (octets != nullptr || error.Code < 1 || error.Code > 2) std::abort();
        if (error.Code == 1 && (error.Position < 0 || static_cast<size_t>(error.Position) > Size)) std::abort();
        return 0;
    }
    VantrelStream* xml = nullptr;
    PduToXml(VantrelStreamData(octets), VantrelStreamSize(octets), &xml, &error);
    VantrelStreamFree(xml);
    VantrelStreamFree(octets);
    return 0;
}
