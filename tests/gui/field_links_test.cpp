// The link between the XML pane and the hex pane: the caret in one shades
// the field in the other (through TFieldLinks: a table, and the octet maps
// of real translations), and a hover over an element shows its meaning,
// also with Annotate off.
#include <QAction>
#include <QDir>
#include <QTest>

#include <Qsci/qsciscintilla.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "FieldLinks.h"
#include "FormMain.h"
#include "FrameBaseEditor.h"
#include "GuiTestSupport.h"
#include "KeySet.h"
#include "OutcomeView.h"
#include "Src/translate/TranslateCommand.h"
#include "vantrel/vantrel.h"

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

// A GET request ciphered with a dedicated key (keys in the test below).
const QString kCiphered = QStringLiteral("D01E3000000001D3B903996D9508C5B6BCDEB025DD1800A5C92775FB55F317CF");

// The line (from 1) of Pane whose text, blanks trimmed, starts with Start; 0
// for none.
int LineStarting(const TFrameBaseEditor& Pane, const QString& Start) {
    const QStringList lines = Pane.Text().split(QStringLiteral("\r\n"));
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].trimmed().startsWith(Start)) return i + 1;
    return 0;
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

    // Real translations bring their links: the caret on an element's line
    // shades its octets where they stand in the hex (spaced, unspaced,
    // wrapped over lines, in a frame or WRAPPER PDU, the hex the XML gave,
    // spaced or not), and a caret in those octets, or the octets selected,
    // shades the element again.
    void RealTranslationsLinkBothWays_data() {
        QTest::addColumn<QString>("Hex");      // into the upper pane
        QTest::addColumn<bool>("Back");        // the XML translated back into the upper pane
        QTest::addColumn<bool>("Spaced");      // "Spaced hex output"
        QTest::addColumn<QString>("Element");  // the start of its line in the XML
        QTest::addColumn<QString>("Octets");   // shaded in the hex pane
        QTest::newRow("spaced") << kRequest << false << false << "<InstanceId" << "00 00 01 00 00 FF";
        QTest::newRow("unspaced") << "C001C100080000010000FF0200" << false << false << "<InstanceId" << "0000010000FF";
        QTest::newRow("lower case, dashes") << "c0-01-c1-00-08-00-00-01-00-00-ff-02-00" << false << false << "<ClassId"
                                            << "00-08";
        QTest::newRow("wrapped over lines") << "C0 01 C1 00 08 00 00\r\n  01 00 00 FF 02 00" << false << false
                                            << "<InstanceId" << "00 00\r\n  01 00 00 FF";
        QTest::newRow("a value in a structure, with its tag")
            << "C4 01 C1 00 02 02 12 00 05 09 02 AB CD" << false << false << "<OctetString" << "09 02 AB CD";
        QTest::newRow("an HDLC frame")
            << "7E A0 19 03 21 32 6F D8 E6 E6 00 C0 01 C1 00 08 00 00 01 00 00 FF 02 00 60 1A 7E" << false << false
            << "<InstanceId" << "00 00 01 00 00 FF";
        QTest::newRow("a WRAPPER PDU") << "00 01 00 01 00 01 00 0D C0 01 C1 00 08 00 00 01 00 00 FF 02 00" << false
                                       << false << "<AttributeId" << "02";
        QTest::newRow("an LLC header") << "E6 E6 00 C0 01 C1 00 08 00 00 01 00 00 FF 02 00" << false << false
                                       << "<InstanceId" << "00 00 01 00 00 FF";
        QTest::newRow("WRAPPER PDUs back to back, the second's")
            << "00 01 00 01 00 01 00 0D C0 01 C1 00 08 00 00 01 00 00 FF 02 00\r\n00 01 00 01 00 01 00 07 C4 01 C1 00 12 00 05"
            << false << false << "<LongUnsigned" << "00 05";
        QTest::newRow("the XML's hex") << kRequest << true << false << "<InstanceId" << "0000010000FF";
        QTest::newRow("the XML's hex, spaced") << kRequest << true << true << "<InstanceId" << "00 00 01 00 00 FF";
        QTest::newRow("the XML's hex, spaced, the APDU") << kRequest << true << true << "<GetRequest>" << kRequest;
    }
    void RealTranslationsLinkBothWays() {
        QFETCH(QString, Hex);
        QFETCH(bool, Back);
        QFETCH(bool, Spaced);
        QFETCH(QString, Element);
        QFETCH(QString, Octets);
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.MenuAction("MMSpacedHex")->setChecked(Spaced);
        form.TopEditor()->SetText(Hex);
        form.TranslateRequested(form.TopEditor());
        if (Back) {
            form.TopEditor()->Clear();
            form.TranslateRequested(form.BottomEditor());
            QCOMPARE(form.TopEditor()->Text(), Spaced ? kRequest : QString(kRequest).remove(' '));
        }
        QVERIFY(form.FieldLinks());
        TFrameBaseEditor* xml = form.BottomEditor();
        TFrameBaseEditor* hex = form.TopEditor();
        const int line = LineStarting(*xml, Element);
        QVERIFY2(line > 0, qPrintable(xml->Text()));

        xml->Editor()->setCursorPosition(line - 1, 3);
        QTRY_COMPARE(Shaded(*hex), Octets);
        QVERIFY(!hex->LinkCiphered());
        QVERIFY(Shaded(*xml).startsWith(Element));
        const auto [begin, end] = hex->LinkedRange();

        // Back from the hex: a caret in the element's last octet, and its
        // octets selected (with the blank after them too), give the element.
        const QByteArray text = hex->Text().toUtf8();
        const long blank = end < text.size() && !std::isxdigit(static_cast<unsigned char>(text.at(static_cast<qsizetype>(end)))) ? 1 : 0;
        for (const auto& [from, to] : {std::pair(end - 1, end - 1), std::pair(begin, end), std::pair(begin, end + blank)}) {
            xml->Editor()->setCursorPosition(0, 0);
            hex->Editor()->SendScintilla(QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(from), static_cast<long>(to));
            QTRY_VERIFY2(Shaded(*xml).startsWith(Element), qPrintable(Shaded(*xml)));
            QCOMPARE(xml->LineAt(xml->LinkedRange().first), line);
            QCOMPARE(Shaded(*hex), Octets);
        }
    }

    // Octets selected in a real translation's hex: the innermost element
    // holding all of them.
    void SelectionInARealTranslation_data() {
        QTest::addColumn<int>("Begin");
        QTest::addColumn<int>("End");
        QTest::addColumn<QString>("Element");
        QTest::newRow("two octets of a value") << 40 << 45 << "<OctetString";
        QTest::newRow("a value's tag") << 27 << 28 << "<OctetString";
        QTest::newRow("across two values") << 25 << 28 << "<Structure";
        QTest::newRow("the structure's tag") << 12 << 14 << "<Data>";
        QTest::newRow("the invoke id") << 6 << 8 << "<InvokeIdAndPriority";
    }
    void SelectionInARealTranslation() {
        QFETCH(int, Begin);
        QFETCH(int, End);
        QFETCH(QString, Element);
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.TopEditor()->SetText(QStringLiteral("C4 01 C1 00 02 02 12 00 05 09 06 01 00 01 08 00 FF"));
        form.TranslateRequested(form.TopEditor());
        form.TopEditor()->Editor()->SendScintilla(QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(Begin), static_cast<long>(End));
        QTRY_VERIFY2(Shaded(*form.BottomEditor()).startsWith(Element), qPrintable(Shaded(*form.BottomEditor())));
    }

    // For every hex vector, the links answer as the library's own lookups
    // do (VantrelStreamMapAtLine, VantrelStreamMapAtSource, and the range
    // of VantrelStreamMapRange): on every line of the XML, on both digits
    // of every octet.
    void LinksAnswerAsTheLibraryDoes() {
        const QDir folder(QStringLiteral(VANTREL_VECTOR_DIR));
        int lines = 0, octets = 0;
        for (const QString& name : folder.entryList({QStringLiteral("*.txt")})) {
            for (const QByteArray& row : vtest::ReadFile(folder.filePath(name)).split('\n')) {
                if (!row.startsWith("hex ")) continue;
                const std::string hex = row.mid(4).trimmed().toStdString();
                const vantrel::TTranslateOutcome outcome =
                    vantrel::TranslateText(hex, vantrel::TTranslateOptions{.Map = true, .MapSources = true});
                if (outcome.Kind != vantrel::TTranslateOutcome::Translated) continue;
                const std::unique_ptr<vantrel::TFieldLinks> links = vantrel::FieldLinksOf(outcome, false);
                VantrelStream* stream = nullptr;
                VantrelTranslation result{};
                QCOMPARE(VantrelTranslate(hex.data(), static_cast<uint32_t>(hex.size()), nullptr, VANTREL_MAP, &stream,
                                          nullptr, &result),
                         outcome.Kind == vantrel::TTranslateOutcome::Translated ? VANTREL_TRANSLATED : -1);
                const VantrelMapEntry* entries = VantrelStreamMap(stream);
                QVERIFY(links && entries);
                const QString where = name + ": " + QString::fromStdString(hex);
                auto same = [&](const std::optional<TFieldLink>& Link, uint32_t Entry) {
                    if (Entry == VANTREL_MAP_NONE) return !Link;
                    uint32_t begin = 0, end = 0;
                    const bool placed = VantrelStreamMapRange(stream, Entry, &begin, &end) >= 0;
                    return Link && Link->Element == QLatin1String(entries[Entry].Element) &&
                           Link->FirstLine == static_cast<int>(entries[Entry].Line) &&
                           Link->HexBegin == (placed ? static_cast<long>(begin) : -1L) &&
                           Link->HexEnd == (placed ? static_cast<long>(end) : -1L);
                };
                for (int line = 0; line <= static_cast<int>(outcome.Maps.back().LastLine) + 1; ++line, ++lines)
                    QVERIFY2(same(links->AtLine(line), VantrelStreamMapAtLine(stream, static_cast<uint32_t>(line))),
                             qPrintable(where + QStringLiteral(" line %1").arg(line)));
                for (long position = 0; position < static_cast<long>(hex.size()); ++position) {
                    const uint32_t entry = VantrelStreamMapAtSource(stream, static_cast<uint32_t>(position));
                    if (entry == VANTREL_MAP_NONE) continue;  // a blank: the octets on either side (tested above)
                    const auto got = links->AtHex(position, position);
                    QVERIFY2(same(got, entry), qPrintable(where + QStringLiteral(" at %1: %2 %3-%4, not %5 line %6")
                                                                     .arg(position)
                                                                     .arg(got ? got->Element : QString())
                                                                     .arg(got ? got->FirstLine : 0)
                                                                     .arg(got ? got->LastLine : 0)
                                                                     .arg(QLatin1String(entries[entry].Element))
                                                                     .arg(entries[entry].Line)));
                    ++octets;
                }
                VantrelStreamFree(stream);
            }
        }
        QVERIFY(lines > 1000 && octets > 1000);
    }

    // The caret placed in the XML, then octets selected in the hex pane as
    // it takes the focus: the hex's choice stands, also once the XML pane
    // has drawn the focus it lost.
    void TheFocusedPanesChoiceStands() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.TopEditor()->SetText(QStringLiteral("C4 01 C1 00 02 02 12 00 05 09 06 01 00 01 08 00 FF"));
        form.TranslateRequested(form.TopEditor());
        form.BottomEditor()->Editor()->setFocus();
        form.BottomEditor()->Editor()->setCursorPosition(5, 8);  // the Structure
        QTRY_VERIFY(Shaded(*form.BottomEditor()).startsWith(QStringLiteral("<Structure")));
        form.TopEditor()->Editor()->setFocus();
        form.TopEditor()->Editor()->SendScintilla(QsciScintilla::SCI_SETSEL, 40UL, 45L);
        QTest::qWait(100);
        QVERIFY2(Shaded(*form.BottomEditor()).startsWith(QStringLiteral("<OctetString")), qPrintable(Shaded(*form.BottomEditor())));
    }

    // A field of ciphered content, deciphered with keys, shades the
    // ciphered octets that hold it, in the shade of ciphered octets; a
    // caret in those octets gives the ciphered element, never a deciphered
    // one; the tooltip tells the deciphered field's meaning.
    void DecipheredFieldsShadeTheirCipheredOctets() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        vantrel::TKeySet keys;
        QVERIFY(keys.Set(vantrel::kfDedicatedKey, QStringLiteral("5E168412318BA71848C99B2B2AB33294")));
        QVERIFY(keys.Set(vantrel::kfAuthenticationKey, QStringLiteral("00112233445566778899AABBCCDDEEFF")));
        QVERIFY(keys.Set(vantrel::kfClientSystemTitle, QStringLiteral("4349520000000001")));
        QVERIFY(form.ApplyKeys(keys, false));
        form.TopEditor()->SetText(kCiphered);
        form.TranslateRequested(form.TopEditor());
        TFrameBaseEditor* xml = form.BottomEditor();
        TFrameBaseEditor* hex = form.TopEditor();
        QVERIFY(form.FieldLinks());
        const int line = LineStarting(*xml, QStringLiteral("<InstanceId"));
        QVERIFY2(line > 0, qPrintable(xml->Text()));

        // The ciphertext follows D0 1E, the security control and the
        // invocation counter (7 octets): the request's octets stand at 7 to
        // 19, its InstanceId at 7 + 5 to 7 + 10; the 12 octets after them
        // are the authentication tag.
        const QString text = hex->Text();
        const QList<std::pair<QString, std::pair<int, int>>> rows = {
            {QStringLiteral("<InstanceId"), {12, 18}},
            {QStringLiteral("<GetRequest>"), {7, 20}},
            {QStringLiteral("<AttributeId"), {18, 19}},
        };
        for (const auto& [element, octets] : rows) {
            xml->Editor()->setCursorPosition(LineStarting(*xml, element) - 1, 3);
            QTRY_COMPARE(Shaded(*hex), text.mid(2 * octets.first, 2 * (octets.second - octets.first)));
            QVERIFY(hex->LinkCiphered());
            // Over them, the tooltip tells what they hold; beside them, nothing.
            QCOMPARE(form.MeaningAt(hex, 2 * octets.first),
                     "Ciphered octets: they hold the deciphered " + element.mid(1).remove('>'));
            QCOMPARE(form.MeaningAt(hex, 2 * octets.first - 1), QString());
        }
        // The header's own fields are no deciphered ones.
        xml->Editor()->setCursorPosition(LineStarting(*xml, QStringLiteral("<InvocationCounter")) - 1, 3);
        QTRY_COMPARE(Shaded(*hex), QStringLiteral("00000001"));
        QVERIFY(!hex->LinkCiphered());
        // From the hex: a ciphered octet gives the ciphered APDU.
        hex->Editor()->SendScintilla(QsciScintilla::SCI_GOTOPOS, 2 * 12 + 1);
        QTRY_VERIFY(Shaded(*xml).startsWith(QStringLiteral("<ded_GetRequest>")));
        QCOMPARE(Shaded(*hex), text);
        // The tooltip of the deciphered field tells its meaning.
        QCOMPARE(form.MeaningAt(xml, xml->Editor()->positionFromLineIndex(line - 1, 3)),
                 QStringLiteral("0.0.1.0.0.255 Clock"));
    }
};

VTEST_REGISTER(TFieldLinksTest);

}  // namespace

#include "field_links_test.moc"
