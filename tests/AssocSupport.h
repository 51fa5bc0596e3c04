// Checks of failed translations for the association, protection and
// short-name tests: the code, the exact message and the position.
#pragma once

#include "TestSupport.h"

namespace vtest {

// The hex of a BER element: the tag octets, the definite length of the
// contents, the contents ("60", "A1 09 ..." gives "601DA109...").
inline std::string Tlv(std::string_view TagHex, std::string_view ContentsHex) {
    const std::string contents = Bytes(ContentsHex);
    std::string octets = Bytes(TagHex);
    const size_t n = contents.size();
    if (n >= 0x100) octets += {'\x82', static_cast<char>(n >> 8)};
    else if (n >= 0x80) octets += '\x81';
    octets += static_cast<char>(n);
    return Hex(octets + contents);
}

// Octets that do not translate: code 3, the message, the 1-based position
// of the next octet the decoder would have read.
inline void ExpectPduFailure(std::string_view HexOctets, std::string_view Message, int Position) {
    const TResult r = ToXml(HexOctets);
    EXPECT_EQ(r.Code, 3) << HexOctets;
    EXPECT_EQ(r.Message, Message) << HexOctets;
    EXPECT_EQ(r.Position, Position) << HexOctets;
}

// XML that does not translate: code 1 (reading) with the index of the first
// character not consumed, or code 2 (encoding) with position 0.
inline void ExpectXmlFailure(const std::string& XmlText, int Code, std::string_view Message, int Position) {
    const TResult r = ToPdu(XmlText);
    EXPECT_EQ(r.Code, Code) << XmlText;
    EXPECT_EQ(r.Message, Message) << XmlText;
    EXPECT_EQ(r.Position, Position) << XmlText;
}

}  // namespace vtest
