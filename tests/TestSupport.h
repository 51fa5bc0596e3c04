// Shared helpers of the translator tests: octets written as hex, XML written
// as raw string literals, and one call per direction through the entry points.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <span>

#include <string>
#include <string_view>

#include "vantrel/vantrel.h"

namespace vtest {

// Octets from hex digits; blanks are ignored ("C0 01 C1").
inline std::string Bytes(std::string_view Hex) {
    std::string out;
    int high = -1;
    for (char c : Hex) {
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else continue;
        if (high < 0) high = v;
        else {
            out += static_cast<char>(high * 16 + v);
            high = -1;
        }
    }
    return out;
}

// Upper-case hex digits of octets, no separators.
inline std::string Hex(std::string_view Octets) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string s;
    for (unsigned char c : Octets) {
        s += kDigits[c >> 4];
        s += kDigits[c & 15];
    }
    return s;
}

// Hex written with blanks, normalised for comparison.
inline std::string Norm(std::string_view HexWithBlanks) { return Hex(Bytes(HexWithBlanks)); }

// XML written in a raw literal: one leading line break dropped, LF made CR LF.
inline std::string Xml(std::string_view Text) {
    if (!Text.empty() && Text.front() == '\n') Text.remove_prefix(1);
    std::string s;
    for (char c : Text) {
        if (c == '\n') s += '\r';
        s += c;
    }
    return s;
}

struct TResult {
    int Code = -1;
    std::string Message;
    int Position = -1;
    std::string Text;  // XML after PduToXml, hex of the octets after XmlToPdu
};

inline TResult ToXmlOctets(std::string_view Octets) {
    TResult r;
    TTranslationError e{};
    VantrelStream* s = nullptr;
    PduToXml(reinterpret_cast<const uint8_t*>(Octets.data()), static_cast<uint32_t>(Octets.size()), &s, &e);
    r.Code = e.Code;
    r.Position = e.Position;
    r.Message.assign(e.Message, strnlen(e.Message, sizeof e.Message));  // of a success: its notes
    if (e.Code != 0) {
        EXPECT_EQ(s, nullptr);
    } else {
        r.Text = reinterpret_cast<const char*>(VantrelStreamData(s));
        EXPECT_EQ(VantrelStreamSize(s), r.Text.size() + 1);
    }
    VantrelStreamFree(s);
    return r;
}

// PduToXml of octets given as hex.
inline TResult ToXml(std::string_view HexOctets) { return ToXmlOctets(Bytes(HexOctets)); }

// XmlToPdu; the result text is the hex of the octets.
inline TResult ToPdu(const std::string& XmlText) {
    TResult r;
    TTranslationError e{};
    VantrelStream* s = nullptr;
    XmlToPdu(XmlText.c_str(), &s, &e);
    r.Code = e.Code;
    r.Position = e.Position;
    r.Message.assign(e.Message, strnlen(e.Message, sizeof e.Message));  // of a success: its notes
    if (e.Code != 0) {
        EXPECT_EQ(s, nullptr);
    } else {
        r.Text = Hex(std::string_view(reinterpret_cast<const char*>(VantrelStreamData(s)), VantrelStreamSize(s)));
    }
    VantrelStreamFree(s);
    return r;
}

// Octets → XML is ExpectedXml, and that XML → the same octets → the same XML.
inline void ExpectRoundTrip(std::string_view HexOctets, const std::string& ExpectedXml) {
    const TResult x = ToXml(HexOctets);
    ASSERT_EQ(x.Code, 0) << x.Message << " at " << x.Position;
    EXPECT_EQ(x.Text, ExpectedXml);
    const TResult p = ToPdu(x.Text);
    ASSERT_EQ(p.Code, 0) << p.Message << " at " << p.Position;
    EXPECT_EQ(p.Text, Norm(HexOctets));
}

// Octets → XML → the same octets, without fixing the XML text.
inline void ExpectOctetsSurvive(std::string_view HexOctets) {
    const TResult x = ToXml(HexOctets);
    ASSERT_EQ(x.Code, 0) << x.Message << " at " << x.Position;
    const TResult p = ToPdu(x.Text);
    ASSERT_EQ(p.Code, 0) << p.Message << " at " << p.Position << "\n" << x.Text;
    EXPECT_EQ(p.Text, Norm(HexOctets));
}


// Table rows: octets (hex) and the exact XML they translate to, as a raw literal.
struct TRoundTrip {
    const char* Octets;
    const char* XmlText;
};

// Octets → exactly this XML → the same octets.
inline void ExpectRoundTrips(std::span<const TRoundTrip> Rows) {
    for (const TRoundTrip& r : Rows) {
        SCOPED_TRACE(r.Octets);
        ExpectRoundTrip(r.Octets, Xml(r.XmlText));
    }
}

// Octets that do not translate: the message and the 1-based position of the
// next octet the decoder would have read.
struct TDecodeFailure {
    std::string Octets;
    const char* Message;
    int Position;
};

inline void ExpectDecodeFailures(std::span<const TDecodeFailure> Rows) {
    for (const TDecodeFailure& r : Rows) {
        SCOPED_TRACE(r.Octets);
        const TResult x = ToXml(r.Octets);
        EXPECT_EQ(x.Code, 3);
        EXPECT_EQ(x.Message, r.Message);
        EXPECT_EQ(x.Position, r.Position);
    }
}

// XML (a raw literal or a plain string) and the octets it encodes to, or its
// failure: the message, the reader's position and the code (1 reading, 2
// encoding with position 0).
struct TXmlCase {
    const char* Text;
    const char* Octets;  // null for a failure
    const char* Message;
    int Position;
    int Code = 1;
};

inline void ExpectXmlCases(std::span<const TXmlCase> Rows) {
    for (const TXmlCase& c : Rows) {
        SCOPED_TRACE(c.Text);
        const TResult r = ToPdu(Xml(c.Text));
        if (c.Octets) {
            EXPECT_EQ(r.Code, 0) << r.Message << " at " << r.Position;
            EXPECT_EQ(r.Text, Norm(c.Octets));
        } else {
            EXPECT_EQ(r.Code, c.Code);
            EXPECT_EQ(r.Message, c.Message);
            EXPECT_EQ(r.Position, c.Position);
        }
    }
}


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
