// TLexicalAnalyser: a tokenizer for identifiers, integer and string
// constants, operators and comments. The translator uses it to read the
// brace notation of object identifiers such as {2,16,756,5,8,3,1}.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

enum TLexicalToken {
    toUnknown, toIdentifier, toEndOfBuffer, toSemicolon, toPoint, toBraOpen, toBraClose, toAssigment,
    toPlusEqual, toMinusEqual, toParOpen, toParClose, toComma, toColon, toPlus, toMinus, toRange,
    toEndOfLine, toStrConst, toGreaterOrEqual, toGreater, toLesserOrEqual, toLesser, toDifferent, toEqual,
    toSpaces, toStar, toNotYetKnown, toSlash, toIntConst, toArobase, toCaret, toCurlOpen, toCurlClose,
    toComment, toSharp, toAlias, toPerCent, toVerticalBar, toEllipsis, toAmpersAnd
};

// The display name of a token, used in messages.
std::string_view TokenName(TLexicalToken Token);

enum TLexError { LexNoErr, LexQuoteExp, LexIllChar };

class TLexicalAnalyser {
public:
    TLexicalAnalyser() = default;
    virtual ~TLexicalAnalyser() = default;
    TLexicalAnalyser(const TLexicalAnalyser&) = delete;
    TLexicalAnalyser& operator=(const TLexicalAnalyser&) = delete;

    // Starts on the zero-terminated Text (not owned) and scans the first token.
    void SetText(const char* Text);
    virtual void Next();

    // Fails with "'%s' expected" unless the current token is Token; then Next.
    void Expect(TLexicalToken Token);
    // An integer constant within Low..High; then Next.
    int32_t ExpectInt(int32_t Low, int32_t High);
    [[noreturn]] void UnexpectedToken() const;
    [[noreturn]] void RaiseLexError(const std::string& s) const;
    int GetTokenIndexInLine() const;

    void Push();
    void Pop(bool RestoreValues);

    TLexError LexError = LexNoErr;
    TLexicalToken FToken = toUnknown;
    int FTokenLen = 0;
    int32_t FTokenIntValue = 0;
    int FTokenIdx = 0;
    int FNextIdx = 0;
    int FLineNr = 0;
    bool FFirstTokenOnLine = false;
    std::string FStrConst;
    std::string FIdentifier;

private:
    struct TSavedState {
        TLexicalToken Token;
        int NextIdx;
        std::string Identifier;
    };
    static constexpr int kStackSize = 20;

    char Peek(int Offset = 0) const { return FText[FNextIdx + Offset]; }
    void ScanNumber();
    void ScanString();
    // Skips a block comment opened by "(*"; the scan stands on the "*".
    void SkipBlockComment();

    const char* FText = "";
    int StackIndex = 0;
    TSavedState Stack[kStackSize];
};

}  // namespace vantrel
