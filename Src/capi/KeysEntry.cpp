// The key set of the C ABI and the translations with keys.
#include <cstring>
#include <new>
#include <string>

#include "../../xmlPdu/security/Keys.h"
#include "vantrel/vantrel.h"

namespace {

void Fail(TTranslationError* Error, const std::string& Message) {
    if (!Error) return;
    Error->Code = 1;
    Error->Position = 0;
    const size_t kept = Message.size() < sizeof Error->Message ? Message.size() : sizeof Error->Message - 1;
    std::memcpy(Error->Message, Message.data(), kept);
    Error->Message[kept] = '\0';
}

}  // namespace

extern "C" {

VantrelKeys* VantrelKeysNew(void) { return new (std::nothrow) VantrelKeys(); }

void VantrelKeysFree(VantrelKeys* Keys) { delete Keys; }

int VantrelKeysSet(VantrelKeys* Keys, const char* Name, const char* HexValue, TTranslationError* Error) {
    if (Error) {
        Error->Code = 0;
        Error->Message[0] = '\0';
        Error->Position = 0;
    }
    if (!Keys || !Name || !HexValue) {
        Fail(Error, "no key set, name or value");
        return -1;
    }
    try {
        std::string message;
        if (vantrel::SetKeyFromHex(*Keys, Name, HexValue, message)) return 0;
        Fail(Error, message);
    } catch (const std::bad_alloc&) {
        Fail(Error, "Out of memory");
    }
    return -1;
}

void PduToXmlWithKeys(const uint8_t* Data, uint32_t Size, const VantrelKeys* Keys, VantrelStream** Stream,
                      TTranslationError* Error) {
    PduToXmlEx(Data, Size, Keys, 0, Stream, Error);
}

void XmlToPduWithKeys(const char* Text, const VantrelKeys* Keys, VantrelStream** Stream, TTranslationError* Error) {
    XmlToPduEx(Text, Keys, 0, Stream, Error);
}

}  // extern "C"
