// TXMLParser: the pull reader of the XML form. It reads the subset the
// translator writes: start tags with at most one attribute, stop tags,
// self-closing tags, whitespace, comments. Names map to TXMLId on demand.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "Nesting.h"
#include "XMLId.h"

namespace vantrel {

struct TSecurityContext;
class TParseMap;

enum TXMLToken { xtUnknown = 0, xtStartTag = 1, xtStopTag = 2, xtEndOfBuffer = 3, xtComment = 4 };

class TXMLParser {
public:
    TXMLParser() = default;
    TXMLParser(const TXMLParser&) = delete;
    TXMLParser& operator=(const TXMLParser&) = delete;

    // Starts reading the zero-terminated Text (not owned) and scans the first token.
    void SetText(const char* Text);
    // Scans the next token.
    void Next();

    // The identifier of a name, without regard to case; "'%s' unknown identifier" otherwise.
    TXMLId KeyWord(std::string_view Identifier) const;
    // The identifier of the current tag's name.
    TXMLId Tag() const;
    // The same without failing: false for a name of no identifier.
    bool FindTag(TXMLId& Id) const noexcept;
    bool IsStartTag(TXMLId K) const { return FToken == xtStartTag && Tag() == K; }
    bool IsStartTag(std::initializer_list<TXMLId> Ks) const;
    TXMLId XMLStartTag() const;
    void XMLAssertStartTag(TXMLId K) const;
    void XMLAssertStartTagAndNext(TXMLId K) {
        XMLAssertStartTag(K);
        Next();
    }
    void XMLAssertStopTag(TXMLId K) const;
    void XMLAssertStopTagAndNext(TXMLId K) {
        XMLAssertStopTag(K);
        Next();
    }
    // The value of the current start tag's attribute, which must be Attribute.
    std::string_view XMLGetAttributeValue(TXMLId Attribute) const;
    // The Value attribute in the formatted octet-string notation, as octets.
    std::string HexStrToByteStrOfValue() const;

    [[noreturn]] void UnexpectedKeyword(TXMLId k) const;
    [[noreturn]] void NotImplemented(const std::string& s) const { RaiseXMLError(s); }
    [[noreturn]] void RaiseXMLError(const std::string& s) const;

    // A place in the text, to report a failure found only after reading on.
    struct TMark {
        int NextIdx = 0;
        int LineNr = 0;
        int TokenIdx = 0;
    };
    TMark Mark() const noexcept { return {FNextIdx, FLineNr, FTokenIdx}; }
    // Goes back to Where and fails there with s.
    [[noreturn]] void RaiseXMLErrorAt(const TMark& Where, const std::string& s);

    // Column of the last item within its line, from 0.
    int GetTokenIndexInLine() const;

    TXMLToken Token() const noexcept { return FToken; }
    int NextIdx() const noexcept { return FNextIdx; }
    int LineNr() const noexcept { return FLineNr; }
    int TokenIdx() const noexcept { return FTokenIdx; }
    // Where the current token begins: its "<", the first character of text
    // that is no tag, or the end of the text; blanks and comments before it
    // are skipped.
    int TokenStart() const noexcept { return FTokenStart; }
    std::string_view TagIdentifier() const noexcept { return FTagIdentifier; }
    std::string_view AttribIdentifier() const noexcept { return FAttribIdentifier; }
    std::string_view AttribValue() const noexcept { return FAttribValue; }
    bool HasAttribute() const noexcept { return FHasAttribute; }
    TXMLId AttributeId() const noexcept { return FAttributeId; }
    bool FullElement() const noexcept { return FFullElement; }
    // The current start tag is the field Key of the element being read, not
    // an element of its own (for the octet map).
    void MapInner(uint32_t Key);

    TNesting Nesting;
    // The translation's keys and learned system titles; null: none.
    TSecurityContext* Security = nullptr;
    // The octet map being made of the XML; null: none.
    TParseMap* Map = nullptr;

private:
    void SkipBlanks();
    void ReadTag();
    std::string_view ReadName();
    char Peek(int Offset = 0) const { return FText[FNextIdx + Offset]; }
    // The map told of a tag about to be read and of a value read: apart, so
    // that reading without a map stays lean.
    [[gnu::noinline, gnu::cold]] void MapTag();
    [[gnu::noinline, gnu::cold]] void MapValue();

    const char* FText = "";
    TXMLToken FToken = xtUnknown;
    int FNextIdx = 0;
    int FLineNr = 0;
    int FTokenIdx = 0;
    int FTokenStart = 0;
    std::string_view FTagIdentifier;
    std::string_view FAttribIdentifier;
    std::string_view FAttribValue;
    TXMLId FAttributeId = xmlDummy;
    bool FHasAttribute = false;
    bool FFullElement = false;
    // The identifier of the current tag, looked up once per token.
    mutable TXMLId FTagId = xmlDummy;
    mutable bool FTagIdKnown = false;
};

// Column of Index within its line: the characters since the last line feed.
int ColumnOf(const char* Text, int Index);

}  // namespace vantrel
