#include "SecurityLayer.h"

#include "../types/COSEMpdu.h"
#include "Cipher.h"
#include "Keys.h"

namespace vantrel {

namespace {

constexpr size_t kHeaderSize = 5;  // control octet and invocation counter
constexpr size_t kTagSize = 12;
constexpr uint8_t kAuthentication = 0x10, kEncryption = 0x20, kBroadcast = 0x40, kCompression = 0x80;

const VantrelKeys& NoKeys() {
    static const VantrelKeys kNone;
    return kNone;
}

std::string SizeFault(std::string_view Name, size_t Size, int Suite, size_t Needed) {
    return std::string(Name) + " has " + std::to_string(Size) + " octets; suite " + std::to_string(Suite) +
           " needs " + std::to_string(Needed);
}

// The key, authentication key and initialisation vector of a payload.
struct TMaterial {
    cipher::TSecret Key;
    cipher::TSecret AuthenticationKey;
    std::string Iv;
    std::string_view KeyName;  // the slot the key came from
};

// Collects what the control octet asks for; returns why it cannot be had.
// With Unchecked, a missing authentication key is no failure: *Unchecked
// is set, and the tag goes unchecked.
std::string Prepare(const VantrelKeys& Keys, const TCipherParams& Params, uint8_t Control, std::string_view Counter,
                    TMaterial& Material, bool* Unchecked = nullptr) {
    const int suite = Control & 0x0F;
    if (suite > 2) return "unknown security suite " + std::to_string(suite);
    if (Control & kCompression) return "compressed content";
    if (!(Control & (kAuthentication | kEncryption))) return {};  // no protection: the payload is the APDU
    if (!cipher::Available()) return "no cipher in this build";
    const size_t needed = suite == 2 ? 32 : 16;

    VantrelKeys::TSlot slot;
    switch (Params.Key) {
    case TKeyRule::Global:
        slot = (Control & kBroadcast) ? VantrelKeys::BroadcastKey : VantrelKeys::BlockCipherKey;
        break;
    case TKeyRule::Dedicated: slot = VantrelKeys::DedicatedKey; break;
    case TKeyRule::Unicast: slot = VantrelKeys::BlockCipherKey; break;
    case TKeyRule::Broadcast: slot = VantrelKeys::BroadcastKey; break;
    case TKeyRule::Wrapped: slot = VantrelKeys::MasterKey; break;
    case TKeyRule::Agreed: return "an agreed key is not deciphered";
    default: return "no key information";
    }
    const std::string_view name = KeySlotName(slot);
    Material.KeyName = name;
    const std::string_view key = Keys.Get(slot);
    if (key.empty()) return "no " + std::string(name);
    if (Params.Key == TKeyRule::Wrapped) {
        if (key.size() != 16 && key.size() != 32) return "MasterKey has " + std::to_string(key.size()) + " octets";
        if (!cipher::KeyUnwrap(key, Params.WrappedKey, Material.Key.Value))
            return "the wrapped key does not unwrap with the MasterKey";
        if (Material.Key.Value.size() != needed) return SizeFault("the wrapped key", Material.Key.Value.size(), suite, needed);
    } else {
        if (key.size() != needed) return SizeFault(name, key.size(), suite, needed);
        Material.Key.Value.assign(key);
    }
    if (Control & kAuthentication) {
        const std::string_view ak = Keys.Get(VantrelKeys::AuthenticationKey);
        if (ak.empty()) {
            if (!Unchecked) return "no AuthenticationKey";
            *Unchecked = true;
        } else {
            if (ak.size() != needed) return SizeFault("AuthenticationKey", ak.size(), suite, needed);
            Material.AuthenticationKey.Value.assign(ak);
        }
    }
    if (Params.Title.empty()) return "no " + std::string(Params.TitleName);
    if (Params.Title.size() != 8)
        return std::string(Params.TitleName) + " has " + std::to_string(Params.Title.size()) + " octets, not 8";
    Material.Iv.reserve(cipher::kIvSize);
    Material.Iv.assign(Params.Title);
    Material.Iv.append(Counter);
    return {};
}

// The additional authenticated data: control octet, authentication key and,
// when the payload is authenticated only, the plaintext.
void BuildAad(cipher::TSecret& Aad, uint8_t Control, const TMaterial& Material, std::string_view Plain) {
    const bool plainToo = (Control & (kAuthentication | kEncryption)) == kAuthentication;
    Aad.Value.reserve(1 + Material.AuthenticationKey.Value.size() + (plainToo ? Plain.size() : 0));
    Aad.Value += static_cast<char>(Control);
    Aad.Value += Material.AuthenticationKey.Value;
    if (plainToo) Aad.Value += Plain;
}

// The plaintext of Body (the payload after its header, without its tag).
// With a Tag, it must match; an empty one is not checked. False when the
// tag does not match or the cipher fails.
bool Open(uint8_t Control, const TMaterial& Material, std::string_view Body, std::string_view Tag, std::string& Plain) {
    Plain.clear();
    if (!(Control & kEncryption)) {
        Plain.assign(Body);
        if (!(Control & kAuthentication) || Tag.empty()) return true;
        cipher::TSecret aad;
        BuildAad(aad, Control, Material, Body);
        std::string none;
        return cipher::GcmDecrypt(Material.Key.Value, Material.Iv, aad.Value, {}, Tag, none);
    }
    cipher::TSecret aad;
    BuildAad(aad, Control, Material, Body);
    Plain.reserve(Body.size());
    return cipher::GcmDecrypt(Material.Key.Value, Material.Iv, aad.Value, Body, Tag, Plain);
}

// Reads Plain as the carried APDU. Returns an empty text when it decodes to
// its last octet and encodes back to exactly Plain, otherwise why not.
// Map, when not null, notes the octets of its elements.
std::string DecodeClear(TSecurityContext& Context, std::string_view Plain, int NestingDepth, TElementPtr& Apdu,
                        TReadMap* Map = nullptr) {
    TStringWrapper reader(Plain);
    reader.Security = &Context;
    reader.Map = Map;
    reader.Nesting.Depth = NestingDepth;
    try {
        TNestingGuard guard(reader.Nesting);
        Apdu = ReadElement<T_COSEMpdu>(xmlIgnore, reader);
        if (reader.GetRemainingBytes() > 0)
            return "the deciphered APDU ends at octet " + std::to_string(reader.FIndex - 1) + " of " +
                   std::to_string(Plain.size());
        if (!reader.Nameless.empty())
            return "the deciphered APDU does not translate: " + std::string(reader.Nameless) + ": case range";
        // Only a reading that took another form than the encoder's, or did
        // not keep track, needs the APDU encoded again to be compared.
        if (!reader.Canonical) {
            std::string again;
            again.reserve(Plain.size());
            Apdu->EncodeToPduStr(again);
            if (again != Plain) return "the deciphered APDU does not encode back to the same octets";
        }
    } catch (const EVantrelError& e) {
        return "the deciphered octets do not decode: " + e.Message() + " at octet " + std::to_string(reader.FIndex);
    }
    return {};
}

// What is likely wrong with the keys when a payload's tag fails (TagFailed)
// or its content, not authenticated, does not decode: it is deciphered
// again with the other side's title, and without the tag check.
std::string LikelyCause(const TSecurityContext& Context, const TCipherParams& Params, uint8_t Control,
                        std::string_view Counter, std::string_view Body, std::string_view Tag,
                        const TMaterial& Material, int NestingDepth, bool TagFailed) {
    TSecurityContext scratch;  // what these readings learn or note is not kept
    scratch.Keys = Context.Keys;
    const auto decodes = [&](const TMaterial& With, std::string_view CheckedTag) {
        std::string plain;
        TElementPtr apdu;
        return Open(Control, With, Body, CheckedTag, plain) && DecodeClear(scratch, plain, NestingDepth, apdu).empty();
    };
    if (Params.OtherTitle.size() == 8 && Params.OtherTitle != Params.Title) {
        TMaterial other;
        other.Key.Value = Material.Key.Value;
        other.AuthenticationKey.Value = Material.AuthenticationKey.Value;
        other.Iv.assign(Params.OtherTitle);
        other.Iv.append(Counter);
        if (decodes(other, Tag))
            return "it deciphers with the " + std::string(Params.OtherTitleName) + ": the system titles are likely swapped";
    }
    const bool encrypted = (Control & kEncryption) != 0;
    if (TagFailed && encrypted && decodes(Material, {}))
        return "its content deciphers, but not its tag: the AuthenticationKey is likely wrong, or the octets were altered";
    std::string cause = "the " + std::string(TagFailed && !encrypted ? "AuthenticationKey, the " : "");
    cause += Material.KeyName;
    if (Params.KeepTitle) cause += " or the " + std::string(Params.TitleName);
    return cause + " is likely wrong";
}

}  // namespace

TClearPayload::TClearPayload(const TClearPayload& Source)
    : SecurityControl(Source.SecurityControl),
      InvocationCounter(Source.InvocationCounter),
      Title(Source.Title),
      Tag(Source.Tag),
      Check(Source.Check),
      Apdu(Source.Apdu ? Source.Apdu->Clone() : nullptr) {}

std::string DecipherPayload(TSecurityContext& Context, const TCipherParams& Params, std::string_view Payload,
                            int NestingDepth, TClearPayload& Clear, std::string* Cause, TReadMap* Map) {
    if (Payload.size() < kHeaderSize) return "too short for a security header";
    const auto control = static_cast<uint8_t>(Payload[0]);
    const std::string_view counter = Payload.substr(1, 4);
    std::string_view body = Payload.substr(kHeaderSize);
    TMaterial material;
    bool unchecked = false;
    if (std::string why = Prepare(Context.Keys ? *Context.Keys : NoKeys(), Params, control, counter, material, &unchecked);
        !why.empty())
        return why;
    std::string_view tag;
    if (control & kAuthentication) {
        if (body.size() < kTagSize) return "authentication tag cut short";
        tag = body.substr(body.size() - kTagSize);
        body.remove_suffix(kTagSize);
    }
    std::string plain;
    if (!Open(control, material, body, unchecked ? std::string_view() : tag, plain)) {
        if (!(control & kAuthentication)) return "the cipher failed";
        if (Cause) *Cause = LikelyCause(Context, Params, control, counter, body, tag, material, NestingDepth, true);
        return "authentication failed: wrong key or altered octets";
    }
    TElementPtr apdu;
    const size_t notes = Context.Notes.size();
    if (std::string why = DecodeClear(Context, plain, NestingDepth, apdu, Map); !why.empty()) {
        Context.Notes.resize(notes);  // of APDUs inside that are not shown
        // Content that was authenticated was deciphered with the right keys.
        if (Cause && (control & kEncryption) && (unchecked || !(control & kAuthentication)))
            *Cause = LikelyCause(Context, Params, control, counter, body, {}, material, NestingDepth, false);
        return why;
    }
    Clear.SecurityControl = control;
    Clear.InvocationCounter.assign(counter);
    if (Params.KeepTitle) Clear.Title.assign(Params.Title);
    if (unchecked) {
        Clear.Tag.assign(tag);
        Clear.Check = PayloadCheck(Payload);
    }
    Clear.Apdu = std::move(apdu);
    return {};
}

std::string EncipherPayload(const TSecurityContext* Context, const TCipherParams& Params, const TClearPayload& Clear,
                            std::string& Payload) {
    const uint8_t control = Clear.SecurityControl;
    TMaterial material;
    const VantrelKeys& keys = Context && Context->Keys ? *Context->Keys : NoKeys();
    // The tag read stands in for one that cannot be computed, but only for the very octets it came with.
    bool unchecked = false;
    const bool tagKept = !Clear.Tag.empty() && (control & kAuthentication);
    if (std::string why = Prepare(keys, Params, control, Clear.InvocationCounter, material, tagKept ? &unchecked : nullptr);
        !why.empty())
        return why;
    std::string plain;
    EncodeElement(*Clear.Apdu, plain);
    Payload.clear();
    Payload.reserve(kHeaderSize + plain.size() + kTagSize);
    Payload += static_cast<char>(control);
    Payload += Clear.InvocationCounter;
    if (!(control & (kAuthentication | kEncryption))) {
        Payload += plain;
        return {};
    }
    cipher::TSecret aad;
    BuildAad(aad, control, material, plain);
    const size_t tagSize = (control & kAuthentication) && !unchecked ? kTagSize : 0;
    bool ok;
    if (control & kEncryption) {
        ok = cipher::GcmEncrypt(material.Key.Value, material.Iv, aad.Value, plain, tagSize, Payload);
    } else {
        Payload += plain;
        ok = tagSize == 0 || cipher::GcmEncrypt(material.Key.Value, material.Iv, aad.Value, {}, tagSize, Payload);
    }
    if (!ok) return "the cipher failed";
    if (unchecked) {
        Payload += Clear.Tag;
        if (Clear.Check.empty() || PayloadCheck(Payload) != Clear.Check)
            return "no AuthenticationKey, and the tag read belongs to other octets (the content, counter, system title "
                   "or key changed)";
    }
    return {};
}

std::string PayloadCheck(std::string_view Payload) {
    uint64_t hash = 0xCBF29CE484222325u;  // FNV-1a, 64 bits
    for (const unsigned char c : Payload) {
        hash ^= c;
        hash *= 0x100000001B3u;
    }
    std::string check(8, '\0');
    for (int i = 0; i < 8; ++i) check[static_cast<size_t>(i)] = static_cast<char>(hash >> (56 - 8 * i));
    return check;
}

bool GivesKeys(const TSecurityContext* Context) noexcept {
    if (!HasKeys(Context)) return false;
    for (int slot = 0; slot < VantrelKeys::kSlotCount; ++slot)
        if (Context->Keys->Has(static_cast<VantrelKeys::TSlot>(slot))) return true;
    return false;
}

std::string NotDecipheredNote(std::string_view What, std::string_view Reason, std::string_view Cause) {
    std::string text(What);
    text += " not deciphered: ";
    text += Reason;
    if (!Cause.empty()) {
        text += "; ";
        text += Cause;
    }
    return CommentText(text);
}

std::string TagNotCheckedNote(std::string_view What) {
    return std::string(What) +
           ": deciphered, its authentication tag not checked (no AuthenticationKey); the XML gives back the same "
           "octets, but changed content cannot be enciphered without the key";
}

std::string CommentText(std::string_view Text) {
    std::string s;
    s.reserve(Text.size());
    for (char c : Text) {
        if (c == '>') {
            s += ')';
            continue;
        }
        if (c == '-' && !s.empty() && s.back() == '-') s += ' ';
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
        s += c;
    }
    if (!s.empty() && s.back() == '-') s += ' ';
    return s;
}

namespace {
// One BER element at Text: its tag, and its contents; false when it does not fit.
bool NextElement(std::string_view& Text, uint8_t& Tag, std::string_view& Contents) {
    if (Text.size() < 2) return false;
    Tag = static_cast<uint8_t>(Text[0]);
    size_t length = static_cast<uint8_t>(Text[1]);
    size_t head = 2;
    if (length & 0x80) {
        const size_t n = length & 0x7F;
        if (n < 1 || n > 3 || Text.size() < 2 + n) return false;
        length = 0;
        for (size_t i = 0; i < n; ++i) length = length << 8 | static_cast<uint8_t>(Text[2 + i]);
        head += n;
    }
    if (Text.size() - head < length) return false;
    Contents = Text.substr(head, length);
    Text.remove_prefix(head + length);
    return true;
}
}  // namespace

bool FindAssociationTitle(std::string_view Apdu, bool& OfServer, std::string& Title) {
    uint8_t tag;
    std::string_view contents;
    if (!NextElement(Apdu, tag, contents) || (tag != 0x60 && tag != 0x61)) return false;
    OfServer = tag == 0x61;
    const uint8_t wanted = OfServer ? 0xA4 : 0xA6;
    while (!contents.empty()) {
        std::string_view field;
        if (!NextElement(contents, tag, field)) return false;
        if (tag != wanted) continue;
        std::string_view title;
        if (!NextElement(field, tag, title) || tag != 0x04 || title.size() != 8) return false;
        Title.assign(title);
        return true;
    }
    return false;
}

}  // namespace vantrel
