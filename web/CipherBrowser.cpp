// The cipher primitives of the page: AES-GCM and AES key wrap from the
// @noble/ciphers library, which the worker (web/src/worker.js) places in
// globalThis.vantrelCipher before the first translation. The calls are
// synchronous: the translator runs inside that worker.
//
// The library's GCM writes and checks full 16-octet tags only. A shorter tag
// (the 12 octets of ciphered APDUs) is checked by computing the full tag over
// the ciphertext again and comparing its first octets; the plaintext is
// handed out only when they match.
#include <emscripten/emscripten.h>

#include <cstring>

#include "xmlPdu/security/Cipher.h"

namespace {

// Each returns 1, or 0 when the cipher refuses (bad sizes, failed check).
// Out receives InSize + 16 octets: the ciphertext, then the full tag.
EM_JS(int, VantrelJsGcmSeal, (const void* Key, size_t KeySize, const void* Iv, const void* Aad, size_t AadSize,
                              const void* In, size_t InSize, void* Out), {
    try {
        const c = globalThis.vantrelCipher;
        const view = (at, size) => HEAPU8.subarray(at >>> 0, (at >>> 0) + (size >>> 0));
        const sealed = c.gcm(view(Key, KeySize), view(Iv, 12), view(Aad, AadSize)).encrypt(view(In, InSize));
        HEAPU8.set(sealed, Out >>> 0);
        sealed.fill(0);
        return 1;
    } catch (e) {
        return 0;
    }
});

// In holds the ciphertext and a full tag; Out receives InSize - 16 octets of
// plaintext, only when the tag matches.
EM_JS(int, VantrelJsGcmOpen, (const void* Key, size_t KeySize, const void* Iv, const void* Aad, size_t AadSize,
                              const void* In, size_t InSize, void* Out), {
    try {
        const c = globalThis.vantrelCipher;
        const view = (at, size) => HEAPU8.subarray(at >>> 0, (at >>> 0) + (size >>> 0));
        const plain = c.gcm(view(Key, KeySize), view(Iv, 12), view(Aad, AadSize)).decrypt(view(In, InSize));
        HEAPU8.set(plain, Out >>> 0);
        plain.fill(0);
        return 1;
    } catch (e) {
        return 0;
    }
});

// AES key wrap (Wrap 1) or unwrap (Wrap 0) of In; Out receives InSize + 8
// octets (wrap) or InSize - 8 (unwrap, only when the integrity check holds).
EM_JS(int, VantrelJsKeyWrap, (int Wrap, const void* Kek, size_t KekSize, const void* In, size_t InSize, void* Out), {
    try {
        const c = globalThis.vantrelCipher;
        const view = (at, size) => HEAPU8.subarray(at >>> 0, (at >>> 0) + (size >>> 0));
        const cipher = c.aeskw(view(Kek, KekSize));
        const result = Wrap ? cipher.encrypt(view(In, InSize)) : cipher.decrypt(view(In, InSize));
        HEAPU8.set(result, Out >>> 0);
        result.fill(0);
        return 1;
    } catch (e) {
        return 0;
    }
});

constexpr size_t kFullTag = 16;

bool KeySizeOk(size_t Size) noexcept { return Size == 16 || Size == 32; }

// Encrypts Input (or, the keystream being the same, decrypts it) and appends
// the result and the full tag to Out.
bool Seal(std::string_view Key, std::string_view Iv, std::string_view Aad, std::string_view Input, std::string& Out) {
    const size_t start = Out.size();
    Out.resize(start + Input.size() + kFullTag);
    if (VantrelJsGcmSeal(Key.data(), Key.size(), Iv.data(), Aad.data(), Aad.size(), Input.data(), Input.size(),
                         Out.data() + start))
        return true;
    Out.resize(start);
    return false;
}

bool SameConstantTime(const char* A, const char* B, size_t Size) noexcept {
    unsigned char diff = 0;
    for (size_t i = 0; i < Size; ++i) diff |= static_cast<unsigned char>(A[i] ^ B[i]);
    return diff == 0;
}

}  // namespace

namespace vantrel::cipher {

bool Available() noexcept { return true; }

bool GcmEncrypt(std::string_view Key, std::string_view Iv, std::string_view Aad, std::string_view Plain,
                size_t TagSize, std::string& Out) {
    if (!KeySizeOk(Key.size()) || Iv.size() != kIvSize || TagSize > kFullTag) return false;
    const size_t start = Out.size();
    if (!Seal(Key, Iv, Aad, Plain, Out)) return false;
    Out.resize(start + Plain.size() + TagSize);
    return true;
}

bool GcmDecrypt(std::string_view Key, std::string_view Iv, std::string_view Aad, std::string_view Cipher,
                std::string_view Tag, std::string& Out) {
    if (!KeySizeOk(Key.size()) || Iv.size() != kIvSize || Tag.size() > kFullTag) return false;
    const size_t start = Out.size();
    if (Tag.size() == kFullTag) {
        std::string sealed;
        sealed.reserve(Cipher.size() + kFullTag);
        sealed.append(Cipher).append(Tag);
        Out.resize(start + Cipher.size());
        const bool ok = VantrelJsGcmOpen(Key.data(), Key.size(), Iv.data(), Aad.data(), Aad.size(), sealed.data(),
                                         sealed.size(), Out.data() + start);
        if (!ok) Out.resize(start);
        return ok;
    }
    // The keystream turns the ciphertext back into the plaintext.
    if (!Seal(Key, Iv, Aad, Cipher, Out)) return false;
    Out.resize(start + Cipher.size());
    if (Tag.empty()) return true;  // encryption only: nothing to check
    // The full tag over the same ciphertext: enciphering the plaintext again.
    std::string again;
    const std::string_view plain(Out.data() + start, Cipher.size());
    const bool sealed = Seal(Key, Iv, Aad, plain, again);
    const bool match = sealed && SameConstantTime(again.data() + Cipher.size(), Tag.data(), Tag.size());
    Wipe(again);
    if (!match) {
        Wipe(Out.data() + start, Cipher.size());
        Out.resize(start);
    }
    return match;
}

bool KeyWrap(std::string_view Kek, std::string_view Key, std::string& Out) {
    if (!KeySizeOk(Kek.size()) || Key.size() % 8 != 0 || Key.size() < 16 || Key.size() > 4096) return false;
    std::string result(Key.size() + 8, '\0');
    const bool ok = VantrelJsKeyWrap(1, Kek.data(), Kek.size(), Key.data(), Key.size(), result.data());
    if (ok) Out.assign(result);
    Wipe(result);
    return ok;
}

bool KeyUnwrap(std::string_view Kek, std::string_view Wrapped, std::string& Out) {
    if (!KeySizeOk(Kek.size()) || Wrapped.size() % 8 != 0 || Wrapped.size() < 24 || Wrapped.size() > 4096 + 8)
        return false;
    std::string result(Wrapped.size() - 8, '\0');
    const bool ok = VantrelJsKeyWrap(0, Kek.data(), Kek.size(), Wrapped.data(), Wrapped.size(), result.data());
    if (ok) Out.assign(result);
    Wipe(result);
    return ok;
}

void Wipe(void* Data, size_t Size) noexcept {
    if (!Data || !Size) return;
    volatile unsigned char* p = static_cast<volatile unsigned char*>(Data);
    while (Size--) *p++ = 0;
}

}  // namespace vantrel::cipher
