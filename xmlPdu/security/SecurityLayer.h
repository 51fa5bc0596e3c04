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
    // The title is none of the APDU's own (it comes from the keys): the
    // clear form records it, so that it enciphers back with the same one.
    bool KeepTitle = false;
    // The other side's title, to tell swapped titles from a wrong key.
    std::string_view OtherTitle;
    std::string_view OtherTitleName;
};

// A payload in the clear: its header and the APDU it carries.
struct TClearPayload {
    uint8_t SecurityControl = 0;
    std::string InvocationCounter;  // 4 octets
    // The system title it was deciphered with, when the clear form records
    // it (8 octets); empty: the title comes from the APDU or the keys.
    std::string Title;
    // Deciphered without the authentication key, so with its tag unchecked:
    // the tag as read and the check value of the payload as read (see
    // PayloadCheck). Empty otherwise.
    std::string Tag;
    std::string Check;
    TElementPtr Apdu;               // a T_COSEMpdu; null while not deciphered

    TClearPayload() = default;
    TClearPayload(const TClearPayload& Source);
    TClearPayload& operator=(const TClearPayload&) = delete;
};

// Deciphers Payload into Clear. Succeeds (returns an empty text) only when
// the APDU it carries decodes to its last octet and encodes back to exactly
// the deciphered octets; otherwise returns why it stays opaque. With the
// encryption key but no authentication key, a payload with a tag deciphers
// without the tag being checked: Clear keeps the tag and the payload's check
// value. With Cause, a payload whose tag fails or whose content does not
// decode is tried again with the other side's title and without the tag
// check, and Cause says what is likely wrong. Map, when not null, notes the
// octets of the APDU's elements in the plaintext.
std::string DecipherPayload(TSecurityContext& Context, const TCipherParams& Params, std::string_view Payload,
                            int NestingDepth, TClearPayload& Clear, std::string* Cause = nullptr,
                            TReadMap* Map = nullptr);

// Enciphers Clear into Payload (replacing it). Returns an empty text, or
// why it cannot be enciphered (a missing key, an unknown suite...). A clear
// form with the tag it was read with enciphers without the authentication
// key only to the very payload it was read from (its check value says so);
// with the key the tag is computed.
std::string EncipherPayload(const TSecurityContext* Context, const TCipherParams& Params, const TClearPayload& Clear,
                            std::string& Payload);

// The check value of a payload that kept its tag unchecked: the 64-bit
// FNV-1a hash of its octets as read (control octet, invocation counter,
// ciphertext, tag), most significant octet first. It is a function of public
// octets only, never of a key.
std::string PayloadCheck(std::string_view Payload);

// True when the translation has keys: only then is anything deciphered.
inline bool HasKeys(const TSecurityContext* Context) noexcept { return Context && Context->Keys; }
// True when the user gave any key or system title: then an APDU that does
// not decipher is noted, not only commented.
bool GivesKeys(const TSecurityContext* Context) noexcept;

// The note of a ciphered APDU (What names it) that stays opaque for Reason,
// with the likeliest Cause when known.
std::string NotDecipheredNote(std::string_view What, std::string_view Reason, std::string_view Cause);
// The comment and the note of a payload deciphered with its tag unchecked.
inline constexpr std::string_view kTagNotChecked = "authentication tag not checked: no AuthenticationKey";
std::string TagNotCheckedNote(std::string_view What);

// Text made fit for an XML comment: no ">" and no "--".
std::string CommentText(std::string_view Text);

// The system title that the association APDU Apdu names for its sender: the
// calling-AP-title of an AARQ (OfServer false) or the responding-AP-title of
// an AARE (OfServer true). False for anything else.
bool FindAssociationTitle(std::string_view Apdu, bool& OfServer, std::string& Title);

}  // namespace vantrel
