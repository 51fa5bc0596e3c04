#include "BERPrimitives.h"

#include <algorithm>
#include <charconv>

#include "../INFRA/LexicalAnalyser.h"

namespace vantrel {

// ---------------------------------------------------------------- bit string

void TBERBitStr::LoadPduStr(TStringWrapper& PDUStr) {
    const int length = PDUStr.NextByte();
    const int unused = PDUStr.NextByte();
    const std::string_view octets = PDUStr.CopyFromIndexAndForward(length - 1);
    // The encoder counts the unused bits of the last octet, 0 without octets.
    if (octets.empty() ? unused != 0 : unused > 7) PDUStr.Canonical = false;
    // An unused-bits count above 8 leaves the last octet no bits at all.
    const size_t bits = octets.empty() ? 0 : octets.size() * 8 - static_cast<size_t>(std::min(unused, 8));
    Value.resize(bits);
    for (size_t i = 0; i < bits; ++i)
        Value[i] = (static_cast<uint8_t>(octets[i / 8]) & (0x80u >> (i % 8))) ? '1' : '0';
    if (bits % 8) Padding = static_cast<uint8_t>(octets.back()) & (0xFFu >> (bits % 8));
}

void TBERBitStr::EncodeToPduStr(std::string& PduStr) const {
    const size_t octets = (Value.size() + 7) / 8;
    // The length is a single octet and counts the unused-bits octet too.
    if (octets > 254) throw EVantrelError("BERBitString: too long, " + std::to_string(Value.size()) + " bits");
    PduStr += static_cast<char>(octets + 1);
    PduStr += static_cast<char>(octets * 8 - Value.size());
    for (size_t first = 0; first < Value.size(); first += 8) {
        uint8_t octet = 0;
        const size_t last = std::min(first + 8, Value.size());
        for (size_t i = first; i < last; ++i) {
            const char c = Value[i];
            if (c != '0' && c != '1') throw EVantrelError("BERBitString: illegal character");
            octet = static_cast<uint8_t>(octet << 1 | (c == '1'));
        }
        PduStr += static_cast<char>(LastOctet(octet, static_cast<int>(last - first)));
    }
}

void TBERBitStr::IntersectWith(std::string_view S) noexcept {
    const size_t n = std::min(Value.size(), S.size());
    for (size_t i = 0; i < n; ++i)
        if (S[i] == '0') Value[i] = '0';
}

// --------------------------------------------------------- object identifier

namespace {
using namespace std::string_view_literals;

struct TObjectIdentifierName {
    std::string_view Name;
    std::string_view Contents;
};

// Every named identifier but UNKNOWN is 2.16.756.5.8, a kind (1 application
// context, 2 mechanism) and an item. UNKNOWN stands for 2.15.757.4.7.2.3.
constexpr TObjectIdentifierName kObjectIdentifierNames[] = {
    {"UNKNOWN", "\x5F\x85\x75\x04\x07\x02\x03"sv},
    {"LN", "\x60\x85\x74\x05\x08\x01\x01"sv},
    {"SN", "\x60\x85\x74\x05\x08\x01\x02"sv},
    {"LN_WITH_CIPHERING", "\x60\x85\x74\x05\x08\x01\x03"sv},
    {"SN_WITH_CIPHERING", "\x60\x85\x74\x05\x08\x01\x04"sv},
    {"NO_SECURITY", "\x60\x85\x74\x05\x08\x02\x00"sv},
    {"LOW_SECURITY", "\x60\x85\x74\x05\x08\x02\x01"sv},
    {"HIGH_SECURITY", "\x60\x85\x74\x05\x08\x02\x02"sv},
    {"HIGH_SECURITY_MD5", "\x60\x85\x74\x05\x08\x02\x03"sv},
    {"HIGH_SECURITY_SHA1", "\x60\x85\x74\x05\x08\x02\x04"sv},
    {"HIGH_SECURITY_GMAC", "\x60\x85\x74\x05\x08\x02\x05"sv},
    {"HIGH_SECURITY_SHA256", "\x60\x85\x74\x05\x08\x02\x06"sv},
    {"HIGH_SECURITY_ECDSA", "\x60\x85\x74\x05\x08\x02\x07"sv},
};
constexpr size_t kNamedLength = 7;
static_assert([] {
    for (const TObjectIdentifierName& n : kObjectIdentifierNames)
        if (n.Contents.size() != kNamedLength) return false;
    return true;
}());

// Arcs beyond this cannot be part of a seven-octet identifier anyway.
constexpr uint64_t kMaxArc = (uint64_t{1} << 56) - 1;

void AppendNumber(std::string& Out, uint64_t Value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, Value).ptr;
    Out.append(digits, end);
}

// The arcs of the contents octets in braces; false when the octets are not a
// run of minimal base-128 subidentifiers.
bool ArcsOfContents(std::string_view Contents, std::string& Text) {
    Text = "{";
    uint64_t subidentifier = 0;
    size_t octets = 0;  // of the subidentifier being read
    for (const char c : Contents) {
        const auto octet = static_cast<uint8_t>(c);
        if (octets == 0 && octet == 0x80) return false;  // a leading zero septet is not minimal
        subidentifier = subidentifier << 7 | (octet & 0x7F);
        ++octets;
        if (octet & 0x80) continue;
        if (Text.size() == 1) {  // the first subidentifier holds two arcs
            const uint64_t first = subidentifier < 40 ? 0 : subidentifier < 80 ? 1 : 2;
            AppendNumber(Text, first);
            Text += ',';
            AppendNumber(Text, subidentifier - 40 * first);
        } else {
            Text += ',';
            AppendNumber(Text, subidentifier);
        }
        subidentifier = 0;
        octets = 0;
    }
    if (octets != 0) return false;  // the last subidentifier is cut off
    Text += '}';
    return true;
}

void AppendSubidentifier(std::string& Contents, uint64_t Value) {
    char septets[10];
    int n = 0;
    do {
        septets[n++] = static_cast<char>(Value & 0x7F);
        Value >>= 7;
    } while (Value != 0);
    while (n > 1) Contents += static_cast<char>(septets[--n] | 0x80);
    Contents += septets[0];
}

// One arc of the brace notation, at most High. The lexer keeps only 32 bits
// of a number, so the value is taken again from the token's text.
uint64_t ExpectArc(TLexicalAnalyser& Lex, const std::string& Text, uint64_t High) {
    if (Lex.FToken != toIntConst) Lex.RaiseLexError("Integer value [0.." + std::to_string(High) + "] expected.");
    const std::string_view token = std::string_view(Text).substr(static_cast<size_t>(Lex.FTokenIdx),
                                                                  static_cast<size_t>(Lex.FTokenLen));
    size_t i = 0;
    uint64_t radix = 10;
    if (token.size() >= 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
        radix = 16;
        i = 2;
    }
    uint64_t value = 0;
    for (; i < token.size(); ++i) {
        const char c = token[i];
        const uint64_t digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        if (digit > High || value > (High - digit) / radix)
            Lex.RaiseLexError("Value out of range " + std::string(token) + ".");
        value = value * radix + digit;
    }
    Lex.Next();
    return value;
}

// The contents octets of an identifier written as arcs in braces.
std::string ContentsOfArcs(const std::string& Text) {
    TLexicalAnalyser lex;
    lex.SetText(Text.c_str());
    std::string contents;
    lex.Expect(toCurlOpen);
    if (lex.FToken != toCurlClose) {
        const uint64_t first = ExpectArc(lex, Text, 2);
        lex.Expect(toComma);
        const uint64_t second = ExpectArc(lex, Text, first < 2 ? 39 : kMaxArc - 80);
        AppendSubidentifier(contents, 40 * first + second);
        while (lex.FToken == toComma) {
            lex.Next();
            AppendSubidentifier(contents, ExpectArc(lex, Text, kMaxArc));
        }
    }
    lex.Expect(toCurlClose);
    if (lex.FToken != toEndOfBuffer) lex.UnexpectedToken();
    return contents;
}

[[noreturn]] void RaiseIllegalLength(size_t Length) {
    throw EVantrelError("Object identifier illegal length " + std::to_string(Length));
}
}  // namespace

void TBERObjectIdentifier::LoadFromPDUStr(TStringWrapper& PDUStr) {
    const uint8_t length = PDUStr.NextByte();
    if (length != 0 && length != kNamedLength) RaiseIllegalLength(length);
    const std::string_view contents = PDUStr.CopyFromIndexAndForward(length);
    for (size_t row = 0; row < std::size(kObjectIdentifierNames); ++row) {
        if (contents == kObjectIdentifierNames[row].Contents) {
            Value = static_cast<uint8_t>(row);
            return;
        }
    }
    std::string text;
    if (ArcsOfContents(contents, text)) {
        Value = kUnnamed;
        Contents.assign(contents);
    } else {
        Value = 0;  // octets that are no identifier at all: UNKNOWN
        PDUStr.Canonical = false;
    }
}

void TBERObjectIdentifier::LoadFromXml(TXMLParser& XMLParser) {
    XMLParser.XMLAssertStartTag(XMLId);
    const std::string_view text = XMLParser.XMLGetAttributeValue(xmlValue);
    for (size_t row = 0; row < std::size(kObjectIdentifierNames); ++row) {
        if (text == kObjectIdentifierNames[row].Name) {
            Value = static_cast<uint8_t>(row);
            XMLParser.Next();
            return;
        }
    }
    const size_t open = text.find_first_not_of(" \t\r\n");
    if (open == std::string_view::npos || text[open] != '{')
        XMLParser.RaiseXMLError("Illegal value " + std::string(text));
    try {
        std::string contents = ContentsOfArcs(std::string(text));
        if (!contents.empty() && contents.size() != kNamedLength) RaiseIllegalLength(contents.size());
        // Arcs that spell a named identifier are that name.
        Value = kUnnamed;
        for (size_t row = 0; row < std::size(kObjectIdentifierNames); ++row)
            if (contents == kObjectIdentifierNames[row].Contents) Value = static_cast<uint8_t>(row);
        if (Value == kUnnamed) Contents = std::move(contents);
    } catch (const EVantrelError& e) {
        XMLParser.RaiseXMLError(e.Message());
    }
    XMLParser.Next();
}

void TBERObjectIdentifier::EncodeToPduStr(std::string& PduStr) const {
    if (Value == kUnnamed) {
        PduStr += static_cast<char>(Contents.size());
        PduStr += Contents;
        return;
    }
    PduStr += static_cast<char>(kNamedLength);
    PduStr += kObjectIdentifierNames[Value].Contents;
}

void TBERObjectIdentifier::EncodeToDataPduStr(std::string& PduStr) const {
    PduStr += '\x09';
    EncodeToPduStr(PduStr);
}

std::string TBERObjectIdentifier::GetValueStr() const {
    if (Value != kUnnamed) return std::string(kObjectIdentifierNames[Value].Name);
    std::string text;
    ArcsOfContents(Contents, text);
    return text;
}

void TBERObjectIdentifier::ToXML(TScriptStream& Stream) const {
    EmitTagAttrLine(Stream, XMLId, xmlValue, GetValueStr());
}

bool TBERObjectIdentifier::Equal(const TBERObjectIdentifier* O1, const TBERObjectIdentifier* O2) noexcept {
    if (!O1 || !O2) return !O1 && !O2;
    return O1->Value == O2->Value && (O1->Value != kUnnamed || O1->Contents == O2->Contents);
}

// ------------------------------------------------------- one-octet integers

void RaiseBERIntegerSize(std::string_view ClassName) {
    throw EVantrelError(std::string(ClassName) + ": Illegal data size");
}

}  // namespace vantrel
