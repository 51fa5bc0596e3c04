// Shared helpers of the translator tests: octets written as hex, XML written
// as raw string literals, and one call per direction through the entry points.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

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
    if (e.Code != 0) {
        r.Message.assign(e.Message, strnlen(e.Message, sizeof e.Message));
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
    if (e.Code != 0) {
        r.Message.assign(e.Message, strnlen(e.Message, sizeof e.Message));
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

}  // namespace vtest
