#include "TerminalText.h"

#include <cstdint>

namespace vantrel::cli {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendByte(std::string& Out, unsigned char Octet) {
    Out += "\\x";
    Out += kHex[Octet >> 4];
    Out += kHex[Octet & 15];
}

// The code points a terminal or a bidirectional text layout acts on.
bool Hidden(uint32_t Code) noexcept {
    return (Code >= 0x80 && Code <= 0x9F) || Code == 0x061C || Code == 0x200E || Code == 0x200F ||
           (Code >= 0x2028 && Code <= 0x202E) || (Code >= 0x2066 && Code <= 0x2069);
}

// The length of the well-formed UTF-8 sequence at the front of Text (2 to
// 4) and its code point, or 0.
size_t Utf8Sequence(std::string_view Text, uint32_t& Code) noexcept {
    const auto lead = static_cast<unsigned char>(Text[0]);
    size_t length;
    uint32_t min;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        min = 0x80;
        Code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        min = 0x800;
        Code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        min = 0x10000;
        Code = lead & 0x07;
    } else {
        return 0;
    }
    if (Text.size() < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(Text[i]);
        if ((c & 0xC0) != 0x80) return 0;
        Code = Code << 6 | (c & 0x3F);
    }
    if (Code < min || Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

void AppendTerminalSafe(std::string& Out, std::string_view Text) {
    size_t plain = 0;  // the start of the text not yet appended
    for (size_t at = 0; at < Text.size();) {
        const auto c = static_cast<unsigned char>(Text[at]);
        if (c >= 0x20 && c < 0x7F) {
            ++at;
            continue;
        }
        if (c == '\t') {
            ++at;
            continue;
        }
        uint32_t code = 0;
        const size_t length = c >= 0x80 ? Utf8Sequence(Text.substr(at), code) : 0;
        if (length != 0 && !Hidden(code)) {
            at += length;
            continue;
        }
        Out.append(Text, plain, at - plain);
        if (length == 0) {
            AppendByte(Out, c);
            ++at;
        } else {
            Out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) Out += kHex[(code >> shift) & 15];
            at += length;
        }
        plain = at;
    }
    Out.append(Text, plain, Text.size() - plain);
}

}  // namespace vantrel::cli
