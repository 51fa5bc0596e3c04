#include "LexicalAnalyser.h"

#include "Errors.h"
#include "XMLParser.h"

namespace vantrel {

namespace {
constexpr std::string_view kTokenNames[] = {
    "",        "Identifier", "End of buffer", ";",  ".",  "[",  "]",  ":=", "+=", "-=", "(",  ")",
    ",",       ":",          "+",             "-",  "..", "End of line", "String constant", ">=", ">",
    "<=",      "<",          "<>",            "=",  " ",  "*",  "",   "/",  "Int constant", "@", "^",
    "{",       "}",          "Comment",       "#",  "::", "%",  "|",  "...", "&"};
static_assert(std::size(kTokenNames) == toAmpersAnd + 1);

// The token a character starts, before looking further.
constexpr auto BuildStartTokens() {
    struct Table { TLexicalToken t[128]; } k{};
    const auto set = [&k](char c, TLexicalToken t) { k.t[static_cast<unsigned char>(c)] = t; };
    for (auto& t : k.t) t = toUnknown;
    for (char c = 'A'; c <= 'Z'; ++c) set(c, toIdentifier);
    for (char c = 'a'; c <= 'z'; ++c) set(c, toIdentifier);
    for (char c = '0'; c <= '9'; ++c) set(c, toIntConst);
    for (char c : {'_', '~'}) set(c, toIdentifier);
    for (char c : {'\'', '"'}) set(c, toStrConst);
    for (char c : {'\n', '\r'}) set(c, toEndOfLine);
    for (char c : {'\t', ' '}) set(c, toSpaces);
    for (char c : {'(', '+', '-', '.', '/', ':', '<', '>'}) set(c, toNotYetKnown);
    set('\0', toEndOfBuffer);
    set(';', toSemicolon);
    set('[', toBraOpen);
    set(']', toBraClose);
    set(')', toParClose);
    set(',', toComma);
    set('=', toEqual);
    set('*', toStar);
    set('@', toArobase);
    set('^', toCaret);
    set('{', toCurlOpen);
    set('}', toCurlClose);
    set('#', toSharp);
    set('%', toPerCent);
    set('|', toVerticalBar);
    set('&', toAmpersAnd);
    return k;
}
constexpr auto kStartTokens = BuildStartTokens();

bool IsIdentChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'; }
char ToUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
}  // namespace

std::string_view TokenName(TLexicalToken Token) { return kTokenNames[Token]; }

void TLexicalAnalyser::SetText(const char* Text) {
    FText = Text ? Text : "";
    FNextIdx = 0;
    FLineNr = 0;
    Next();
    FFirstTokenOnLine = true;
}

void TLexicalAnalyser::SkipBlockComment() {
    while (Peek() != 0 && !(Peek() == '*' && Peek(1) == ')')) {
        if (Peek() == '\n') ++FLineNr;
        ++FNextIdx;
    }
    if (Peek() != 0) FNextIdx += 2;
}

void TLexicalAnalyser::ScanNumber() {
    int radix = 10;
    if (Peek() == '0' && (Peek(1) == 'x' || Peek(1) == 'X')) {
        radix = 16;
        FNextIdx += 2;
        FTokenLen = 2;
    }
    uint32_t value = 0;
    for (int d; (d = DigitValue(Peek())) >= 0; ++FNextIdx, ++FTokenLen)
        value = value * static_cast<uint32_t>(radix) + static_cast<uint32_t>(d);
    FTokenIntValue = static_cast<int32_t>(value);
}

void TLexicalAnalyser::ScanString() {
    const char quote = Peek();
    ++FNextIdx;
    FStrConst.clear();
    for (;;) {
        const char c = Peek();
        if (c == 0 || c == '\r') break;
        ++FNextIdx;
        if (c == quote) {
            if (Peek() != quote) break;
            ++FNextIdx;  // a doubled quote stands for one
        }
        FStrConst += c;
    }
}

void TLexicalAnalyser::Next() {
    FFirstTokenOnLine = false;
    for (;;) {
        for (;; ++FNextIdx) {
            const char c = Peek();
            if (c == '\n') {
                ++FLineNr;
                FFirstTokenOnLine = true;
            } else if (c != ' ' && c != '\t' && c != '\r') {
                break;
            }
        }
        const unsigned char c = static_cast<unsigned char>(Peek());
        if (c > 126) {
            LexError = LexIllChar;
            return;
        }
        FToken = kStartTokens.t[c];
        FTokenIdx = FNextIdx;
        FTokenLen = 0;
        switch (FToken) {
        case toIdentifier:
            FIdentifier.clear();
            do {
                FIdentifier += ToUpper(Peek());
                ++FNextIdx;
                ++FTokenLen;
            } while (IsIdentChar(Peek()));
            return;
        case toIntConst:
            ScanNumber();
            return;
        case toStrConst:
            ScanString();
            return;
        case toEndOfBuffer:
            return;
        case toNotYetKnown: {
            const char n = Peek(1);
            FNextIdx += 1;
            switch (c) {
            case '(':
                if (n == '*') {
                    SkipBlockComment();
                    FToken = toComment;
                } else {
                    FToken = toParOpen;
                }
                break;
            case '+': FToken = n == '=' ? (++FNextIdx, toPlusEqual) : toPlus; break;
            case '-': FToken = n == '=' ? (++FNextIdx, toMinusEqual) : toMinus; break;
            case '.':
                if (n == '.' && Peek(1) == '.') {
                    FNextIdx += 2;
                    FToken = toEllipsis;
                } else if (n == '.') {
                    ++FNextIdx;
                    FToken = toRange;
                } else {
                    FToken = toPoint;
                }
                break;
            case '/':
                if (n == '/') {
                    while (Peek() != '\n' && Peek() != 0) ++FNextIdx;
                    if (Peek() == 0) {
                        FToken = toEndOfBuffer;
                        return;
                    }
                    ++FNextIdx;
                    ++FLineNr;
                    FToken = toComment;
                } else {
                    FToken = toSlash;
                }
                break;
            case ':': FToken = n == '=' ? (++FNextIdx, toAssigment) : n == ':' ? (++FNextIdx, toAlias) : toColon; break;
            case '<':
                FToken = n == '=' ? (++FNextIdx, toLesserOrEqual) : n == '>' ? (++FNextIdx, toDifferent) : toLesser;
                break;
            case '>': FToken = n == '=' ? (++FNextIdx, toGreaterOrEqual) : toGreater; break;
            }
            if (FToken == toComment) continue;
            return;
        }
        default:
            ++FNextIdx;  // a one-character token, or an unknown character
            return;
        }
    }
}

void TLexicalAnalyser::Expect(TLexicalToken Token) {
    if (FToken != Token) RaiseLexError("'" + std::string(TokenName(Token)) + "' expected");
    Next();
}

int32_t TLexicalAnalyser::ExpectInt(int32_t Low, int32_t High) {
    if (FToken != toIntConst)
        RaiseLexError("Integer value [" + std::to_string(Low) + ".." + std::to_string(High) + "] expected.");
    if (FTokenIntValue < Low || FTokenIntValue > High)
        RaiseLexError("Value out of range " + std::to_string(FTokenIntValue) + ".");
    const int32_t v = FTokenIntValue;
    Next();
    return v;
}

void TLexicalAnalyser::UnexpectedToken() const { RaiseLexError("'" + std::string(TokenName(FToken)) + "' unexpected"); }

void TLexicalAnalyser::RaiseLexError(const std::string& s) const {
    throw ELexError::CreateWithPos(s, GetTokenIndexInLine(), FLineNr);
}

int TLexicalAnalyser::GetTokenIndexInLine() const { return ColumnOf(FText, FTokenIdx); }

void TLexicalAnalyser::Push() {
    if (StackIndex >= kStackSize)
        throw EAssertionFailed("Assertion failure (xmlPdu/INFRA/LexicalAnalyser.cpp, line 628)");
    Stack[StackIndex++] = {FToken, FNextIdx, FIdentifier};
}

void TLexicalAnalyser::Pop(bool RestoreValues) {
    if (StackIndex <= 0) throw EAssertionFailed("Assertion failure (xmlPdu/INFRA/LexicalAnalyser.cpp, line 611)");
    --StackIndex;
    if (RestoreValues) {
        FToken = Stack[StackIndex].Token;
        FNextIdx = Stack[StackIndex].NextIdx;
        FIdentifier = Stack[StackIndex].Identifier;
    }
}

}  // namespace vantrel
