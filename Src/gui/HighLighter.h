// Syntax colouring of the panes: comments between "(*" and "*)" and XML
// comments between "<!--" and "-->" (both across lines) and from "//" to the
// end of the line, strings between double quotes or apostrophes (ending at
// the end of the line at the latest), identifiers.
// The tokenizer works on plain text and knows nothing of the editor;
// THighLighter feeds it the editor's lines.
#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>

#include <Qsci/qscilexercustom.h>

#include <string_view>
#include <vector>

namespace vantrel {

enum THighlightStyle : int {
    hsDefault = 0,
    hsComment = 1,  // "(* ... *)", "<!-- ... -->" and "// ..."
    hsString = 2,
    hsIdentifier = 3,
    hsKeyword1 = 4,
    hsKeyword2 = 5,
    hsKeyword3 = 6,
};
// Each style has a twin that looks the same, used within long runs.
inline constexpr int kTwinStyle = 16;
inline constexpr size_t kLongRun = 64;

struct THighlightSpan {
    int Offset;
    int Length;
    int Style;
    bool operator==(const THighlightSpan&) const = default;
};

// Keyword lists in three groups; the program attaches none.
struct TKeywordLists {
    std::vector<std::string_view> Groups[3];
    int GroupOf(std::string_view Word) const;  // 0 to 2, -1 for none
};

// The comment a piece of text starts or ends in; also each line's state in
// the editor.
enum TOpenComment : int {
    ocNone = 0,
    ocParen = 1,  // "(*" until "*)"
    ocXml = 2,    // "<!--" until "-->"
};

// Tokenizes Text, which starts inside the comment Open, and appends one span
// per token that is not plain text (offsets relative to Text). Returns the
// comment Text ends in.
TOpenComment TokenizeHighlight(std::string_view Text, TOpenComment Open, const TKeywordLists& Keywords,
                               std::vector<THighlightSpan>& Spans);

class THighLighter final : public QsciLexerCustom {
    Q_OBJECT
public:
    explicit THighLighter(QObject* Parent = nullptr);

    const char* language() const override { return "Vantrel"; }
    QString description(int Style) const override;
    QColor defaultColor(int Style) const override;
    QFont defaultFont(int Style) const override;
    void styleText(int Start, int End) override;

    // The font every style is drawn with (bold and italic added per style).
    void SetBaseFont(const QFont& Font);
    TKeywordLists& Keywords() { return FKeywords; }

private:
    QFont FBaseFont;
    TKeywordLists FKeywords;
    std::vector<THighlightSpan> FSpans;  // reused between calls
    std::vector<char> FStyles;
};

}  // namespace vantrel
