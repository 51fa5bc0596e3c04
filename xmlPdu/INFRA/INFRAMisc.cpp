#include "INFRAMisc.h"

#include "Errors.h"

namespace vantrel {

namespace {
// The class of every character in hex text: its digit value 0 to 15, a
// separator to skip, or anything else.
enum : uint8_t { kSeparator = 16, kOther = 17 };
struct THexClasses {
    uint8_t c[256];
};

constexpr THexClasses BuildHexClasses(std::string_view Separators) {
    THexClasses t{};
    for (auto& c : t.c) c = kOther;
    for (int i = 0; i < 10; ++i) t.c['0' + i] = static_cast<uint8_t>(i);
    for (int i = 0; i < 6; ++i) t.c['A' + i] = t.c['a' + i] = static_cast<uint8_t>(10 + i);
    for (char s : Separators) t.c[static_cast<unsigned char>(s)] = kSeparator;
    return t;
}
constexpr THexClasses kSpacesOnly = BuildHexClasses(" ");
constexpr THexClasses kPasted = BuildHexClasses("\r\n -");

// Pairs the digits into octets, skipping separators wherever they stand.
std::string HexToOctets(std::string_view Text, const THexClasses& Classes) {
    std::string octets(Text.size() / 2, '\0');
    char* out = octets.data();
    const auto* p = reinterpret_cast<const unsigned char*>(Text.data());
    const auto* const end = p + Text.size();
    for (;;) {
        while (p != end && Classes.c[*p] == kSeparator) ++p;
        if (p == end) break;
        const uint8_t high = Classes.c[*p++];
        while (p != end && Classes.c[*p] == kSeparator) ++p;
        if (p == end) throw EConvertError("HexStrToByteStr: Hex-character missing");
        const uint8_t low = Classes.c[*p++];
        if ((high | low) > 15) throw EConvertError("Illegal hex-character");
        *out++ = static_cast<char>(high << 4 | low);
    }
    octets.resize(static_cast<size_t>(out - octets.data()));
    return octets;
}
}  // namespace

void TMisc::AppendHex(std::string& Out, std::string_view ByteStr) {
    const size_t start = Out.size();
    Out.resize(start + 2 * ByteStr.size());
    char* p = Out.data() + start;
    for (unsigned char c : ByteStr) {
        p[0] = detail::kHexPairs[2 * c];
        p[1] = detail::kHexPairs[2 * c + 1];
        p += 2;
    }
}

std::string TMisc::ByteStrToHexStr(std::string_view ByteStr) {
    std::string s;
    AppendHex(s, ByteStr);
    return s;
}

namespace {
// The octets that may stand as themselves in a quoted attribute value: the
// printable ones but the two quote characters and the two that XML reserves
// there ("<" and "&").
constexpr auto BuildVisible() {
    struct TVisible {
        bool c[256];
    } t{};
    for (int ch = 32; ch <= 126; ++ch) t.c[ch] = true;
    for (unsigned char ch : {'"', '\'', '<', '&'}) t.c[ch] = false;
    return t;
}
constexpr auto kVisible = BuildVisible();
}  // namespace

bool TMisc::IsVisibleText(std::string_view ByteStr) noexcept {
    if (ByteStr.empty()) return false;
    for (unsigned char c : ByteStr)
        if (!kVisible.c[c]) return false;
    return true;
}

std::string TMisc::ByteStrToFormatedString2(std::string_view ByteStr) {
    if (IsVisibleText(ByteStr)) {
        std::string s;
        s.reserve(ByteStr.size() + 1);
        s += '\\';
        s += ByteStr;
        return s;
    }
    return ByteStrToHexStr(ByteStr);
}

int TMisc::H1(char c) {
    const int v = kSpacesOnly.c[static_cast<unsigned char>(c)];
    if (v > 15) throw EConvertError("Illegal hex-character");
    return v;
}

uint8_t TMisc::H2(char cHigh, char cLow) { return static_cast<uint8_t>(16 * H1(cHigh) + H1(cLow)); }

std::string TMisc::HexStrToByteStr(std::string_view HexStr) { return HexToOctets(HexStr, kSpacesOnly); }

std::string TMisc::PastedHexToByteStr(std::string_view Text) { return HexToOctets(Text, kPasted); }

namespace {
// One dotted number: the leading run of digits of Text. An empty run or one
// beyond the range of an octet does not convert.
uint8_t TakeDottedNumber(std::string_view& Text) {
    size_t len = 0;
    while (len < Text.size() && Text[len] >= '0' && Text[len] <= '9') ++len;
    const std::string_view run = Text.substr(0, len);
    if (run.empty() || run.size() > 9) throw EConvertError("'" + std::string(run) + "' is not a valid integer value");
    int value = 0;
    for (char c : run) value = value * 10 + (c - '0');
    if (value > 255) throw EConvertError("'" + std::string(run) + "' is not a valid octet value");
    Text.remove_prefix(len < Text.size() ? len + 1 : len);  // the number and the one character after it
    return static_cast<uint8_t>(value);
}
}  // namespace

std::string TMisc::FormattedStrToByteStr(std::string_view Text, TStringFormat& Format) {
    Format = sfNone;
    if (Text.empty()) return {};
    if (Text[0] == '\\') {
        Format = sfVisibleString;
        return std::string(Text.substr(1));
    }
    if (Text.find('.') == std::string_view::npos) {
        std::string bytes = HexStrToByteStr(Text);
        Format = sfHex;
        return bytes;
    }
    std::string bytes(6, '\0');
    for (char& octet : bytes) octet = static_cast<char>(TakeDottedNumber(Text));
    Format = sfDotted;
    return bytes;
}

}  // namespace vantrel
