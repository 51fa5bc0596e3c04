// The colouring of the panes: the tokenizer's spans, and the editor styled
// through the lexer across lines.
#include <QSet>
#include <QTest>

#include <Qsci/qsciscintilla.h>

#include "GuiTestSupport.h"
#include "HighLighter.h"

using vantrel::THighlightSpan;

Q_DECLARE_METATYPE(std::vector<THighlightSpan>)
Q_DECLARE_METATYPE(vantrel::TOpenComment)

namespace {

constexpr int C = vantrel::hsComment;
constexpr int S = vantrel::hsString;
constexpr int I = vantrel::hsIdentifier;
constexpr vantrel::TOpenComment No = vantrel::ocNone;
constexpr vantrel::TOpenComment Paren = vantrel::ocParen;
constexpr vantrel::TOpenComment Xml = vantrel::ocXml;

class THighLighterTest final : public QObject {
    Q_OBJECT
private slots:
    void Tokenize_data() {
        QTest::addColumn<QByteArray>("Text");
        QTest::addColumn<vantrel::TOpenComment>("InComment");
        QTest::addColumn<std::vector<THighlightSpan>>("Spans");
        QTest::addColumn<vantrel::TOpenComment>("EndsInComment");
        using V = std::vector<THighlightSpan>;
        QTest::newRow("empty") << QByteArray() << No << V{} << No;
        QTest::newRow("hex digits are identifiers") << QByteArray("C0 01") << No << V{{0, 2, I}, {3, 2, I}} << No;
        QTest::newRow("xml value in quotes") << QByteArray("<A Value=\"0102\" />") << No
                                             << V{{1, 1, I}, {3, 5, I}, {9, 6, S}} << No;
        QTest::newRow("apostrophe string") << QByteArray("'a b'x") << No << V{{0, 5, S}, {5, 1, I}} << No;
        QTest::newRow("string ends at line end") << QByteArray("\"ab\r\nc") << No << V{{0, 3, S}, {5, 1, I}} << No;
        QTest::newRow("other quote inside") << QByteArray("\"it's\"") << No << V{{0, 6, S}} << No;
        QTest::newRow("line comment") << QByteArray("a // b (* c\r\nd") << No << V{{0, 1, I}, {2, 9, C}, {13, 1, I}}
                                      << No;
        QTest::newRow("single slash") << QByteArray("a/b") << No << V{{0, 1, I}, {2, 1, I}} << No;
        QTest::newRow("block comment across lines") << QByteArray("x (* a\r\nb *) y") << No
                                                    << V{{0, 1, I}, {2, 10, C}, {13, 1, I}} << No;
        QTest::newRow("block comment left open") << QByteArray("(* a\r\nb") << No << V{{0, 7, C}} << Paren;
        QTest::newRow("continued comment closes") << QByteArray("a *) b") << Paren << V{{0, 4, C}, {5, 1, I}} << No;
        QTest::newRow("continued comment runs on") << QByteArray("a b") << Paren << V{{0, 3, C}} << Paren;
        QTest::newRow("(*) does not close itself") << QByteArray("(*) x") << No << V{{0, 5, C}} << Paren;
        QTest::newRow("comment opener in string") << QByteArray("\"(*\" a") << No << V{{0, 4, S}, {5, 1, I}} << No;
        QTest::newRow("paren alone") << QByteArray("(a)") << No << V{{1, 1, I}} << No;
        // XML comments, as the translations write them after a value.
        QTest::newRow("xml comment") << QByteArray("<A /> <!-- 8 Clock -->") << No << V{{1, 1, I}, {6, 16, C}} << No;
        QTest::newRow("xml comment hides quotes and slashes")
            << QByteArray("<!-- it's // \"(* -->x") << No << V{{0, 20, C}, {20, 1, I}} << No;
        QTest::newRow("xml comment across lines") << QByteArray("<!-- a\r\nb --> c") << No << V{{0, 13, C}, {14, 1, I}}
                                                  << No;
        QTest::newRow("xml comment left open") << QByteArray("<!-- a *)\r\nb") << No << V{{0, 12, C}} << Xml;
        QTest::newRow("continued xml comment closes at -->, not *)")
            << QByteArray("a *) b --> c") << Xml << V{{0, 10, C}, {11, 1, I}} << No;
        QTest::newRow("continued paren comment ignores -->") << QByteArray("a --> b") << Paren << V{{0, 7, C}} << Paren;
        QTest::newRow("<!-> is no comment") << QByteArray("<!-x") << No << V{{3, 1, I}} << No;
        QTest::newRow("<!-- at the very end") << QByteArray("a<!--") << No << V{{0, 1, I}, {1, 4, C}} << Xml;
        QTest::newRow("underscore word") << QByteArray("_a1 b") << No << V{{0, 3, I}, {4, 1, I}} << No;
    }
    void Tokenize() {
        QFETCH(QByteArray, Text);
        QFETCH(vantrel::TOpenComment, InComment);
        QFETCH(std::vector<THighlightSpan>, Spans);
        QFETCH(vantrel::TOpenComment, EndsInComment);
        std::vector<THighlightSpan> spans;
        const vantrel::TOpenComment endsInComment = vantrel::TokenizeHighlight(std::string_view(Text.constData(), Text.size()), InComment,
                                                              vantrel::TKeywordLists{}, spans);
        QCOMPARE(endsInComment, EndsInComment);
        QVERIFY2(spans == Spans, qPrintable(Describe(spans)));
    }

    void KeywordsShownInTheirGroup() {
        vantrel::TKeywordLists keywords;
        keywords.Groups[1] = {"Data"};
        std::vector<THighlightSpan> spans;
        vantrel::TokenizeHighlight("Data x", No, keywords, spans);
        QVERIFY((spans == std::vector<THighlightSpan>{{0, 4, vantrel::hsKeyword2}, {5, 1, I}}));
    }

    // A comment opened on one line styles the following lines until it
    // closes, also when the editor styles the text piece by piece.
    void EditorStylesCommentsAcrossLines() {
        vtest::TGuiSandbox sandbox;
        QsciScintilla editor;
        auto* lexer = new vantrel::THighLighter(&editor);
        editor.setLexer(lexer);
        editor.setText(QStringLiteral("a (* b\r\nc\r\nd *) e\r\n\"s\" // f\r\ng"));
        editor.SendScintilla(QsciScintilla::SCI_COLOURISE, 0UL, -1L);
        auto styleAt = [&](int Line, int Index) {
            return static_cast<int>(editor.SendScintilla(QsciScintilla::SCI_GETSTYLEAT,
                                                         editor.positionFromLineIndex(Line, Index)));
        };
        QCOMPARE(styleAt(0, 0), I);
        QCOMPARE(styleAt(0, 5), C);
        QCOMPARE(styleAt(1, 0), C);
        QCOMPARE(styleAt(2, 3), C);
        QCOMPARE(styleAt(2, 5), I);
        QCOMPARE(styleAt(3, 0), S);
        QCOMPARE(styleAt(3, 6), C);
        QCOMPARE(styleAt(4, 0), I);

        // Restyling from line 2 on starts inside the comment.
        editor.SendScintilla(QsciScintilla::SCI_COLOURISE, static_cast<unsigned long>(editor.positionFromLineIndex(1, 0)), -1L);
        QCOMPARE(styleAt(1, 0), C);
        QCOMPARE(styleAt(2, 5), I);

        // Closing the comment earlier restyles the lines after it.
        editor.insertAt(QStringLiteral("*)"), 0, 6);
        editor.SendScintilla(QsciScintilla::SCI_COLOURISE, 0UL, -1L);
        QCOMPARE(styleAt(1, 0), I);
    }

    // An annotated translation: its XML comments are comments, also when one
    // spans lines and the editor restyles from within it, where a "*)"
    // closes nothing.
    void EditorStylesXmlCommentsAcrossLines() {
        vtest::TGuiSandbox sandbox;
        QsciScintilla editor;
        editor.setLexer(new vantrel::THighLighter(&editor));
        editor.setText(QStringLiteral("<ClassId Value=\"0008\" /> <!-- 8 Clock -->\r\n<!-- a\r\nb *) c\r\nd --> e"));
        auto styleAt = [&](int Line, int Index) {
            return static_cast<int>(editor.SendScintilla(QsciScintilla::SCI_GETSTYLEAT,
                                                         editor.positionFromLineIndex(Line, Index)));
        };
        for (const unsigned long from : {0UL, static_cast<unsigned long>(editor.positionFromLineIndex(2, 0))}) {
            editor.SendScintilla(QsciScintilla::SCI_COLOURISE, from, -1L);
            QCOMPARE(styleAt(0, 1), I);
            QCOMPARE(styleAt(0, 15), S);
            QCOMPARE(styleAt(0, 26), C);
            QCOMPARE(styleAt(0, 40), C);
            QCOMPARE(styleAt(2, 0), C);
            QCOMPARE(styleAt(2, 5), C);  // after "*)"
            QCOMPARE(styleAt(3, 2), C);
            QCOMPARE(styleAt(3, 6), I);  // after "-->"
        }
    }

    // A long run is styled with a style and its twin in turn; the two look
    // the same.
    void LongRunsLookTheSame() {
        vtest::TGuiSandbox sandbox;
        QsciScintilla editor;
        auto* lexer = new vantrel::THighLighter(&editor);
        lexer->SetBaseFont(QFont(QStringLiteral("Monospace"), 11));
        editor.setLexer(lexer);
        editor.setText(QString(300, QLatin1Char('A')) + QStringLiteral(" \"") + QString(300, QLatin1Char('B')));
        editor.SendScintilla(QsciScintilla::SCI_COLOURISE, 0UL, -1L);
        QSet<int> seen;
        for (unsigned long i = 0; i < 300; ++i) {
            const int style = static_cast<int>(editor.SendScintilla(QsciScintilla::SCI_GETSTYLEAT, i));
            QCOMPARE(style % vantrel::kTwinStyle, I);
            seen << style;
        }
        QCOMPARE(seen.size(), 2);
        QCOMPARE(editor.SendScintilla(QsciScintilla::SCI_GETSTYLEAT, 450UL) % vantrel::kTwinStyle, S);
        for (int style : {I, S, C}) {
            QCOMPARE(lexer->color(style + vantrel::kTwinStyle), lexer->color(style));
            QCOMPARE(lexer->font(style + vantrel::kTwinStyle), lexer->font(style));
            QVERIFY(!lexer->description(style + vantrel::kTwinStyle).isEmpty());
        }
    }

private:
    static QString Describe(const std::vector<THighlightSpan>& Spans) {
        QString s;
        for (const THighlightSpan& span : Spans) s += QString::asprintf("{%d,%d,%d} ", span.Offset, span.Length, span.Style);
        return s;
    }
};

VTEST_REGISTER(THighLighterTest);

}  // namespace

#include "highlighter_test.moc"
