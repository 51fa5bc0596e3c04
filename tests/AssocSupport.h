// Table rows of the association, protection and short-name tests: vectors
// that translate both ways, and failures with their exact message and position.
#pragma once

#include <span>

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

// Octets (hex) and the XML they translate to, written as a raw literal.
struct TVector {
    const char* Hex;
    const char* Xml;
};

inline void ExpectRoundTrips(std::span<const TVector> Vectors) {
    for (const TVector& v : Vectors) ExpectRoundTrip(v.Hex, Xml(v.Xml));
}

// Octets that translate, and the octets their XML gives back.
struct TCanonical {
    const char* Hex;
    const char* Canonical;
};

inline void ExpectCanonical(std::span<const TCanonical> Rows) {
    for (const TCanonical& r : Rows) {
        const TResult x = ToXml(r.Hex);
        ASSERT_EQ(x.Code, 0) << r.Hex << ": " << x.Message;
        const TResult p = ToPdu(x.Text);
        ASSERT_EQ(p.Code, 0) << p.Message << "\n" << x.Text;
        EXPECT_EQ(p.Text, Norm(r.Canonical)) << r.Hex;
    }
}

struct TPduFailure {
    std::string Hex;
    const char* Message;
    int Position;
};

inline void ExpectPduFailures(std::span<const TPduFailure> Rows) {
    for (const TPduFailure& r : Rows) ExpectPduFailure(r.Hex, r.Message, r.Position);
}

// XML (a raw literal) that fails while it is read.
struct TXmlFailure {
    const char* Xml;
    const char* Message;
    int Position;
};

inline void ExpectXmlFailures(std::span<const TXmlFailure> Rows) {
    for (const TXmlFailure& r : Rows) ExpectXmlFailure(Xml(r.Xml), 1, r.Message, r.Position);
}

}  // namespace vtest
