// The cipher primitives of a build without a cipher: nothing deciphers or
// enciphers, and key material is still wiped.
#include "Cipher.h"

#include <cstring>

namespace vantrel::cipher {

bool Available() noexcept { return false; }

bool GcmEncrypt(std::string_view, std::string_view, std::string_view, std::string_view, size_t, std::string&) {
    return false;
}

bool GcmDecrypt(std::string_view, std::string_view, std::string_view, std::string_view, std::string_view,
                std::string&) {
    return false;
}

bool KeyWrap(std::string_view, std::string_view, std::string&) { return false; }
bool KeyUnwrap(std::string_view, std::string_view, std::string&) { return false; }

void Wipe(void* Data, size_t Size) noexcept {
    if (!Data || !Size) return;
    volatile unsigned char* p = static_cast<volatile unsigned char*>(Data);
    while (Size--) *p++ = 0;
}

}  // namespace vantrel::cipher
