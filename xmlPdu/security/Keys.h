// VantrelKeys: the user's keys and system titles, as the C ABI hands them
// around. A key set is written only while the caller fills it and only read
// during translations, so any number of translations may share one. Its
// octets are wiped when it goes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct VantrelKeys {
    enum TSlot : uint8_t {
        BlockCipherKey,     // global unicast encryption key
        BroadcastKey,       // global broadcast encryption key
        DedicatedKey,
        AuthenticationKey,
        MasterKey,          // the key-encrypting key of wrapped keys
        ClientSystemTitle,
        ServerSystemTitle,
        kSlotCount
    };
    struct TValue {
        uint8_t Octets[32];
        uint8_t Size;
        bool Present;
    };

    VantrelKeys() noexcept;
    VantrelKeys(const VantrelKeys& Source) noexcept = default;
    VantrelKeys& operator=(const VantrelKeys& Source) noexcept = default;
    ~VantrelKeys();

    // The octets of a slot; empty when it was not given.
    std::string_view Get(TSlot Slot) const noexcept {
        const TValue& v = Values[Slot];
        return v.Present ? std::string_view(reinterpret_cast<const char*>(v.Octets), v.Size) : std::string_view();
    }
    bool Has(TSlot Slot) const noexcept { return Values[Slot].Present; }
    // Sets a slot to Octets (at most 32); false when they do not fit.
    bool Put(TSlot Slot, std::string_view Octets) noexcept;
    void Clear(TSlot Slot) noexcept;

    TValue Values[kSlotCount];
    // The largest output a translation with this set may produce. Only tests
    // lower it, to reach the bound without gigabytes.
    uint64_t OutputLimit;
};

namespace vantrel {

// The name of a slot ("BlockCipherKey"); the slot of a name, without regard
// to letter case, or false.
std::string_view KeySlotName(VantrelKeys::TSlot Slot) noexcept;
bool FindKeySlot(std::string_view Name, VantrelKeys::TSlot& Slot) noexcept;

// Sets the slot named Name from hex digits (blanks allowed). On failure the
// message names the slot and the fault, never the value; an unknown name is
// quoted only when it is a word of letters, never when it may be a value.
bool SetKeyFromHex(VantrelKeys& Keys, std::string_view Name, std::string_view Hex, std::string& Message);

}  // namespace vantrel
