#include "HighLighter.h"

#include <Qsci/qsciscintilla.h>

#include <array>
#include <cstring>

namespace vantrel {

namespace {

// Larger buffers, left by colouring a whole large text at once, are freed.
constexpr size_t kKeptBuffer = 1 << 20;

enum TCharClass : unsigned char { ccOther, ccWord, ccQuote, ccSlash, ccParen, ccAngle, ccLineEnd };

constexpr auto kCharClasses = [] {
    std::array<unsigned char, 256> table{};
    for (int c = 'a'; c <= 'z'; ++c) table[c] = ccWord;
    for (int c = 'A'; c <= 'Z'; ++c) table[c] = ccWord;
    for (int c = '0'; c <= '9'; ++c) table[c] = ccWord;
    table['_'] = ccWord;
    table['"'] = ccQuote;
    table['\''] = ccQuote;
    table['/'] = ccSlash;
    table['('] = ccParen;
    table['<'] = ccAngle;
    table['\r'] = ccLineEnd;
    table['\n'] = ccLineEnd;
    return table;
}();

unsigned char ClassOf(char c) { return kCharClasses[static_cast<unsigned char>(c)]; }

constexpr std::string_view kXmlCommentOpen = "<!--";

// Where the comment Open, its opener before From, closes in Text: after its
// closer, or npos when it runs on.
size_t CommentEnd(std::string_view Text, size_t From, TOpenComment Open) {
    const std::string_view closer = Open == ocXml ? std::string_view("-->") : std::string_view("*)");
    const size_t close = Text.find(closer, From);
    return close == std::string_view::npos ? close : close + closer.size();
}

size_t LineEnd(std::string_view Text, size_t From) {
    while (From < Text.size() && ClassOf(Text[From]) != ccLineEnd) ++From;
    return From;
}

void Add(std::vector<THighlightSpan>& Spans, size_t Offset, size_t End, int Style) {
    Spans.push_back({static_cast<int>(Offset), static_cast<int>(End - Offset), Style});
}

}  // namespace

int TKeywordLists::GroupOf(std::string_view Word) const {
    for (int group = 0; group < 3; ++group)
        for (std::string_view keyword : Groups[group])
            if (keyword == Word) return group;
    return -1;
}

TOpenComment TokenizeHighlight(std::string_view Text, TOpenComment Open, const TKeywordLists& Keywords,
                               std::vector<THighlightSpan>& Spans) {
    const size_t n = Text.size();
    // A comment from Start, its opener OpenerSize characters long; false
    // when it runs on to the end of Text.
    size_t i = 0;
    auto comment = [&](size_t Start, size_t OpenerSize, TOpenComment Kind) {
        const size_t end = CommentEnd(Text, Start + OpenerSize, Kind);
        Add(Spans, Start, end == std::string_view::npos ? n : end, hsComment);
        i = end;
        return end != std::string_view::npos;
    };
    if (Open != ocNone && !comment(0, 0, Open)) return Open;
    while (i < n) {
        const char c = Text[i];
        switch (ClassOf(c)) {
            case ccWord: {
                const size_t start = i;
                while (i < n && ClassOf(Text[i]) == ccWord) ++i;
                const int group = Keywords.GroupOf(Text.substr(start, i - start));
                Add(Spans, start, i, group < 0 ? hsIdentifier : hsKeyword1 + group);
                break;
            }
            case ccQuote: {
                const size_t start = i++;
                while (i < n && Text[i] != c && ClassOf(Text[i]) != ccLineEnd) ++i;
                if (i < n && Text[i] == c) ++i;
                Add(Spans, start, i, hsString);
                break;
            }
            case ccSlash:
                if (i + 1 < n && Text[i + 1] == '/') {
                    const size_t end = LineEnd(Text, i);
                    Add(Spans, i, end, hsComment);
                    i = end;
                } else {
                    ++i;
                }
                break;
            case ccParen:
                if (i + 1 < n && Text[i + 1] == '*') {
                    if (!comment(i, 2, ocParen)) return ocParen;
                } else {
                    ++i;
                }
                break;
            case ccAngle:
                if (Text.substr(i, kXmlCommentOpen.size()) == kXmlCommentOpen) {
                    if (!comment(i, kXmlCommentOpen.size(), ocXml)) return ocXml;
                } else {
                    ++i;
                }
                break;
            default:
                ++i;
        }
    }
    return ocNone;
}

THighLighter::THighLighter(QObject* Parent) : QsciLexerCustom(Parent) {}

QString THighLighter::description(int Style) const {
    if (Style >= kTwinStyle && Style <= hsKeyword3 + kTwinStyle) return description(Style - kTwinStyle) + QStringLiteral(" (long run)");
    switch (Style) {
        case hsDefault: return QStringLiteral("Default");
        case hsComment: return QStringLiteral("Comment");
        case hsString: return QStringLiteral("String");
        case hsIdentifier: return QStringLiteral("Identifier");
        case hsKeyword1: return QStringLiteral("Keyword");
        case hsKeyword2: return QStringLiteral("Keyword 2");
        case hsKeyword3: return QStringLiteral("Keyword 3");
        default: return {};
    }
}

QColor THighLighter::defaultColor(int Style) const {
    switch (Style % kTwinStyle) {
        case hsComment: return QColor(Qt::blue);
        case hsString: return QColor(0x80, 0x00, 0x80);  // purple
        case hsKeyword2: return QColor(Qt::darkGreen);
        case hsKeyword3: return QColor(Qt::darkRed);
        default: return QColor(Qt::black);
    }
}

QFont THighLighter::defaultFont(int Style) const {
    Style %= kTwinStyle;
    QFont font = FBaseFont;
    font.setItalic(Style == hsComment);
    font.setBold(Style == hsKeyword1 || Style == hsKeyword2 || Style == hsKeyword3);
    return font;
}

void THighLighter::SetBaseFont(const QFont& Font) {
    FBaseFont = Font;
    for (int style = hsDefault; style <= hsKeyword3; ++style) {
        setFont(defaultFont(style), style);
        setFont(defaultFont(style), style + kTwinStyle);
    }
    setDefaultFont(Font);
}

// Styles from Start (always the start of a line) to End. Each line's state
// records the comment the line ends inside (TOpenComment), which is where the
// styling of the next line starts.
void THighLighter::styleText(int Start, int End) {
    QsciScintilla* editor = this->editor();
    if (!editor || End <= Start) return;
    const long firstLine = editor->SendScintilla(QsciScintilla::SCI_LINEFROMPOSITION, Start);
    const auto startsOpen = static_cast<TOpenComment>(
        firstLine > 0 ? editor->SendScintilla(QsciScintilla::SCI_GETLINESTATE, firstLine - 1) : 0L);

    // The document's own memory, without a copy; it stays put while styling.
    const char* text = reinterpret_cast<const char*>(
        editor->SendScintilla(QsciScintilla::SCI_GETRANGEPOINTER, Start, static_cast<long>(End - Start)));
    if (!text) return;
    FSpans.clear();
    const TOpenComment endsOpen =
        TokenizeHighlight(std::string_view(text, static_cast<size_t>(End - Start)), startsOpen, FKeywords, FSpans);

    // One style octet per character, handed over in one call. Runs longer
    // than kLongRun alternate every two characters between a style and its
    // twin, which looks the same: the editor measures text in pieces of one
    // style and keeps the widths of short pieces, so a line of a million hex
    // digits is measured as octets it already knows instead of anew after
    // every key.
    FStyles.assign(static_cast<size_t>(End - Start), static_cast<char>(hsDefault));
    auto fill = [this](size_t From, size_t Length, int Style) {
        char* styles = FStyles.data() + From;
        if (Length <= kLongRun) {
            std::memset(styles, Style, Length);
            return;
        }
        for (size_t i = 0; i < Length; ++i) styles[i] = static_cast<char>(Style + ((i >> 1) & 1) * kTwinStyle);
    };
    size_t position = 0;
    for (const THighlightSpan& span : FSpans) {
        const auto offset = static_cast<size_t>(span.Offset);
        if (offset > position) fill(position, offset - position, hsDefault);
        fill(offset, static_cast<size_t>(span.Length), span.Style);
        position = offset + static_cast<size_t>(span.Length);
    }
    if (FStyles.size() > position) fill(position, FStyles.size() - position, hsDefault);
    editor->SendScintilla(QsciScintilla::SCI_STARTSTYLING, static_cast<unsigned long>(Start), 0L);
    editor->SendScintilla(QsciScintilla::SCI_SETSTYLINGEX, static_cast<unsigned long>(FStyles.size()), FStyles.data());

    // Lines and spans are both in order: one pass over each.
    const long lastLine = editor->SendScintilla(QsciScintilla::SCI_LINEFROMPOSITION, End);
    size_t k = 0;
    for (long line = firstLine; line <= lastLine; ++line) {
        const long lineEnd = editor->SendScintilla(QsciScintilla::SCI_GETLINEENDPOSITION, line);
        if (lineEnd > End) break;
        const long offset = lineEnd - Start;
        TOpenComment open = endsOpen;
        if (lineEnd < End) {
            while (k < FSpans.size() && FSpans[k].Offset + FSpans[k].Length <= offset) ++k;
            open = ocNone;
            // A comment across the line end: the one continued from before,
            // or the kind its opener names.
            if (k < FSpans.size() && FSpans[k].Style == hsComment && FSpans[k].Offset <= offset)
                open = FSpans[k].Offset == 0 && startsOpen != ocNone ? startsOpen
                       : text[FSpans[k].Offset] == '<'               ? ocXml
                                                                     : ocParen;
        }
        editor->SendScintilla(QsciScintilla::SCI_SETLINESTATE, static_cast<unsigned long>(line), static_cast<long>(open));
    }
    if (FStyles.capacity() > kKeptBuffer) {
        std::vector<char>().swap(FStyles);
        std::vector<THighlightSpan>().swap(FSpans);
    }
}

}  // namespace vantrel
