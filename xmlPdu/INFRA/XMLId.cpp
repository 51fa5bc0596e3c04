#include "XMLId.h"

#include <array>

namespace vantrel {
namespace {

constexpr char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

constexpr uint32_t FoldedHash(std::string_view s) {
    uint32_t h = 2166136261u;  // FNV-1a over the lower-case letters
    for (char c : s) {
        h ^= static_cast<uint8_t>(FoldCase(c));
        h *= 16777619u;
    }
    return h;
}

constexpr size_t kSlots = 2048;  // a power of two well above 426: short probe runs
constexpr uint16_t kEmpty = 0xFFFF;

// Open-addressing table from folded name to identifier, built by the compiler.
constexpr std::array<uint16_t, kSlots> BuildTable() {
    std::array<uint16_t, kSlots> t{};
    for (auto& s : t) s = kEmpty;
    for (int id = 0; id < kXMLIdCount; ++id) {
        size_t i = FoldedHash(detail::kXMLNames[id]) & (kSlots - 1);
        while (t[i] != kEmpty) i = (i + 1) & (kSlots - 1);
        t[i] = static_cast<uint16_t>(id);
    }
    return t;
}

constexpr std::array<uint16_t, kSlots> kTable = BuildTable();

bool EqualFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

}  // namespace

bool FindKeyWord(std::string_view Name, TXMLId& Id) noexcept {
    for (size_t i = FoldedHash(Name) & (kSlots - 1); kTable[i] != kEmpty; i = (i + 1) & (kSlots - 1)) {
        if (EqualFolded(detail::kXMLNames[kTable[i]], Name)) {
            Id = static_cast<TXMLId>(kTable[i]);
            return true;
        }
    }
    return false;
}

}  // namespace vantrel
