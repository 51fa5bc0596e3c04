#include "Keys.h"

#include <cstring>

#include "../INFRA/OutputLimit.h"
#include "Cipher.h"

VantrelKeys::VantrelKeys() noexcept : Values{}, OutputLimit(vantrel::kMaxOutputSize) {}

VantrelKeys::~VantrelKeys() { vantrel::cipher::Wipe(Values, sizeof Values); }

bool VantrelKeys::Put(TSlot Slot, std::string_view Octets) noexcept {
    if (Octets.size() > sizeof Values[Slot].Octets) return false;
    Clear(Slot);
    std::memcpy(Values[Slot].Octets, Octets.data(), Octets.size());
    Values[Slot].Size = static_cast<uint8_t>(Octets.size());
    Values[Slot].Present = true;
    return true;
}

void VantrelKeys::Clear(TSlot Slot) noexcept { vantrel::cipher::Wipe(&Values[Slot], sizeof Values[Slot]); }

namespace vantrel {

namespace {
constexpr std::string_view kNames[VantrelKeys::kSlotCount] = {
    "BlockCipherKey", "BroadcastKey", "DedicatedKey", "AuthenticationKey",
    "MasterKey",      "ClientSystemTitle", "ServerSystemTitle",
};

bool SameFolded(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

// Letters and "_" only, at most 40, one of them no hex digit.
bool ShowableKeyName(std::string_view Name) noexcept {
    if (Name.empty() || Name.size() > 40) return false;
    bool word = false;
    for (char c : Name) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!letter && c != '_') return false;
        word |= letter && !((c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'));
    }
    return word;
}

int HexValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
}  // namespace

std::string_view KeySlotName(VantrelKeys::TSlot Slot) noexcept { return kNames[Slot]; }

bool FindKeySlot(std::string_view Name, VantrelKeys::TSlot& Slot) noexcept {
    for (int i = 0; i < VantrelKeys::kSlotCount; ++i)
        if (SameFolded(kNames[i], Name)) {
            Slot = static_cast<VantrelKeys::TSlot>(i);
            return true;
        }
    return false;
}

bool SetKeyFromHex(VantrelKeys& Keys, std::string_view Name, std::string_view Hex, std::string& Message) {
    VantrelKeys::TSlot slot;
    if (!FindKeySlot(Name, slot)) {
        // A name is quoted only when it reads as one: a value written where
        // the name belongs never shows.
        Message = ShowableKeyName(Name) ? "unknown key name \"" + std::string(Name) + "\""
                                        : std::string("unknown key name (not shown: not a word of letters)");
        Message += " (BlockCipherKey, BroadcastKey, DedicatedKey, AuthenticationKey, MasterKey, "
                   "ClientSystemTitle, ServerSystemTitle)";
        return false;
    }
    const std::string name(kNames[slot]);
    uint8_t octets[32];
    size_t count = 0;
    int high = -1;
    bool ok = true;
    for (char c : Hex) {
        if (c == ' ' || c == '\t') continue;
        const int v = HexValue(c);
        if (v < 0) {
            Message = name + ": not hex digits";
            ok = false;
            break;
        }
        if (high < 0) {
            high = v;
            continue;
        }
        if (count == sizeof octets) {
            Message = name + ": too many octets";
            ok = false;
            break;
        }
        octets[count++] = static_cast<uint8_t>(high << 4 | v);
        high = -1;
    }
    if (ok && high >= 0) {
        Message = name + ": an odd number of hex digits";
        ok = false;
    }
    const bool title = slot == VantrelKeys::ClientSystemTitle || slot == VantrelKeys::ServerSystemTitle;
    if (ok && title && count != 8) {
        Message = name + ": " + std::to_string(count) + " octets, a system title has 8";
        ok = false;
    }
    if (ok && !title && count != 16 && count != 32) {
        Message = name + ": " + std::to_string(count) + " octets, a key has 16 (suites 0 and 1) or 32 (suite 2)";
        ok = false;
    }
    if (ok) Keys.Put(slot, std::string_view(reinterpret_cast<const char*>(octets), count));
    cipher::Wipe(octets, sizeof octets);
    return ok;
}

}  // namespace vantrel
