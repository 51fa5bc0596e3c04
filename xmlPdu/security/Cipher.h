// The block-cipher primitives of the security layer: AES-GCM with a 12-octet
// initialisation vector, and AES key wrap. Keys are 16 or 32 octets. The
// interface holds no library types, so that each build picks its own
// implementation (CipherOpenSSL.cpp, or CipherNone.cpp where no cipher is
// built in and nothing deciphers).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel::cipher {

inline constexpr size_t kIvSize = 12;

// False in a build without a cipher: nothing deciphers and nothing enciphers.
bool Available() noexcept;

// Appends the ciphertext of Plain to Out. With TagSize > 0 the first TagSize
// octets of the authentication tag follow it. False when the cipher fails.
bool GcmEncrypt(std::string_view Key, std::string_view Iv, std::string_view Aad, std::string_view Plain,
                size_t TagSize, std::string& Out);

// Appends the plaintext of Cipher to Out. With a non-empty Tag the tag over
// Aad and Cipher must match it; false when it does not or the cipher fails.
bool GcmDecrypt(std::string_view Key, std::string_view Iv, std::string_view Aad, std::string_view Cipher,
                std::string_view Tag, std::string& Out);

// AES key wrap with the default initial value: Kek wraps Key (a multiple of
// 8 octets) into Out; Unwrap fails when the integrity check fails.
bool KeyWrap(std::string_view Kek, std::string_view Key, std::string& Out);
bool KeyUnwrap(std::string_view Kek, std::string_view Wrapped, std::string& Out);

// Overwrites Size octets at Data with zeros in a way the compiler keeps.
void Wipe(void* Data, size_t Size) noexcept;
inline void Wipe(std::string& Secret) noexcept { Wipe(Secret.data(), Secret.size()); }

// A string of key material that is wiped when it goes.
class TSecret {
public:
    TSecret() = default;
    TSecret(const TSecret&) = delete;
    TSecret& operator=(const TSecret&) = delete;
    ~TSecret() { Wipe(Value); }
    std::string Value;
};

}  // namespace vantrel::cipher
