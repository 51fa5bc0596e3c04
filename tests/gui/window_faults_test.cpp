// The window's mended faults, one case each: a last file per pane, a window
// fitted to its screen, the split remembered, the same question before any
// change is lost (closing too), plain dialog captions and filters, line ends
// of new files, Help without a browser, the place of a failure, notes of a
// translation in the status line, and the About box.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QSplitter>
#include <QTest>

#include <Qsci/qsciscintilla.h>

#include "FormMain.h"
#include "FrameBaseEditor.h"
#include "GuiTestSupport.h"
#include "OutcomeView.h"
#include "Src/translate/TranslateCommand.h"
#include "Src/translate/Version.h"

using vantrel::TAnswer;
using vantrel::TFormMain;
using vantrel::TFrameBaseEditor;
using vantrel::TTranslateOutcome;

Q_DECLARE_METATYPE(vantrel::TAnswer)

using vtest::ReadFile;
using vtest::WriteFile;

namespace {

// Whether the window would close: the answer to a close request.
bool Closes(TFormMain& Form) {
    QCloseEvent event;
    QApplication::sendEvent(&Form, &event);
    return event.isAccepted();
}

class TWindowFaultsTest final : public QObject {
    Q_OBJECT
private slots:
    void EachPaneReopensItsOwnFile() {
        vtest::TGuiSandbox sandbox;
        WriteFile(sandbox.Path("request.hex"), "C0 01");
        WriteFile(sandbox.Path("reply.xml"), "<Data />");
        {
            TFormMain form;
            QVERIFY(form.TopEditor()->LoadFromFile(sandbox.Path("request.hex")));
            QVERIFY(form.BottomEditor()->LoadFromFile(sandbox.Path("reply.xml")));
        }
        TFormMain form;
        QCOMPARE(form.TopEditor()->CurrentFileName(), sandbox.Path("request.hex"));
        QCOMPARE(form.BottomEditor()->CurrentFileName(), sandbox.Path("reply.xml"));
    }

    void TheOnceSharedLastFileGoesToTheUpperPane() {
        vtest::TGuiSandbox sandbox;
        WriteFile(sandbox.Path("old.txt"), "FF 12 01 02");
        vantrel::Settings().setValue("LastFiles/FrameBaseEditor", sandbox.Path("old.txt"));
        TFormMain form;
        QCOMPARE(form.TopEditor()->CurrentFileName(), sandbox.Path("old.txt"));
        QVERIFY(form.BottomEditor()->CurrentFileName().isEmpty());
    }

    void WindowFittedToTheScreenItOpensOn_data() {
        QTest::addColumn<QPoint>("Stored");
        QTest::addColumn<QSize>("Size");
        QTest::newRow("larger than the screen") << QPoint(100, 60) << QSize(4000, 3000);
        QTest::newRow("reaching over the right and bottom edges") << QPoint(500, 400) << QSize(600, 400);
        QTest::newRow("title bar above the screen") << QPoint(20, -10) << QSize(300, 200);
    }
    void WindowFittedToTheScreenItOpensOn() {
        QFETCH(QPoint, Stored);
        QFETCH(QSize, Size);
        vtest::TGuiSandbox sandbox;
        QSettings& settings = vantrel::Settings();
        settings.setValue("FormMain/Left", Stored.x());
        settings.setValue("FormMain/Top", Stored.y());
        settings.setValue("FormMain/Width", Size.width());
        settings.setValue("FormMain/Height", Size.height());
        TFormMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QRect available = form.screen()->availableGeometry();
        QVERIFY2(available.contains(form.frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(form.frameGeometry().x())
                                .arg(form.frameGeometry().y())
                                .arg(form.frameGeometry().width())
                                .arg(form.frameGeometry().height())));
    }

    void FitToScreenArithmetic_data() {
        QTest::addColumn<QRect>("Window");  // frame's top left, client size
        QTest::addColumn<QRect>("Fitted");
        const QRect screen(0, 0, 1024, 768);
        QTest::newRow("fits") << QRect(10, 10, 300, 200) << QRect(10, 10, 300, 200);
        QTest::newRow("too large") << QRect(10, 10, 1920, 1200) << QRect(0, 0, 1024 - 16, 768 - 40);
        QTest::newRow("over the edge") << QRect(900, 700, 300, 200) << QRect(1024 - 316, 768 - 240, 300, 200);
        QTest::newRow("left of the screen") << QRect(-50, 10, 300, 200) << QRect(0, 10, 300, 200);
    }
    void FitToScreenArithmetic() {
        QFETCH(QRect, Window);
        QFETCH(QRect, Fitted);
        QSize size = Window.size();
        QPoint position = Window.topLeft();
        vantrel::FitToScreen(size, &position, QRect(0, 0, 1024, 768));
        QCOMPARE(QRect(position, size), Fitted);
    }

    void SplitRemembered() {
        vtest::TGuiSandbox sandbox;
        vantrel::Settings().setValue("FormMain/Width", 700);
        vantrel::Settings().setValue("FormMain/Height", 550);
        {
            TFormMain form;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            form.Splitter1()->setSizes({150, 350});
            QCOMPARE(form.TopEditor()->height(), 150);
            QVERIFY(form.close());
        }
        QCOMPARE(vantrel::Settings().value("FormMain/Splitter1").toInt(), 150);
        TFormMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.TopEditor()->height(), 150);
    }

    // Closing asks like Load does, about each pane holding changes.
    void CloseAsksAboutChangedPanes_data() {
        QTest::addColumn<bool>("TopChanged");
        QTest::addColumn<bool>("BottomChanged");
        QTest::addColumn<QList<TAnswer>>("Answers");
        QTest::addColumn<int>("Questions");
        QTest::addColumn<bool>("Closed");
        QTest::newRow("nothing changed") << false << false << QList<TAnswer>{} << 0 << true;
        QTest::newRow("cancel keeps the window") << true << false << QList<TAnswer>{TAnswer::Cancel} << 1 << false;
        QTest::newRow("no drops the changes") << true << true << QList<TAnswer>{TAnswer::No, TAnswer::No} << 2 << true;
        QTest::newRow("cancel at the second pane") << true << true << QList<TAnswer>{TAnswer::No, TAnswer::Cancel} << 2
                                                   << false;
        QTest::newRow("yes saves") << false << true << QList<TAnswer>{TAnswer::Yes} << 1 << true;
    }
    void CloseAsksAboutChangedPanes() {
        QFETCH(bool, TopChanged);
        QFETCH(bool, BottomChanged);
        QFETCH(QList<TAnswer>, Answers);
        QFETCH(int, Questions);
        QFETCH(bool, Closed);
        vtest::TGuiSandbox sandbox;
        WriteFile(sandbox.Path("reply.xml"), "<Data />");
        TFormMain form;
        QVERIFY(form.BottomEditor()->LoadFromFile(sandbox.Path("reply.xml")));
        if (TopChanged) form.TopEditor()->SetText(QStringLiteral("pasted"));
        if (BottomChanged) form.BottomEditor()->Editor()->append(QStringLiteral("\n"));
        sandbox.Prompts.Answers = Answers;
        QCOMPARE(Closes(form), Closed);
        QCOMPARE(sandbox.Prompts.Shown.size(), Questions);
        if (TopChanged) QCOMPARE(sandbox.Prompts.Shown[0], QStringLiteral("question: Save changes to \"Upper pane\"?"));
        if (BottomChanged)
            QCOMPARE(sandbox.Prompts.Shown.last(), QStringLiteral("question: Save changes to \"reply.xml\"?"));
        if (!Answers.isEmpty() && Answers[0] == TAnswer::Yes) QCOMPARE(ReadFile(sandbox.Path("reply.xml")), QByteArray("<Data />\n"));
    }

    void EmptyUntitledPaneIsNotAskedAbout() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.TopEditor()->SetText(QStringLiteral("x"));
        form.TopEditor()->SetText(QString());
        QVERIFY(form.TopEditor()->IsModified());
        QVERIFY(Closes(form));
        QVERIFY(sandbox.Prompts.Shown.isEmpty());
    }

    void DialogCaptionsAndFilters() {
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        pane.SetText(QStringLiteral("FF"));
        sandbox.Prompts.Answers << TAnswer::No;
        pane.Load();
        pane.SaveAs();
        QCOMPARE(sandbox.Prompts.Shown, QStringList{"question: Save changes to \"Untitled\"?"});
        QCOMPARE(sandbox.Prompts.DialogTitles, (QStringList{"Open file", "Save file"}));
        for (const QString& filter : sandbox.Prompts.DialogFilters) {
            QVERIFY(filter.startsWith("APDU files (*.xml *.hex *.txt)"));
            for (const char* kind : {"(*.xml)", "(*.hex)", "(*.txt)", "(*)"}) QVERIFY(filter.contains(kind));
        }
    }

    // New files get the platform's line ends; a loaded file keeps its own.
    void LineEndsOfNewAndLoadedFiles_data() {
        QTest::addColumn<QByteArray>("Loaded");  // empty: a new text
        QTest::addColumn<QByteArray>("Saved");
        QTest::newRow("new text") << QByteArray() << QByteArray("a\nb\n");
        QTest::newRow("CR LF file") << QByteArray("x\r\n") << QByteArray("a\r\nb\r\n");
        QTest::newRow("LF file") << QByteArray("x\n") << QByteArray("a\nb\n");
        QTest::newRow("file of one line") << QByteArray("x") << QByteArray("a\nb\n");
    }
    void LineEndsOfNewAndLoadedFiles() {
        QFETCH(QByteArray, Loaded);
        QFETCH(QByteArray, Saved);
        vtest::TGuiSandbox sandbox;
        const QString name = sandbox.Path("f.txt");
        TFrameBaseEditor pane;
        if (!Loaded.isEmpty()) {
            WriteFile(name, Loaded);
            QVERIFY(pane.LoadFromFile(name));
        } else {
            sandbox.Prompts.FileNames << name;
        }
        pane.SetText(QStringLiteral("a\nb\n"));
        QVERIFY(pane.Save());
        QCOMPARE(ReadFile(name), Saved);
    }

    void HelpSaysWhatHinders_data() {
        QTest::addColumn<bool>("Installed");
        QTest::addColumn<bool>("Browser");
        QTest::addColumn<QString>("Shown");  // the start of what is shown
        QTest::newRow("shown in the browser") << true << true << "";
        QTest::newRow("no browser") << true << false << "error: No web browser could be started";
        QTest::newRow("no guide") << false << true << "information: The user guide (Vantrel.html) is not installed";
    }
    void HelpSaysWhatHinders() {
        QFETCH(bool, Installed);
        QFETCH(bool, Browser);
        QFETCH(QString, Shown);
        vtest::TGuiSandbox sandbox;
        if (Installed) WriteFile(sandbox.Path("Vantrel.html"), "<html/>");
        vantrel::SetHelpFileName(sandbox.Path("Vantrel.html"));
        sandbox.Prompts.BrowserStarts = Browser;
        TFormMain form;
        form.MMHelp()->trigger();
        vantrel::SetHelpFileName(QString());
        QCOMPARE(sandbox.Prompts.Documents.size(), Installed ? 1 : 0);
        if (Shown.isEmpty()) QVERIFY(sandbox.Prompts.Shown.isEmpty());
        else QVERIFY2(sandbox.Prompts.Shown.value(0).startsWith(Shown), qPrintable(sandbox.Prompts.Shown.join('|')));
    }

    // The place goes beside the unchanged message, into the box and the
    // status line, and the octets or the tag are marked.
    void FailurePlaceShownAndMarked_data() {
        QTest::addColumn<QString>("Source");
        QTest::addColumn<bool>("HexToXml");
        QTest::addColumn<int>("Position");
        QTest::addColumn<QString>("Field");
        QTest::addColumn<QString>("Place");
        QTest::addColumn<QString>("Marked");
        QTest::newRow("octet with its field") << "C0 01 C1 00 08 00 00 01 00 00 FF 02" << true << 12 << "AttributeId"
                                              << "at octet 12, reading AttributeId" << "02";
        QTest::newRow("octets on lines, dashes") << "\r\nC0-01\r\nC1 00" << true << 3 << "" << "at octet 3" << "C1";
        QTest::newRow("after an LLC header") << "E6 E7 00 C4 01 C1 00 09" << true << 5 << "" << "at octet 5 of the APDU after the LLC header" << "09";
        QTest::newRow("ran out") << "FF 12 01" << true << 4 << "LongUnsigned"
                                 << "at octet 4, after the last octet, reading LongUnsigned" << "01";
        QTest::newRow("xml") << "<Data>\r\n  <LongUnsigned Value=\"01x2\" />\r\n</Data>" << false << 10 << "LongUnsigned"
                             << "at line 2, column 3, reading LongUnsigned" << "<LongUnsigned Value=\"01x2\" />";
        QTest::newRow("frame: place, no mark") << "7E A0 07 03 21 93 0F 01 7E" << true << 2 << "" << "at octet 2" << "";
    }
    void FailurePlaceShownAndMarked() {
        QFETCH(QString, Source);
        QFETCH(bool, HexToXml);
        QFETCH(int, Position);
        QFETCH(QString, Field);
        QFETCH(QString, Place);
        QFETCH(QString, Marked);
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.TopEditor()->SetText(Source);
        TTranslateOutcome outcome;
        outcome.Kind = TTranslateOutcome::EntryFailure;
        outcome.Text = "Wrong encoding in pdu";
        outcome.HexToXml = HexToXml;
        outcome.Position = Position;
        outcome.Field = Field.toStdString();
        form.ShowOutcome(form.TopEditor(), form.BottomEditor(), outcome);
        QCOMPARE(sandbox.Prompts.Shown, QStringList{"message: Wrong encoding in pdu"});
        QCOMPARE(sandbox.Prompts.Places, QStringList{Place});
        QCOMPARE(form.StatusText(), "Wrong encoding in pdu: " + Place);
        const auto [start, end] = form.TopEditor()->MarkedRange();
        const QByteArray text = form.TopEditor()->Text().toUtf8();
        QCOMPARE(start < 0 ? QString() : QString::fromUtf8(text.mid(start, end - start)), Marked);

        // The next translation clears the mark.
        form.TopEditor()->SetText(QStringLiteral("FF 12 01 02"));
        form.TranslateRequested(form.TopEditor());
        QCOMPARE(form.TopEditor()->MarkedRange(), (std::pair<long, long>{-1, -1}));
        QVERIFY(form.StatusText().isEmpty());
    }

    void RealFailureKeepsItsMessageAndCaret() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.TopEditor()->SetText(QStringLiteral("FF1201"));
        form.TranslateRequested(form.TopEditor());
        QCOMPARE(sandbox.Prompts.Shown, QStringList{"message: Wrong encoding in pdu"});
        QVERIFY(sandbox.Prompts.Places.value(0).startsWith("at octet "));
        int line, index;
        form.TopEditor()->Editor()->getCursorPosition(&line, &index);
        QCOMPARE(QString::asprintf("%d:%d", line, index), QStringLiteral("0:5"));
    }

    void NotesOfATranslationInTheStatusLine() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        TTranslateOutcome outcome;
        outcome.Kind = TTranslateOutcome::Translated;
        outcome.Text = "<Data />\r\n";
        outcome.Notes = {"2 octets after the end of the APDU: 03 04", "second note"};
        form.ShowOutcome(form.TopEditor(), form.BottomEditor(), outcome);
        QCOMPARE(form.BottomEditor()->Text(), QStringLiteral("<Data />\r\n"));
        QCOMPARE(form.StatusText(), QStringLiteral("2 warnings: 2 octets after the end of the APDU: 03 04; second note"));
        QCOMPARE(form.StatusLine().Level, vantrel::TStatusLine::slWarning);
        QCOMPARE(form.StatusLine().ToolTip, QStringLiteral("2 octets after the end of the APDU: 03 04\nsecond note"));
        QVERIFY(sandbox.Prompts.Shown.isEmpty());
        outcome.Notes.clear();
        form.ShowOutcome(form.TopEditor(), form.BottomEditor(), outcome);
        QVERIFY(form.StatusText().isEmpty());
        QCOMPARE(form.StatusLine().Level, vantrel::TStatusLine::slPlain);
    }

    void AboutBox() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.MMAbout()->trigger();
        QCOMPARE(sandbox.Prompts.Shown.size(), 1);
        const QStringList lines = sandbox.Prompts.Shown[0].split('\n');
        QCOMPARE(lines[0], QStringLiteral("message: Vantrel 3.6 (%1)").arg(QLatin1String(vantrel::BuildNumber())));
        const QString text = sandbox.Prompts.Shown[0];
        QVERIFY(text.contains("Vantrel: DLMS/COSEM APDUs between their octets and XML, both ways"));
        QVERIFY(text.contains(QStringLiteral("Version 3.6, build %1").arg(QLatin1String(vantrel::BuildNumber()))));
        QVERIFY(text.contains(QStringLiteral("Qt %1").arg(QLatin1String(qVersion()))));
        QVERIFY(text.contains("Licence: "));
    }

    void SpacedHexText() {
        QCOMPARE(vantrel::SpacedHex(""), std::string());
        QCOMPARE(vantrel::SpacedHex("C0"), std::string("C0"));
        QCOMPARE(vantrel::SpacedHex("C001C1"), std::string("C0 01 C1"));
    }
};

VTEST_REGISTER(TWindowFaultsTest);

}  // namespace

#include "window_faults_test.moc"
