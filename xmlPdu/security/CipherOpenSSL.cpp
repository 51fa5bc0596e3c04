// The cipher primitives through OpenSSL's libcrypto (EVP interface).
#include "Cipher.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <climits>
#include <cstring>
#include <memory>

namespace vantrel::cipher {

namespace {

struct TContextFree {
    void operator()(EVP_CIPHER_CTX* Context) const noexcept { EVP_CIPHER_CTX_free(Context); }
};
using TContext = std::unique_ptr<EVP_CIPHER_CTX, TContextFree>;

const EVP_CIPHER* Gcm(size_t KeySize) noexcept {
    return KeySize == 16 ? EVP_aes_128_gcm() : KeySize == 32 ? EVP_aes_256_gcm() : nullptr;
}

const EVP_CIPHER* Wrap(size_t KeySize) noexcept {
    return KeySize == 16 ? EVP_aes_128_wrap() : KeySize == 32 ? EVP_aes_256_wrap() : nullptr;
}

const unsigned char* Bytes(std::string_view s) noexcept { return reinterpret_cast<const unsigned char*>(s.data()); }

// Runs the update step over Input in pieces that fit an int, appending to Out.
bool Update(EVP_CIPHER_CTX* Context, bool Encrypt, std::string_view Input, std::string& Out) {
    const size_t start = Out.size();
    Out.resize(start + Input.size() + 32);
    size_t written = 0;
    while (!Input.empty()) {
        const int piece = Input.size() > (1u << 30) ? (1 << 30) : static_cast<int>(Input.size());
        int n = 0;
        auto* target = reinterpret_cast<unsigned char*>(Out.data() + start + written);
        const int ok = Encrypt ? EVP_EncryptUpdate(Context, target, &n, Bytes(Input), piece)
                               : EVP_DecryptUpdate(Context, target, &n, Bytes(Input), piece);
        if (ok != 1) return false;
        written += static_cast<size_t>(n);
        Input.remove_prefix(static_cast<size_t>(piece));
    }
    Out.resize(start + written);
    return true;
}

bool Aad(EVP_CIPHER_CTX* Context, bool Encrypt, std::string_view Data) {
    while (!Data.empty()) {
        const int piece = Data.size() > (1u << 30) ? (1 << 30) : static_cast<int>(Data.size());
        int n = 0;
        const int ok = Encrypt ? EVP_EncryptUpdate(Context, nullptr, &n, Bytes(Data), piece)
                               : EVP_DecryptUpdate(Context, nullptr, &n, Bytes(Data), piece);
        if (ok != 1) return false;
        Data.remove_prefix(static_cast<size_t>(piece));
    }
    return true;
}

}  // namespace

bool Available() noexcept { return true; }

bool GcmEncrypt(std::string_view Key, std::string_view Iv, std::string_view AadData, std::string_view Plain,
                size_t TagSize, std::string& Out) {
    const EVP_CIPHER* cipher = Gcm(Key.size());
    TContext context(EVP_CIPHER_CTX_new());
    if (!cipher || !context || Iv.size() != kIvSize || TagSize > 16) return false;
    if (EVP_EncryptInit_ex(context.get(), cipher, nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(kIvSize), nullptr) != 1 ||
        EVP_EncryptInit_ex(context.get(), nullptr, nullptr, Bytes(Key), Bytes(Iv)) != 1)
        return false;
    if (!Aad(context.get(), true, AadData) || !Update(context.get(), true, Plain, Out)) return false;
    unsigned char tail[32];
    int n = 0;
    if (EVP_EncryptFinal_ex(context.get(), tail, &n) != 1) return false;
    Out.append(reinterpret_cast<const char*>(tail), static_cast<size_t>(n));
    if (TagSize == 0) return true;
    unsigned char tag[16];
    if (EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_GET_TAG, 16, tag) != 1) return false;
    Out.append(reinterpret_cast<const char*>(tag), TagSize);
    return true;
}

bool GcmDecrypt(std::string_view Key, std::string_view Iv, std::string_view AadData, std::string_view Cipher,
                std::string_view Tag, std::string& Out) {
    const EVP_CIPHER* cipher = Gcm(Key.size());
    TContext context(EVP_CIPHER_CTX_new());
    if (!cipher || !context || Iv.size() != kIvSize || Tag.size() > 16) return false;
    if (EVP_DecryptInit_ex(context.get(), cipher, nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(kIvSize), nullptr) != 1 ||
        EVP_DecryptInit_ex(context.get(), nullptr, nullptr, Bytes(Key), Bytes(Iv)) != 1)
        return false;
    if (!Aad(context.get(), false, AadData) || !Update(context.get(), false, Cipher, Out)) return false;
    if (Tag.empty()) return true;  // encryption only: nothing to check
    unsigned char tag[16];
    std::memcpy(tag, Tag.data(), Tag.size());
    if (EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(Tag.size()), tag) != 1) return false;
    unsigned char tail[32];
    int n = 0;
    return EVP_DecryptFinal_ex(context.get(), tail, &n) == 1;
}

namespace {
bool RunWrap(bool Encrypt, std::string_view Kek, std::string_view Input, std::string& Out) {
    const EVP_CIPHER* cipher = Wrap(Kek.size());
    TContext context(EVP_CIPHER_CTX_new());
    if (!cipher || !context || Input.size() % 8 != 0 || Input.size() < 16 || Input.size() > 4096) return false;
    EVP_CIPHER_CTX_set_flags(context.get(), EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
    if (EVP_CipherInit_ex(context.get(), cipher, nullptr, Bytes(Kek), nullptr, Encrypt ? 1 : 0) != 1) return false;
    std::string result(Input.size() + 16, '\0');
    int n = 0;
    const bool ok = EVP_CipherUpdate(context.get(), reinterpret_cast<unsigned char*>(result.data()), &n, Bytes(Input),
                                     static_cast<int>(Input.size())) == 1 &&
                    n > 0;
    int tail = 0;
    const bool done = ok && EVP_CipherFinal_ex(context.get(), reinterpret_cast<unsigned char*>(result.data()) + n,
                                               &tail) == 1;
    if (done) Out.assign(result.data(), static_cast<size_t>(n + tail));
    Wipe(result);
    return done;
}
}  // namespace

bool KeyWrap(std::string_view Kek, std::string_view Key, std::string& Out) { return RunWrap(true, Kek, Key, Out); }

bool KeyUnwrap(std::string_view Kek, std::string_view Wrapped, std::string& Out) {
    return Wrapped.size() >= 24 && RunWrap(false, Kek, Wrapped, Out);
}

void Wipe(void* Data, size_t Size) noexcept {
    if (Data && Size) OPENSSL_cleanse(Data, Size);
}

}  // namespace vantrel::cipher
