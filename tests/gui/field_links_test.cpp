// The link between the XML pane and the hex pane: the caret in one shades
// the field in the other (through TFieldLinks, here a table), and a hover
// over an element shows its meaning, also with Annotate off.
#include <QAction>
#include <QDir>
#include <QTest>

#include <Qsci/qsciscintilla.h>

#include <algorithm>
#include <vector>

#include "FieldLinks.h"
#include "FormMain.h"
#include "FrameBaseEditor.h"
#include "GuiTestSupport.h"
#include "OutcomeView.h"
#include "Src/translate/TranslateCommand.h"

using vantrel::TFieldLink;
using vantrel::TFormMain;
using vantrel::TFrameBaseEditor;

namespace {

const QString kRequest = QStringLiteral("C0 01 C1 00 08 00 00 01 00 00 FF 02 00");

// Links as a table in document order, each with its depth; the innermost
// (deepest, then last) match wins.
class TTableLinks final : public vantrel::TFieldLinks {
public:
    struct TRow {
        TFieldLink Link;
        int Depth;
    };
    explicit TTableLinks(std::vector<TRow> Rows) : FRows(std::move(Rows)) {}
    std::optional<TFieldLink> AtLine(int Line) const override {
        return Best([&](const TFieldLink& l) { return l.FirstLine <= Line && Line <= l.LastLine; });
    }
    std::optional<TFieldLink> AtHex(long Begin, long End) const override {
        return Best([&](const TFieldLink& l) {
            return !l.Deciphered && l.HexBegin <= Begin && (End == Begin ? Begin < l.HexEnd : End <= l.HexEnd);
        });
    }

private:
    template <typename T>
    std::optional<TFieldLink> Best(T Holds) const {
        const TRow* best = nullptr;
        for (const TRow& row : FRows)
            if (Holds(row.Link) && (!best || row.Depth >= best->Depth)) best = &row;
        return best ? std::optional(best->Link) : std::nullopt;
    }
    std::vector<TRow> FRows;
};

// The GET request's elements, their lines in its XML and its octets in the
// spaced hex (octet i at 3i).
std::unique_ptr<TTableLinks> RequestLinks() {
    auto octets = [](const char* Name, int First, int Last, int From, int To) {
        return TFieldLink{QString::fromLatin1(Name), First, Last, 3L * From, 3L * To + 2};
    };
    return std::make_unique<TTableLinks>(std::vector<TTableLinks::TRow>{
        {octets("GetRequest", 1, 10, 0, 12), 0},
        {octets("GetRequestNormal", 2, 9, 1, 12), 1},
        {octets("InvokeIdAndPriority", 3, 3, 2, 2), 2},
        {octets("AttributeDescriptor", 4, 8, 3, 11), 2},
        {octets("ClassId", 5, 5, 3, 4), 3},
        {octets("InstanceId", 6, 6, 5, 10), 3},
        {octets("AttributeId", 7, 7, 11, 11), 3},
    });
}

QString Shaded(const TFrameBaseEditor& Pane) {
    const auto [start, end] = Pane.LinkedRange();
    return start < 0 ? QString() : QString::fromUtf8(Pane.Text().toUtf8().mid(start, end - start));
}

class TFieldLinksTest final : public QObject {
    Q_OBJECT
private:
    // The request in the upper pane translated into the lower, with links.
    void Translated(TFormMain& Form, bool Annotate = false) {
        Form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Form));
        Form.MenuAction("MMAnnotate")->setChecked(Annotate);
        Form.TopEditor()->SetText(kRequest);
        Form.TranslateRequested(Form.TopEditor());
        Form.SetFieldLinks(RequestLinks(), Form.BottomEditor());
    }

private slots:
    void LinesAndMeanings_data() {
        QTest::addColumn<QByteArray>("Text");
        QTest::addColumn<int>("Line");
        QTest::addColumn<QByteArray>("Expected");
        QTest::addColumn<QString>("Meaning");
        const QByteArray xml = "<A>\r\n  <ClassId Value=\"0008\" /> <!-- 8 Clock -->\r\n</A>";
        QTest::newRow("first line") << xml << 1 << QByteArray("<A>") << "";
        QTest::newRow("annotated") << xml << 2 << QByteArray("  <ClassId Value=\"0008\" /> <!-- 8 Clock -->") << "8 Clock";
        QTest::newRow("last line") << xml << 3 << QByteArray("</A>") << "";
        QTest::newRow("beyond") << xml << 4 << QByteArray() << "";
        QTest::newRow("line 0") << xml << 0 << QByteArray() << "";
        QTest::newRow("LF and CR line ends") << QByteArray("a\nb\rc") << 3 << QByteArray("c") << "";
        QTest::newRow("empty last line") << QByteArray("a\r\n") << 2 << QByteArray() << "";
        QTest::newRow("a note before an element is no meaning")
            << QByteArray("<!-- no DedicatedKey --> <ded_GetRequest Value=\"00\" />") << 1
            << QByteArray("<!-- no DedicatedKey --> <ded_GetRequest Value=\"00\" />") << "";
        QTest::newRow("a note on its own line is no meaning")
            << QByteArray("<!-- 2 octets after the end of the APDU: 03 04 -->") << 1
            << QByteArray("<!-- 2 octets after the end of the APDU: 03 04 -->") << "";
        QTest::newRow("opening tag annotated") << QByteArray("<Structure Qty=\"0002\" > <!-- 2 elements -->") << 1
                                               << QByteArray("<Structure Qty=\"0002\" > <!-- 2 elements -->")
                                               << "2 elements";
    }
    void LinesAndMeanings() {
        QFETCH(QByteArray, Text);
        QFETCH(int, Line);
        QFETCH(QByteArray, Expected);
        QFETCH(QString, Meaning);
        const std::string_view line = vantrel::LineOfText(std::string_view(Text.constData(), Text.size()), Line);
        QCOMPARE(QByteArray(line.data(), static_cast<qsizetype>(line.size())), Expected);
        QCOMPARE(vantrel::LineMeaning(line), Meaning);
    }

    // The meanings with Annotate off come from the annotated translation,
    // line for line: annotating only appends a comment to a line. So for
    // every hex vector.
    void AnnotatingOnlyAppendsToLines() {
        const QDir folder(QStringLiteral(VANTREL_VECTOR_DIR));
        int compared = 0;
        for (const QString& name : folder.entryList({QStringLiteral("*.txt")})) {
            const QList<QByteArray> lines = vtest::ReadFile(folder.filePath(name)).split('\n');
            for (const QByteArray& line : lines) {
                if (!line.startsWith("hex ")) continue;
                const std::string hex = line.mid(4).trimmed().toStdString();
                const vantrel::TTranslateOutcome plain = vantrel::TranslateText(hex, vantrel::TTranslateOptions{});
                const vantrel::TTranslateOutcome annotated =
                    vantrel::TranslateText(hex, vantrel::TTranslateOptions{.Annotate = true});
                QCOMPARE(annotated.Kind, plain.Kind);
                if (plain.Kind != vantrel::TTranslateOutcome::Translated) continue;
                for (int n = 1;; ++n) {
                    const std::string_view a = vantrel::LineOfText(annotated.Text, n);
                    const std::string_view p = vantrel::LineOfText(plain.Text, n);
                    QVERIFY2(a.starts_with(p), qPrintable(name + ": " + QString::fromStdString(hex)));
                    if (a.size() > p.size()) QVERIFY(!vantrel::LineMeaning(a).isEmpty());
                    if (a.empty() && p.empty() && vantrel::LineOfText(annotated.Text, n + 1).empty()) break;
                }
                ++compared;
            }
        }
        QVERIFY(compared > 50);
    }

    void HoverShowsTheMeaning_data() {
        QTest::addColumn<bool>("Annotate");
        QTest::newRow("annotate off") << false;
        QTest::newRow("annotate on") << true;
    }
    void HoverShowsTheMeaning() {
        QFETCH(bool, Annotate);
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        Translated(form, Annotate);
        TFrameBaseEditor* xml = form.BottomEditor();
        QCOMPARE(xml->Text().contains("<!--"), Annotate);
        auto at = [&](int Line, int Index) { return static_cast<long>(xml->Editor()->positionFromLineIndex(Line - 1, Index)); };
        QCOMPARE(form.MeaningAt(xml, at(5, 8)), QStringLiteral("8 Clock"));
        QCOMPARE(form.MeaningAt(xml, at(6, 0)), QStringLiteral("0.0.1.0.0.255 Clock"));
        QCOMPARE(form.MeaningAt(xml, at(3, 4)), QStringLiteral("invoke id 1, confirmed, high priority"));
        QCOMPARE(form.MeaningAt(xml, at(4, 4)), QString());  // AttributeDescriptor: nothing to say
        QCOMPARE(form.MeaningAt(form.TopEditor(), 3), QString());

        // A failure keeps the stale XML and its meanings.
        form.TopEditor()->SetText(QStringLiteral("C0 01"));
        form.TranslateRequested(form.TopEditor());
        QVERIFY(xml->IsStale());
        QCOMPARE(form.MeaningAt(xml, at(5, 8)), QStringLiteral("8 Clock"));

        // Edited, the XML is no longer the translation the meanings are of.
        QTest::keyClick(xml->Editor(), Qt::Key_Space);
        QCOMPARE(form.MeaningAt(xml, at(5, 8)), QString());
    }

    void CaretInTheXmlShadesTheOctets_data() {
        QTest::addColumn<int>("Line");
        QTest::addColumn<QString>("Xml");  // shaded in the XML pane
        QTest::addColumn<QString>("Hex");  // shaded in the hex pane
        QTest::newRow("a value") << 5 << "<ClassId Value=\"0008\" />" << "00 08";
        QTest::newRow("a logical name") << 6 << "<InstanceId Value=\"0000010000FF\" />" << "00 00 01 00 00 FF";
        QTest::newRow("an end tag") << 8 << "<AttributeDescriptor>\r\n      <ClassId Value=\"0008\" />\r\n"
                                           "      <InstanceId Value=\"0000010000FF\" />\r\n      <AttributeId Value=\"02\" />\r\n"
                                           "    </AttributeDescriptor>"
                                    << "00 08 00 00 01 00 00 FF 02";
        QTest::newRow("the APDU") << 1 << "" << kRequest;
        QTest::newRow("below the XML") << 11 << "" << "";
    }
    void CaretInTheXmlShadesTheOctets() {
        QFETCH(int, Line);
        QFETCH(QString, Xml);
        QFETCH(QString, Hex);
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        Translated(form);
        TFrameBaseEditor* xml = form.BottomEditor();
        xml->Editor()->setCursorPosition(Line - 1, 2);
        QTRY_COMPARE(Shaded(*form.TopEditor()), Hex);
        if (Line != 1) QCOMPARE(Shaded(*xml), Xml);
        else QVERIFY(Shaded(*xml).startsWith("<GetRequest>\r\n") && Shaded(*xml).endsWith("</GetRequest>"));
    }

    void SelectionInTheHexShadesTheElement_data() {
        QTest::addColumn<int>("Begin");
        QTest::addColumn<int>("End");
        QTest::addColumn<QString>("XmlFirstLine");  // of the shade in the XML pane
        QTest::addColumn<QString>("Hex");
        QTest::newRow("caret before a digit") << 15 << 15 << "<InstanceId Value=\"0000010000FF\" />" << "00 00 01 00 00 FF";
        QTest::newRow("caret between an octet's digits") << 34 << 34 << "<AttributeId Value=\"02\" />" << "02";
        QTest::newRow("selection within one element") << 15 << 20 << "<InstanceId Value=\"0000010000FF\" />"
                                                      << "00 00 01 00 00 FF";
        QTest::newRow("selection across two: the element holding both") << 12 << 17 << "<AttributeDescriptor>"
                                                                         << "00 08 00 00 01 00 00 FF 02";
        QTest::newRow("the tag octet: the APDU's") << 0 << 1 << "<GetRequest>" << kRequest;
        QTest::newRow("an octet no element of its own shows") << 36 << 37 << "<GetRequestNormal>"
                                                               << kRequest.mid(3);
    }
    void SelectionInTheHexShadesTheElement() {
        QFETCH(int, Begin);
        QFETCH(int, End);
        QFETCH(QString, XmlFirstLine);
        QFETCH(QString, Hex);
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        Translated(form);
        form.TopEditor()->Editor()->SendScintilla(QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(Begin), static_cast<long>(End));
        QTRY_COMPARE(Shaded(*form.TopEditor()), Hex);
        QCOMPARE(Shaded(*form.BottomEditor()).section("\r\n", 0, 0), XmlFirstLine);
    }

    // An edit of either pane ends the links: nothing is shaded from then on.
    void EditsEndTheLinks_data() {
        QTest::addColumn<bool>("EditXml");
        QTest::newRow("hex edited") << false;
        QTest::newRow("xml edited") << true;
    }
    void EditsEndTheLinks() {
        QFETCH(bool, EditXml);
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        Translated(form);
        form.BottomEditor()->Editor()->setCursorPosition(4, 2);
        QTRY_COMPARE(Shaded(*form.TopEditor()), QStringLiteral("00 08"));
        TFrameBaseEditor* edited = EditXml ? form.BottomEditor() : form.TopEditor();
        QTest::keyClick(edited->Editor(), Qt::Key_Space);
        QVERIFY(!form.FieldLinks());
        QTRY_COMPARE(Shaded(*form.TopEditor()), QString());
        QCOMPARE(Shaded(*form.BottomEditor()), QString());
        form.BottomEditor()->Editor()->setCursorPosition(5, 2);
        QTest::qWait(50);
        QCOMPARE(Shaded(*form.TopEditor()), QString());
    }

    // Until the translate command keeps an octet map, translations bring
    // no links of their own.
    void TranslationsWithoutAMapHaveNoLinks() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.TopEditor()->SetText(kRequest);
        form.TranslateRequested(form.TopEditor());
        QVERIFY(!form.FieldLinks());
    }
};

VTEST_REGISTER(TFieldLinksTest);

}  // namespace

#include "field_links_test.moc"
