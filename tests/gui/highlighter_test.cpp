// The colouring of the panes: the tokenizer's spans, and the editor styled
// through the lexer across lines.
#include <QSet>
#include <QTest>

#include <Qsci/qsciscintilla.h>

#include "GuiTestSupport.h"
#include "HighLighter.h"

using vantrel::THighlightSpan;

Q_DECLARE_METATYPE(std::vector<THighlightSpan>)

namespace {

constexpr int C = vantrel::hsComment;
constexpr int S = vantrel::hsString;
constexpr int I = vantrel::hsIdentifier;

class THighLighterTest final : public QObject {
    Q_OBJECT
private slots:
    void Tokenize_data() {
        QTest::addColumn<QByteArray>("Text");
        QTest::addColumn<bool>("InComment");
        QTest::addColumn<std::vector<THighlightSpan>>("Spans");
        QTest::addColumn<bool>("EndsInComment");
        using V = std::vector<THighlightSpan>;
        QTest::newRow("empty") << QByteArray() << false << V{} << false;
        QTest::newRow("hex digits are identifiers") << QByteArray("C0 01") << false << V{{0, 2, I}, {3, 2, I}} << false;
        QTest::newRow("xml value in quotes") << QByteArray("<A Value=\"0102\" />") << false
                                             << V{{1, 1, I}, {3, 5, I}, {9, 6, S}} << false;
        QTest::newRow("apostrophe string") << QByteArray("'a b'x") << false << V{{0, 5, S}, {5, 1, I}} << false;
        QTest::newRow("string ends at line end") << QByteArray("\"ab\r\nc") << false << V{{0, 3, S}, {5, 1, I}} << false;
        QTest::newRow("other quote inside") << QByteArray("\"it's\"") << false << V{{0, 6, S}} << false;
        QTest::newRow("line comment") << QByteArray("a // b (* c\r\nd") << false << V{{0, 1, I}, {2, 9, C}, {13, 1, I}}
                                      << false;
        QTest::newRow("single slash") << QByteArray("a/b") << false << V{{0, 1, I}, {2, 1, I}} << false;
        QTest::newRow("block comment across lines") << QByteArray("x (* a\r\nb *) y") << false
                                                    << V{{0, 1, I}, {2, 10, C}, {13, 1, I}} << false;
        QTest::newRow("block comment left open") << QByteArray("(* a\r\nb") << false << V{{0, 7, C}} << true;
        QTest::newRow("continued comment closes") << QByteArray("a *) b") << true << V{{0, 4, C}, {5, 1, I}} << false;
        QTest::newRow("continued comment runs on") << QByteArray("a b") << true << V{{0, 3, C}} << true;
        QTest::newRow("(*) does not close itself") << QByteArray("(*) x") << false << V{{0, 5, C}} << true;
        QTest::newRow("comment opener in string") << QByteArray("\"(*\" a") << false << V{{0, 4, S}, {5, 1, I}} << false;
        QTest::newRow("paren alone") << QByteArray("(a)") << false << V{{1, 1, I}} << false;
        QTest::newRow("underscore word") << QByteArray("_a1 b") << false << V{{0, 3, I}, {4, 1, I}} << false;
    }
    void Tokenize() {
        QFETCH(QByteArray, Text);
        QFETCH(bool, InComment);
        QFETCH(std::vector<THighlightSpan>, Spans);
        QFETCH(bool, EndsInComment);
        std::vector<THighlightSpan> spans;
        const bool endsInComment = vantrel::TokenizeHighlight(std::string_view(Text.constData(), Text.size()), InComment,
                                                              vantrel::TKeywordLists{}, spans);
        QCOMPARE(endsInComment, EndsInComment);
        QVERIFY2(spans == Spans, qPrintable(Describe(spans)));
    }

    void KeywordsShownInTheirGroup() {
        vantrel::TKeywordLists keywords;
        keywords.Groups[1] = {"Data"};
        std::vector<THighlightSpan> spans;
        vantrel::TokenizeHighlight("Data x", false, keywords, spans);
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
