// Conversions between byte strings (one octet per char) and their text forms:
// hexadecimal digits and the formatted octet-string notation of XML values.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

class TMisc {
public:
    // Which notation a formatted octet string used.
    enum TStringFormat { sfNone = 0, sfVisibleString = 1, sfHex = 2, sfDotted = 3 };

    // Two upper-case hex digits per octet, no separators.
    static std::string ByteStrToHexStr(std::string_view ByteStr);
    static void AppendHex(std::string& Out, std::string_view ByteStr);

    // A backslash and the text when every octet is printable (32..126 without
    // the two quote characters, "<" and "&", which an XML attribute value
    // cannot hold as they are), otherwise hex. Empty gives empty. The reader
    // still takes backslash text with "<" and "&" in it, as older XML has it.
    static std::string ByteStrToFormatedString2(std::string_view ByteStr);
    static bool IsVisibleText(std::string_view ByteStr) noexcept;

    // Backslash text, hex digits, or six dotted decimal numbers.
    static std::string FormattedStrToByteStr(std::string_view Text, TStringFormat& Format);

    // Hex digits to octets; spaces anywhere are skipped.
    static std::string HexStrToByteStr(std::string_view HexStr);
    // The same for hex pasted from elsewhere: line breaks, spaces and dashes
    // anywhere are skipped.
    static std::string PastedHexToByteStr(std::string_view Text);

    static int H1(char c);
    static uint8_t H2(char cHigh, char cLow);
};

namespace detail {
constexpr std::array<char, 512> BuildHexPairs() {
    std::array<char, 512> p{};
    constexpr char kDigits[] = "0123456789ABCDEF";
    for (int i = 0; i < 256; ++i) {
        p[2 * i] = kDigits[i >> 4];
        p[2 * i + 1] = kDigits[i & 15];
    }
    return p;
}
// The two upper-case hex digits of every octet value, at 2 * octet.
inline constexpr std::array<char, 512> kHexPairs = BuildHexPairs();
}  // namespace detail

}  // namespace vantrel
