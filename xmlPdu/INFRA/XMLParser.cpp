#include "XMLParser.h"

#include "Errors.h"
#include "INFRAMisc.h"
#include "OctetMap.h"

namespace vantrel {

namespace {
enum : uint8_t { ccNameStart = 1, ccName = 2, ccBlank = 4 };

constexpr auto BuildClasses() {
    struct Classes { uint8_t c[256]; } t{};
    for (int ch = 'A'; ch <= 'Z'; ++ch) t.c[ch] = ccNameStart | ccName;
    for (int ch = 'a'; ch <= 'z'; ++ch) t.c[ch] = ccNameStart | ccName;
    t.c[static_cast<int>('_')] = ccNameStart | ccName;
    for (int ch = '0'; ch <= '9'; ++ch) t.c[ch] = ccName;
    t.c[static_cast<int>(' ')] = t.c[static_cast<int>('\t')] = t.c[static_cast<int>('\r')] =
        t.c[static_cast<int>('\n')] = ccBlank;
    return t;
}
constexpr auto kClasses = BuildClasses();

inline bool Is(char c, uint8_t cls) { return (kClasses.c[static_cast<unsigned char>(c)] & cls) != 0; }
}  // namespace

int ColumnOf(const char* Text, int Index) {
    int i = Index;
    while (i > 0 && Text[i - 1] != '\n') --i;
    return Index - i;
}

void TXMLParser::SetText(const char* Text) {
    FText = Text ? Text : "";
    FNextIdx = 0;
    FLineNr = 0;
    Next();
}

void TXMLParser::SkipBlanks() {
    while (Is(Peek(), ccBlank)) {
        if (Peek() == '\n') ++FLineNr;
        ++FNextIdx;
    }
}

void TXMLParser::Next() {
    FTagIdKnown = false;
    for (;;) {
        SkipBlanks();
        const char c = Peek();
        if (c == '/' && Peek(1) == '/') {  // line comment, up to the line feed
            while (Peek() != '\n' && Peek() != 0) ++FNextIdx;
            continue;
        }
        if (c == '(' && Peek(1) == '*') {  // block comment; "(*)" closes itself
            ++FNextIdx;
            while (Peek() != 0 && !(Peek() == '*' && Peek(1) == ')')) {
                if (Peek() == '\n') ++FLineNr;
                ++FNextIdx;
            }
            if (Peek() != 0) FNextIdx += 2;
            continue;
        }
        FTokenStart = FNextIdx;
        if (c == 0) {
            FToken = xtEndOfBuffer;
            return;
        }
        if (c != '<') {
            FToken = xtUnknown;  // character data is never accepted
            return;
        }
        FTokenIdx = FNextIdx;
        ++FNextIdx;
        if (Peek() == '!' || Peek() == '?') {  // declaration, instruction or comment
            while (Peek() != '>' && Peek() != 0) {
                if (Peek() == '\n') ++FLineNr;
                ++FNextIdx;
            }
            if (Peek() != 0) ++FNextIdx;
            continue;
        }
        ReadTag();
        if (Map) [[unlikely]]
            MapTag();
        return;
    }
}

std::string_view TXMLParser::ReadName() {
    const int start = FNextIdx;
    while (Is(Peek(), ccName)) ++FNextIdx;
    return {FText + start, static_cast<size_t>(FNextIdx - start)};
}

void TXMLParser::ReadTag() {
    FToken = xtUnknown;
    FFullElement = false;
    FHasAttribute = false;
    FAttribIdentifier = {};
    FAttribValue = {};
    FAttributeId = xmlDummy;

    const bool stop = Peek() == '/';
    if (stop) ++FNextIdx;
    if (!Is(Peek(), ccNameStart)) return;
    FTokenIdx = FNextIdx;
    FTagIdentifier = ReadName();
    SkipBlanks();
    const TXMLToken complete = stop ? xtStopTag : xtStartTag;
    if (Peek() == '>') {
        ++FNextIdx;
        FToken = complete;
        return;
    }
    if (Is(Peek(), ccNameStart)) {
        FAttribIdentifier = ReadName();
        FAttributeId = KeyWord(FAttribIdentifier);
        FHasAttribute = true;
        SkipBlanks();
        if (Peek() != '=') return;
        ++FNextIdx;
        SkipBlanks();
        const char quote = Peek();
        if (quote != '\'' && quote != '"') return;
        FTokenIdx = FNextIdx;
        const int start = ++FNextIdx;
        while (Peek() != quote && Peek() != 0) ++FNextIdx;
        FAttribValue = {FText + start, static_cast<size_t>(FNextIdx - start)};
        if (Map) [[unlikely]]
            MapValue();
        if (Peek() == quote) ++FNextIdx;
        SkipBlanks();
    }
    if (Peek() == '/') {
        ++FNextIdx;
        FFullElement = true;
    }
    if (Peek() == '>') {
        ++FNextIdx;
        FToken = complete;
    }
}

TXMLId TXMLParser::KeyWord(std::string_view Identifier) const {
    TXMLId id;
    if (!FindKeyWord(Identifier, id)) RaiseXMLError("'" + std::string(Identifier) + "' unknown identifier");
    return id;
}

TXMLId TXMLParser::Tag() const {
    if (!FTagIdKnown) {
        FTagId = KeyWord(FTagIdentifier);
        FTagIdKnown = true;
    }
    return FTagId;
}

bool TXMLParser::FindTag(TXMLId& Id) const noexcept {
    if (!FTagIdKnown) {
        if (!FindKeyWord(FTagIdentifier, FTagId)) return false;
        FTagIdKnown = true;
    }
    Id = FTagId;
    return true;
}

bool TXMLParser::IsStartTag(std::initializer_list<TXMLId> Ks) const {
    if (FToken != xtStartTag) return false;
    const TXMLId t = Tag();
    for (TXMLId k : Ks)
        if (t == k) return true;
    return false;
}

TXMLId TXMLParser::XMLStartTag() const {
    if (FToken != xtStartTag) RaiseXMLError("Start tag expected");
    return Tag();
}

void TXMLParser::XMLAssertStartTag(TXMLId K) const {
    if (!IsStartTag(K)) RaiseXMLError("Start tag \"" + std::string(ElementName(K)) + "\" expected");
}

void TXMLParser::XMLAssertStopTag(TXMLId K) const {
    if (FToken != xtStopTag || Tag() != K) RaiseXMLError("Stop tag \"" + std::string(ElementName(K)) + "\" expected");
}

std::string_view TXMLParser::XMLGetAttributeValue(TXMLId Attribute) const {
    if (FToken != xtStartTag || !FHasAttribute || FAttributeId != Attribute)
        RaiseXMLError("\"" + std::string(ElementName(Attribute)) + "\" expected");
    return FAttribValue;
}

std::string TXMLParser::HexStrToByteStrOfValue() const {
    const std::string_view text = XMLGetAttributeValue(xmlValue);
    try {
        TMisc::TStringFormat format;
        return TMisc::FormattedStrToByteStr(text, format);
    } catch (const EConvertError& e) {
        RaiseXMLError(e.Message());
    }
}

void TXMLParser::UnexpectedKeyword(TXMLId k) const {
    RaiseXMLError("Unexpected keyword \"" + std::string(ElementName(k)) + "\"");
}

void TXMLParser::MapTag() {
    if (FToken != xtStartTag && FToken != xtStopTag) return;  // no tag after all
    // A name follows its "<" (or "</") at once.
    const int start = static_cast<int>(FTagIdentifier.data() - FText) - (FToken == xtStopTag ? 2 : 1);
    Map->TagRead(start, FLineNr - static_cast<int>(CountLineFeeds(FText + start, FText + FNextIdx)));
}

void TXMLParser::MapValue() { Map->ValueRead(FAttribValue); }

void TXMLParser::MapInner(uint32_t Key) {
    if (Map) Map->Inner(*this, Key);
}

int TXMLParser::GetTokenIndexInLine() const { return ColumnOf(FText, FTokenIdx); }

void TXMLParser::RaiseXMLErrorAt(const TMark& Where, const std::string& s) {
    FNextIdx = Where.NextIdx;
    FLineNr = Where.LineNr;
    FTokenIdx = Where.TokenIdx;
    RaiseXMLError(s);
}

void TXMLParser::RaiseXMLError(const std::string& s) const {
    throw EXMLError(s, GetTokenIndexInLine(), FLineNr + 1);
}

}  // namespace vantrel
