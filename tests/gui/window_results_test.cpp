// What the window says of a translation beyond its text: a previous
// translation kept after a failure is marked stale, the status line tells a
// warning and a failure from a clean translation, the frame strip describes
// the frame read, and only the user's own text is asked about before it is
// dropped.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

#include <Qsci/qsciscintilla.h>

#include "FormMain.h"
#include "FrameBaseEditor.h"
#include "FrameStrip.h"
#include "GuiTestSupport.h"
#include "HighLighter.h"
#include "OutcomeView.h"
#include "StatusNote.h"

using vantrel::TFormMain;
using vantrel::TFrameBaseEditor;
using vantrel::TStatusLine;
using vantrel::TTranslateOutcome;

Q_DECLARE_METATYPE(TStatusLine::TLevel)

namespace {

const QString kStaleLower = QStringLiteral(" \u2014 the lower pane still shows the previous translation");
const QString kStaleUpper = QStringLiteral(" \u2014 the upper pane still shows the previous translation");
const QString kStaleTip = QStringLiteral("The %1 pane still shows the previous translation, dimmed, until a translation "
                                         "replaces it or you edit it.");

// A GET request for the clock's time in an I frame, and the frame's
// description as vantrel-cli --frame prints it (the README's example).
const QString kFrame =
    QStringLiteral("7E A0 19 03 21 32 6F D8 E6 E6 00 C0 01 C1 00 08 00 00 01 00 00 FF 02 00 60 1A 7E");
const QString kFrameDescription = QStringLiteral(
    "Frame(\n  Kind:I, Dst:'01', Src:'10', P/F:1, Seg:0,\n  N(R):1, N(S):1,\n"
    "  Info:'E6E600C001C100080000010000FF0200' size=16\n)\n"
    "LLC(Dst LSAP:E6, Src LSAP:E6 client to server, Quality:00)");

bool Closes(TFormMain& Form) {
    QCloseEvent event;
    QApplication::sendEvent(&Form, &event);
    return event.isAccepted();
}

TTranslateOutcome Outcome(TTranslateOutcome::TKind Kind, const char* Text, std::vector<std::string> Notes = {}) {
    TTranslateOutcome outcome;
    outcome.Kind = Kind;
    outcome.Text = Text;
    outcome.Notes = std::move(Notes);
    return outcome;
}

class TWindowResultsTest final : public QObject {
    Q_OBJECT
private slots:
    void StatusLines_data() {
        QTest::addColumn<int>("Kind");
        QTest::addColumn<QString>("Text");
        QTest::addColumn<QStringList>("Notes");
        QTest::addColumn<QString>("Place");
        QTest::addColumn<QString>("StalePane");
        QTest::addColumn<TStatusLine::TLevel>("Level");
        QTest::addColumn<QString>("Line");
        QTest::addColumn<QString>("ToolTip");
        const QString tip = kStaleTip.arg("lower");
        QTest::newRow("clean") << int(TTranslateOutcome::Translated) << "<Data />" << QStringList{} << "" << ""
                               << TStatusLine::slPlain << "" << "";
        QTest::newRow("one note") << int(TTranslateOutcome::Translated) << "<Data />" << QStringList{"2 octets after the end"}
                                  << "" << "" << TStatusLine::slWarning << "Warning: 2 octets after the end"
                                  << "2 octets after the end";
        QTest::newRow("notes counted") << int(TTranslateOutcome::Translated) << "<Data />" << QStringList{"a", "b", "c"} << ""
                                       << "" << TStatusLine::slWarning << "3 warnings: a; b; c" << "a\nb\nc";
        QTest::newRow("a translation is never stale")
            << int(TTranslateOutcome::Translated) << "<Data />" << QStringList{} << "" << "lower pane" << TStatusLine::slPlain
            << "" << "";
        QTest::newRow("failure with its place") << int(TTranslateOutcome::EntryFailure) << "Wrong encoding in pdu"
                                                << QStringList{} << "at octet 4" << "" << TStatusLine::slFailure
                                                << "Wrong encoding in pdu: at octet 4" << "Wrong encoding in pdu: at octet 4";
        QTest::newRow("failure, other pane stale")
            << int(TTranslateOutcome::EntryFailure) << "Wrong encoding in pdu" << QStringList{} << "at octet 4" << "lower pane"
            << TStatusLine::slFailure << "Wrong encoding in pdu: at octet 4" + kStaleLower
            << "Wrong encoding in pdu: at octet 4\n" + tip;
        QTest::newRow("hex failure, other pane stale")
            << int(TTranslateOutcome::HexFailure) << "HexStrToByteStr: Hex-character missing" << QStringList{} << ""
            << "lower pane" << TStatusLine::slFailure << "HexStrToByteStr: Hex-character missing" + kStaleLower
            << "HexStrToByteStr: Hex-character missing\n" + tip;
        QTest::newRow("nothing to translate") << int(TTranslateOutcome::Beep) << "HDLC SNRM frame: no APDU to translate"
                                              << QStringList{} << "" << "" << TStatusLine::slPlain
                                              << "HDLC SNRM frame: no APDU to translate"
                                              << "HDLC SNRM frame: no APDU to translate";
        QTest::newRow("nothing to translate, other pane stale: a warning")
            << int(TTranslateOutcome::Beep) << "HDLC SNRM frame: no APDU to translate" << QStringList{} << "" << "lower pane"
            << TStatusLine::slWarning << "HDLC SNRM frame: no APDU to translate" + kStaleLower
            << "HDLC SNRM frame: no APDU to translate\n" + tip;
        QTest::newRow("beep without words, stale") << int(TTranslateOutcome::Beep) << "" << QStringList{} << "" << "upper pane"
                                                   << TStatusLine::slWarning
                                                   << "The upper pane still shows the previous translation"
                                                   << kStaleTip.arg("upper");
    }
    void StatusLines() {
        QFETCH(int, Kind);
        QFETCH(QString, Text);
        QFETCH(QStringList, Notes);
        QFETCH(QString, Place);
        QFETCH(QString, StalePane);
        QFETCH(TStatusLine::TLevel, Level);
        QFETCH(QString, Line);
        QFETCH(QString, ToolTip);
        std::vector<std::string> notes;
        for (const QString& note : Notes) notes.push_back(note.toStdString());
        const QByteArray text = Text.toUtf8();
        const TStatusLine line = vantrel::StatusLineOf(
            Outcome(static_cast<TTranslateOutcome::TKind>(Kind), text.constData(), notes), Place, StalePane);
        QCOMPARE(line.Level, Level);
        QCOMPARE(line.Text, Line);
        QCOMPARE(line.ToolTip, ToolTip);
    }

    // A failed translation leaves the other pane's translation, dimmed and
    // named in the status line, until a translation replaces it or the user
    // edits it.
    void FailureMarksThePreviousTranslationStale_data() {
        QTest::addColumn<bool>("FromTop");
        QTest::addColumn<QString>("Good");
        QTest::addColumn<QString>("Bad");
        QTest::addColumn<TStatusLine::TLevel>("Level");
        QTest::addColumn<QString>("Status");  // the start of the status line, before the word on the stale pane
        QTest::newRow("octets run out") << true << "FF 12 01 02" << "FF 12 01" << TStatusLine::slFailure
                                        << "Wrong encoding in pdu: at octet 4, after the last octet";
        QTest::newRow("hex digit missing") << true << "FF 12 01 02" << "FF 12 0" << TStatusLine::slFailure
                                           << "HexStrToByteStr: Hex-character missing";
        QTest::newRow("frame without an APDU") << true << "FF 12 01 02" << "7E A0 07 03 21 93 0F 01 7E"
                                               << TStatusLine::slWarning << "HDLC SNRM frame: no APDU to translate";
        QTest::newRow("xml into the upper pane")
            << false << "<Data><LongUnsigned Value=\"0102\" /></Data>" << "<Data><LongUnsigned Value=\"01x2\" /></Data>"
            << TStatusLine::slFailure << "Illegal hex-character: at line 1, column ";
    }
    void FailureMarksThePreviousTranslationStale() {
        QFETCH(bool, FromTop);
        QFETCH(QString, Good);
        QFETCH(QString, Bad);
        QFETCH(TStatusLine::TLevel, Level);
        QFETCH(QString, Status);
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        TFrameBaseEditor* source = FromTop ? form.TopEditor() : form.BottomEditor();
        TFrameBaseEditor* other = FromTop ? form.BottomEditor() : form.TopEditor();
        const QColor clean = other->HighLighter()->color(vantrel::hsIdentifier);
        source->SetText(Good);
        form.TranslateRequested(source);
        const QString translation = other->Text();
        QVERIFY(other->HoldsTranslation());
        QVERIFY(!other->IsStale());

        source->SetText(Bad);
        form.TranslateRequested(source);
        QCOMPARE(other->Text(), translation);
        QVERIFY(other->IsStale());
        QVERIFY(other->HighLighter()->color(vantrel::hsIdentifier) != clean);  // dimmed
        QVERIFY(other->StaleBadge()->isVisibleTo(other));
        QCOMPARE(form.StatusLine().Level, Level);
        QVERIFY2(form.StatusText().startsWith(Status), qPrintable(form.StatusText()));
        QVERIFY2(form.StatusText().endsWith(FromTop ? kStaleLower : kStaleUpper), qPrintable(form.StatusText()));
        QVERIFY(form.StatusLine().ToolTip.endsWith(kStaleTip.arg(FromTop ? "lower" : "upper")));

        // The next good translation replaces it: clean again.
        source->SetText(Good);
        form.TranslateRequested(source);
        QVERIFY(!other->IsStale());
        QCOMPARE(other->HighLighter()->color(vantrel::hsIdentifier), clean);
        QVERIFY(!other->StaleBadge()->isVisibleTo(other));
        QCOMPARE(form.StatusLine(), TStatusLine{});

        // Stale again, then edited: the text is the user's, no longer stale,
        // and the status line keeps only the failure.
        source->SetText(Bad);
        form.TranslateRequested(source);
        QVERIFY(other->IsStale());
        const QString failure = form.StatusText().chopped((FromTop ? kStaleLower : kStaleUpper).size());
        QTest::keyClick(other->Editor(), Qt::Key_Space);
        QVERIFY(!other->IsStale());
        QVERIFY(!other->HoldsTranslation());
        QCOMPARE(other->HighLighter()->color(vantrel::hsIdentifier), clean);
        QCOMPARE(form.StatusText(), failure);
        QCOMPARE(form.StatusLine().Level, Level == TStatusLine::slWarning ? TStatusLine::slPlain : Level);

        // Text of the user's is never called stale.
        source->SetText(Bad);
        form.TranslateRequested(source);
        QVERIFY(!other->IsStale());
        QCOMPARE(form.StatusText(), failure);
    }

    // The source of a good translation is what the other pane now holds a
    // translation of: a stale mark on it goes.
    void TranslatingTheStalePaneClearsIt() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.TopEditor()->SetText(QStringLiteral("FF 12 01 02"));
        form.TranslateRequested(form.TopEditor());
        form.TopEditor()->SetText(QStringLiteral("FF 12 01"));
        form.TranslateRequested(form.TopEditor());
        QVERIFY(form.BottomEditor()->IsStale());
        form.TranslateRequested(form.BottomEditor());
        QVERIFY(!form.BottomEditor()->IsStale());
        QCOMPARE(form.TopEditor()->Text(), QStringLiteral("FF120102"));
        QCOMPARE(form.StatusLine(), TStatusLine{});
    }

    // A warning shows its icon and tinted background and its whole text in
    // the tooltip; a long one does not widen the window.
    void StatusNoteShowsTheLevel() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        vantrel::TStatusNote* note = form.StatusNote();
        QVERIFY(note->IconLabel()->isHidden());
        const QColor plain = note->palette().color(QPalette::Window);
        const std::string longNote(3000, 'x');
        form.ShowOutcome(form.TopEditor(), form.BottomEditor(),
                         Outcome(TTranslateOutcome::Translated, "<Data />\r\n", {longNote, "second"}));
        QVERIFY(note->IconLabel()->isVisible());
        QVERIFY(!note->IconLabel()->pixmap().isNull());
        QVERIFY(note->autoFillBackground());
        QVERIFY(note->palette().color(QPalette::Window) != plain);
        QCOMPARE(note->TextLabel()->toolTip(), QString::fromStdString(longNote) + "\nsecond");
        QVERIFY(note->TextLabel()->text().size() < 1000);  // cut to the room it has
        QVERIFY(note->TextLabel()->text().startsWith("2 warnings: xxx"));
        QCOMPARE(form.StatusText(), "2 warnings: " + QString::fromStdString(longNote) + "; second");
        QVERIFY(form.minimumSizeHint().width() < 1000);

        form.ShowOutcome(form.TopEditor(), form.BottomEditor(), Outcome(TTranslateOutcome::Translated, "<Data />\r\n"));
        QVERIFY(note->IconLabel()->isHidden());
        QVERIFY(!note->autoFillBackground());
        QVERIFY(note->TextLabel()->toolTip().isEmpty());
    }

    // The frame strip: what the frame or header read looks like, folded
    // to one line or whole; hidden after input without one.
    void FrameStrip_data() {
        QTest::addColumn<QString>("Source");
        QTest::addColumn<QString>("Description");  // empty: the strip is hidden
        QTest::newRow("I frame") << kFrame << kFrameDescription;
        QTest::newRow("SNRM frame, nothing translated")
            << "7E A0 07 03 21 93 0F 01 7E" << "Frame(\n  Kind:SNRM, Dst:'01', Src:'10', P/F:1, Seg:0\n)";
        // A Kaifa meter's push with its LLC header (the amshan decoder's test data).
        QTest::newRow("LLC header") << "E6E7000F40000000090C07E3020401173416FF800000020106000016DC"
                                    << "LLC(Dst LSAP:E6, Src LSAP:E7 server to client, Quality:00)";
        QTest::newRow("plain hex") << "FF 12 01 02" << "";
        QTest::newRow("xml") << "<Data><LongUnsigned Value=\"0102\" /></Data>" << "";
    }
    void FrameStrip() {
        QFETCH(QString, Source);
        QFETCH(QString, Description);
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        vantrel::TFrameStrip* strip = form.FrameStrip();
        QVERIFY(strip->isHidden());
        // A frame first, so that hiding is seen too.
        form.TopEditor()->SetText(kFrame);
        form.TranslateRequested(form.TopEditor());
        QVERIFY(strip->isVisible());
        form.TopEditor()->SetText(Source);
        form.TranslateRequested(form.TopEditor());
        QCOMPARE(strip->isVisible(), !Description.isEmpty());
        if (Description.isEmpty()) return;
        QCOMPARE(strip->DescriptionText(), Description);
        QCOMPARE(strip->SummaryText(), Description.simplified().replace("( ", "( "));
        QVERIFY(!strip->IsUnfolded());
        QVERIFY(!strip->findChild<QPlainTextEdit*>()->isVisible());
        strip->FoldButton()->click();
        QVERIFY(strip->findChild<QPlainTextEdit*>()->isVisible());
        QVERIFY(vantrel::Settings().value("View/FrameUnfolded").toBool());
        TFormMain again;
        QVERIFY(again.FrameStrip()->IsUnfolded());
    }

    void FrameDescriptionBounded() {
        const std::vector<std::string> lines{"Frame(", "  Kind:I,", ")"};
        QCOMPARE(vantrel::FrameDescriptionText(lines), QStringLiteral("Frame(\n  Kind:I,\n)"));
        QCOMPARE(vantrel::FrameDescriptionText(lines, 2),
                 QStringLiteral("Frame(\n  Kind:I,\n... 1 more line (vantrel-cli --frame shows them all)"));
        QCOMPARE(vantrel::FrameDescriptionText(lines, 1),
                 QStringLiteral("Frame(\n... 2 more lines (vantrel-cli --frame shows them all)"));
        QCOMPARE(vantrel::FrameSummary(lines), QStringLiteral("Frame( Kind:I, )"));
        QCOMPARE(vantrel::FrameSummary(lines, 8), QStringLiteral("Frame( K..."));
    }

    // Only the user's work is asked about, on closing and on Open: text
    // typed, or a file loaded and changed; not a translation, nor scratch
    // text pasted into an untitled pane.
    void AsksOnlyAboutTheUsersWork_data() {
        QTest::addColumn<QStringList>("Steps");
        QTest::addColumn<QString>("Question");  // empty: none
        const QString lower = QStringLiteral("question: Save changes to \"Lower pane\"?");
        const QString file = QStringLiteral("question: Save changes to \"reply.xml\"?");
        QTest::newRow("a translation") << QStringList{"translate"} << "";
        QTest::newRow("a translation edited") << QStringList{"translate", "type"} << lower;
        QTest::newRow("pasted") << QStringList{"paste"} << "";
        QTest::newRow("pasted with Ctrl+V") << QStringList{"ctrl+v"} << "";
        QTest::newRow("pasted with Shift+Insert") << QStringList{"shift+insert"} << "";
        QTest::newRow("pasted over a translation") << QStringList{"translate", "paste"} << "";
        QTest::newRow("pasted, then edited") << QStringList{"paste", "type"} << lower;
        QTest::newRow("typed, then pasted") << QStringList{"type", "paste"} << lower;
        QTest::newRow("typed") << QStringList{"type"} << lower;
        QTest::newRow("a file pasted into") << QStringList{"load", "paste"} << file;
        QTest::newRow("a file replaced by a translation") << QStringList{"load", "translate"} << "";
        QTest::newRow("a file edited") << QStringList{"load", "type"} << file;
        QTest::newRow("typed text replaced by a translation, undone") << QStringList{"type", "translate", "undo"} << lower;
        QTest::newRow("a translation undone to nothing") << QStringList{"translate", "undo"} << "";
        QTest::newRow("typed, then saved") << QStringList{"type", "save"} << "";
        QTest::newRow("pasted into a saved pane") << QStringList{"type", "save", "paste"}
                                                  << "question: Save changes to \"saved.txt\"?";
    }
    void AsksOnlyAboutTheUsersWork() {
        QFETCH(QStringList, Steps);
        QFETCH(QString, Question);
        vtest::TGuiSandbox sandbox;
        vtest::WriteFile(sandbox.Path("reply.xml"), "<Data />");
        vtest::WriteFile(sandbox.Path("request.hex"), "FF 12 01 02");
        QApplication::clipboard()->setText(QStringLiteral("C0 01 C1 00 08 00 00 01 00 00 FF 02 00"));
        TFormMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        // The upper pane holds a file, unchanged: only the lower pane may be asked about.
        QVERIFY(form.TopEditor()->LoadFromFile(sandbox.Path("request.hex")));
        TFrameBaseEditor* pane = form.BottomEditor();
        pane->setFocus();
        for (const QString& step : Steps) {
            if (step == "translate") {
                form.TranslateRequested(form.TopEditor());
            } else if (step == "paste") {
                pane->Action(vantrel::eaPaste)->trigger();
            } else if (step == "ctrl+v") {
                QTest::keyClick(pane->Editor(), Qt::Key_V, Qt::ControlModifier);
            } else if (step == "shift+insert") {
                QTest::keyClick(pane->Editor(), Qt::Key_Insert, Qt::ShiftModifier);
            } else if (step == "type") {
                QTest::keyClick(pane->Editor(), Qt::Key_X);
            } else if (step == "undo") {
                pane->Editor()->undo();
            } else if (step == "load") {
                QVERIFY(pane->LoadFromFile(sandbox.Path("reply.xml")));
            } else if (step == "save") {
                sandbox.Prompts.FileNames << sandbox.Path("saved.txt");
                QVERIFY(pane->Save());
            }
        }
        if (Steps.contains("paste") || Steps.contains("ctrl+v") || Steps.contains("shift+insert"))
            QVERIFY2(pane->Text().contains("C0 01 C1"), qPrintable(pane->Text()));
        const QStringList expected = Question.isEmpty() ? QStringList{} : QStringList{Question};
        // Closing: the question is cancelled, and the window stays.
        QCOMPARE(Closes(form), Question.isEmpty());
        QCOMPARE(sandbox.Prompts.Shown, expected);
        // Open: the same question, or none and the file dialog.
        sandbox.Prompts.Shown.clear();
        sandbox.Prompts.DialogTitles.clear();
        pane->Load();
        QCOMPARE(sandbox.Prompts.Shown, expected);
        QCOMPARE(sandbox.Prompts.DialogTitles, Question.isEmpty() ? QStringList{"Open file"} : QStringList{});
    }
};

VTEST_REGISTER(TWindowResultsTest);

}  // namespace

#include "window_results_test.moc"
