// The security layer: deciphering the payload of a ciphered APDU with the
// user's keys into the APDU it carries, and enciphering that APDU back.
//
// A payload is the security control octet (suite in bits 0-3, authentication
// bit 4, encryption bit 5, broadcast key bit 6, compression bit 7), the
// 4-octet invocation counter, the ciphertext and, with authentication, a
// 12-octet tag. AES-GCM runs with the sender's system title and the
// invocation counter as initialisation vector and the control octet and the
// authentication key (followed by the plaintext when it is authenticated
// only) as additional data.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "../INFRA/COSEMPduBase.h"
#include "SecurityContext.h"

namespace vantrel {

// Which key enciphered a payload.
enum class TKeyRule : uint8_t {
    Global,     // the block cipher key, or the broadcast key when bit 6 is set
    Dedicated,  // the dedicated key
    Unicast,    // the block cipher key (identified key 0)
    Broadcast,  // the broadcast key (identified key 1)
    Wrapped,    // a key wrapped with the master key
    Agreed,     // a key agreed by key agreement: never deciphered
    Unnamed     // no key information
};

struct TCipherParams {
    TKeyRule Key = TKeyRule::Global;
    std::string_view WrappedKey;  // the key-ciphered data of a wrapped key
    std::string_view Title;       // the sender's system title; empty: not known
    std::string_view TitleName;   // how a message names that title
};

// A payload in the clear: its header and the APDU it carries.
struct TClearPayload {
    uint8_t SecurityControl = 0;
    std::string InvocationCounter;  // 4 octets
    TElementPtr Apdu;               // a T_COSEMpdu; null while not deciphered

    TClearPayload() = default;
    TClearPayload(const TClearPayload& Source);
    TClearPayload& operator=(const TClearPayload&) = delete;
};

// Deciphers Payload into Clear. Succeeds (returns an empty text) only when
// the APDU it carries decodes to its last octet and encodes back to exactly
// the deciphered octets; otherwise returns why it stays opaque. Map, when not
// null, notes the octets of the APDU's elements in the plaintext.
std::string DecipherPayload(TSecurityContext& Context, const TCipherParams& Params, std::string_view Payload,
                            int NestingDepth, TClearPayload& Clear, TReadMap* Map = nullptr);

// Enciphers Clear into Payload (replacing it). Returns an empty text, or
// why it cannot be enciphered (a missing key, an unknown suite...).
std::string EncipherPayload(const TSecurityContext* Context, const TCipherParams& Params, const TClearPayload& Clear,
                            std::string& Payload);

// True when the translation has keys: only then is anything deciphered.
inline bool HasKeys(const TSecurityContext* Context) noexcept { return Context && Context->Keys; }

// Text made fit for an XML comment: no ">" and no "--".
std::string CommentText(std::string_view Text);

// The system title that the association APDU Apdu names for its sender: the
// calling-AP-title of an AARQ (OfServer false) or the responding-AP-title of
// an AARE (OfServer true). False for anything else.
bool FindAssociationTitle(std::string_view Apdu, bool& OfServer, std::string& Title);

}  // namespace vantrel
