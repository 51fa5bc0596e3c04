#include "BytesLiteral.h"

namespace vantrel::trace {

namespace {

bool IsWordChar(char c) noexcept {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

int HexValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads the literal whose quote stands at Quote: its end (after the closing
// quote) and octet count, octets appended to Out when Out is not null, and
// their places (each its escape or character) to Places when that is not
// null, the line standing at At. Returns 0 when there is no well-formed literal.
size_t ReadLiteral(std::string_view Line, size_t Quote, std::string* Out, size_t& Octets, TOctetPlaces* Places = nullptr,
                   uint64_t At = 0) {
    const char quote = Line[Quote];
    Octets = 0;
    for (size_t i = Quote + 1; i < Line.size();) {
        const unsigned char c = static_cast<unsigned char>(Line[i]);
        if (c == static_cast<unsigned char>(quote)) return i + 1;
        if (c < 0x20 || c > 0x7E) return 0;  // a bytes literal holds printable ASCII only
        char octet = static_cast<char>(c);
        const size_t begin = i;
        if (c != '\\') {
            ++i;
        } else {
            if (i + 1 == Line.size()) return 0;
            const char e = Line[i + 1];
            i += 2;
            switch (e) {
            case '\\': octet = '\\'; break;
            case '\'': octet = '\''; break;
            case '"': octet = '"'; break;
            case 'n': octet = '\n'; break;
            case 'r': octet = '\r'; break;
            case 't': octet = '\t'; break;
            case 'a': octet = '\a'; break;
            case 'b': octet = '\b'; break;
            case 'f': octet = '\f'; break;
            case 'v': octet = '\v'; break;
            case 'x': {
                if (i + 2 > Line.size()) return 0;
                const int high = HexValue(Line[i]);
                const int low = HexValue(Line[i + 1]);
                if (high < 0 || low < 0) return 0;
                octet = static_cast<char>(high << 4 | low);
                i += 2;
                break;
            }
            default: {
                if (e < '0' || e > '7') return 0;  // no escape of the language
                int value = e - '0';
                for (int k = 0; k < 2 && i < Line.size() && Line[i] >= '0' && Line[i] <= '7'; ++k) value = value * 8 + (Line[i++] - '0');
                if (value > 0xFF) return 0;
                octet = static_cast<char>(value);
                break;
            }
            }
        }
        if (Out) *Out += octet;
        if (Places) Places->Add(At + begin, At + i);
        ++Octets;
    }
    return 0;  // not closed
}

}  // namespace

bool FindBytesLiteral(std::string_view Line, TOctetRun& Run, std::string& Out, TOctetPlaces* Places, uint64_t At) {
    size_t bestQuote = 0;
    size_t bestEnd = 0;
    size_t bestOctets = 0;
    for (size_t i = 0; i < Line.size(); ++i) {
        if (Line[i] != '\'' && Line[i] != '"') continue;
        if (i == 0 || (Line[i - 1] != 'b' && Line[i - 1] != 'B') || (i >= 2 && IsWordChar(Line[i - 2]))) continue;
        size_t octets = 0;
        const size_t end = ReadLiteral(Line, i, nullptr, octets);
        if (end == 0) continue;
        if (octets > 0 && octets >= bestOctets) {
            bestQuote = i;
            bestEnd = end;
            bestOctets = octets;
        }
        i = end - 1;  // the literal's own quotes open nothing (the loop steps past its closing one)
    }
    if (bestOctets == 0) return false;
    size_t octets = 0;
    ReadLiteral(Line, bestQuote, &Out, octets, Places, At);
    size_t begin = bestQuote - 1;
    size_t end = bestEnd;
    static constexpr std::string_view kByteArray = "bytearray(";
    if (begin >= kByteArray.size() && Line.substr(begin - kByteArray.size(), kByteArray.size()) == kByteArray &&
        end < Line.size() && Line[end] == ')') {
        begin -= kByteArray.size();
        ++end;
    }
    Run = TOctetRun{begin, end, octets};
    return true;
}

}  // namespace vantrel::trace
