// The window's menus and what an editor user expects of them: the commands
// act on the pane with the focus, the title names the file and its changes,
// files dropped or opened again from the recent list load, the find bar goes
// round the text, and the View options are remembered.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include <Qsci/qsciscintilla.h>

#include "FindBar.h"
#include "FormMain.h"
#include "FrameBaseEditor.h"
#include "GuiTestSupport.h"
#include "HighLighter.h"

using vantrel::TFormMain;
using vantrel::TFrameBaseEditor;

using vtest::ReadFile;
using vtest::WriteFile;

namespace {

QString Selected(const TFrameBaseEditor& Pane) { return Pane.Editor()->selectedText(); }

long SelectionStart(const TFrameBaseEditor& Pane) {
    return Pane.Editor()->SendScintilla(QsciScintilla::SCI_GETSELECTIONSTART);
}

// Drops the file Name onto Pane as a file manager would.
void DropFile(TFrameBaseEditor& Pane, const QString& Name) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Name)});
    QWidget* target = Pane.Editor()->viewport();
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());
    QCoreApplication::processEvents();
}

class TWindowMenusTest final : public QObject {
    Q_OBJECT
private slots:
    void MenusBesideHelpWithTheirKeys() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        QStringList bar;
        for (QAction* action : form.menuBar()->actions()) bar << action->text();
        QCOMPARE(bar, (QStringList{"&File", "&Edit", "&View", "Keys...", "Help", "About"}));
        const struct {
            const char* Name;
            QKeySequence Key;
        } keys[] = {{"MMOpen", QKeySequence(Qt::CTRL | Qt::Key_O)},
                    {"MMSave", QKeySequence(Qt::CTRL | Qt::Key_S)},
                    {"MMSaveAs", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
                    {"MMFind", QKeySequence(Qt::CTRL | Qt::Key_F)},
                    {"MMReplace", QKeySequence(Qt::CTRL | Qt::Key_H)}};
        for (const auto& key : keys) QCOMPARE(form.MenuAction(key.Name)->shortcut(), key.Key);
        // The pane's own keys are shown, not taken over (they would clash).
        QCOMPARE(form.MenuAction("MMToggleComment")->text(), QStringLiteral("Toggle &line comment\tCtrl+/"));
        QVERIFY(form.MenuAction("MMToggleComment")->shortcut().isEmpty());
    }

    void CommandsActOnThePaneWithTheFocus() {
        vtest::TGuiSandbox sandbox;
        const QString name = sandbox.Path("reply.xml");
        WriteFile(name, "<Data />\n");
        TFormMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.BottomEditor()->Editor()->setFocus();
        QCOMPARE(form.ActivePane(), form.BottomEditor());
        sandbox.Prompts.FileNames << name;
        QTest::keyClick(form.BottomEditor()->Editor(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(form.BottomEditor()->CurrentFileName(), name);
        QVERIFY(form.TopEditor()->CurrentFileName().isEmpty());

        form.BottomEditor()->Editor()->append(QStringLiteral("x"));
        QTest::keyClick(form.BottomEditor()->Editor(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(ReadFile(name), QByteArray("<Data />\nx"));

        form.TopEditor()->Editor()->setFocus();
        form.TopEditor()->SetText(QStringLiteral("// a\r\n"));
        form.TopEditor()->Editor()->selectAll();
        form.MenuAction("MMToggleComment")->trigger();
        QCOMPARE(form.TopEditor()->Text(), QStringLiteral(" a\r\n"));
    }

    void TitleNamesTheFileAndItsChanges() {
        vtest::TGuiSandbox sandbox;
        const QString name = sandbox.Path("request.hex");
        WriteFile(name, "C0 01 C1");
        TFormMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(form.windowTitle(), QStringLiteral("Vantrel"));
        QVERIFY(form.TopEditor()->LoadFromFile(name));
        QCOMPARE(form.windowTitle(), QStringLiteral("request.hex - Vantrel"));
        form.TopEditor()->Editor()->append(QStringLiteral(" 00"));
        QCOMPARE(form.windowTitle(), QStringLiteral("request.hex* - Vantrel"));
        form.BottomEditor()->Editor()->setFocus();
        QCOMPARE(form.windowTitle(), QStringLiteral("Vantrel"));
        form.BottomEditor()->SetText(QStringLiteral("typed"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Lower pane* - Vantrel"));
    }

    void DroppedFileLoads() {
        vtest::TGuiSandbox sandbox;
        const QString name = sandbox.Path("dropped.xml");
        WriteFile(name, "<Data />");
        TFormMain form;
        DropFile(*form.BottomEditor(), name);
        QCOMPARE(form.BottomEditor()->Text(), QStringLiteral("<Data />"));
        QCOMPARE(form.BottomEditor()->CurrentFileName(), name);

        // Onto changed text: asked first, and Cancel keeps the text.
        form.TopEditor()->SetText(QStringLiteral("typed"));
        DropFile(*form.TopEditor(), name);
        QCOMPARE(sandbox.Prompts.Shown, QStringList{"question: Save changes to \"Upper pane\"?"});
        QCOMPARE(form.TopEditor()->Text(), QStringLiteral("typed"));
    }

    void RecentFilesNewestFirstAndOpenAgain() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        for (const char* file : {"a.txt", "b.txt", "c.txt"}) {
            WriteFile(sandbox.Path(file), file);
            QVERIFY(form.BottomEditor()->LoadFromFile(sandbox.Path(file)));
        }
        QVERIFY(form.BottomEditor()->LoadFromFile(sandbox.Path("a.txt")));
        emit form.RecentMenu()->aboutToShow();
        QStringList items;
        for (QAction* action : form.RecentMenu()->actions()) items << action->text();
        QCOMPARE(items, (QStringList{"&1 " + QDir::toNativeSeparators(sandbox.Path("a.txt")),
                                     "&2 " + QDir::toNativeSeparators(sandbox.Path("c.txt")),
                                     "&3 " + QDir::toNativeSeparators(sandbox.Path("b.txt"))}));
        form.RecentMenu()->actions()[1]->trigger();  // into the active (upper) pane
        QCOMPARE(form.TopEditor()->Text(), QStringLiteral("c.txt"));

        // A file gone since: said, and dropped from the list.
        QFile::remove(sandbox.Path("b.txt"));
        form.RecentMenu()->actions()[2]->trigger();
        QCOMPARE(sandbox.Prompts.Shown.size(), 1);
        QVERIFY(sandbox.Prompts.Shown[0].startsWith("error: The file"));
        emit form.RecentMenu()->aboutToShow();
        QCOMPARE(form.RecentMenu()->actions().size(), 2);
    }

    void FindBarGoesRound_data() {
        QTest::addColumn<bool>("Backwards");
        QTest::addColumn<QList<int>>("Starts");  // of the matches found in turn
        QTest::addColumn<QStringList>("Words");  // the bar's word after each
        QTest::newRow("forwards") << false << QList<int>{8, 0, 4} << QStringList{"", "Wrapped around", ""};
        QTest::newRow("backwards") << true << QList<int>{0, 8, 4} << QStringList{"", "Wrapped around", ""};
    }
    void FindBarGoesRound() {
        QFETCH(bool, Backwards);
        QFETCH(QList<int>, Starts);
        QFETCH(QStringList, Words);
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.TopEditor()->SetText(QStringLiteral("ab  AB  ab"));
        form.TopEditor()->Editor()->setFocus();
        form.TopEditor()->Editor()->SendScintilla(QsciScintilla::SCI_SETSEL, 5, 5);
        QTest::keyClick(form.TopEditor()->Editor(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(form.FindBar()->isVisible());
        QVERIFY(form.FindBar()->TextEdit()->hasFocus());
        QTest::keyClicks(form.FindBar()->TextEdit(), QStringLiteral("ab"));  // found as typed, from the selection
        form.FindBar()->CaseBox()->setChecked(false);
        form.TopEditor()->Editor()->SendScintilla(QsciScintilla::SCI_SETSEL, 5, 5);
        for (int i = 0; i < Starts.size(); ++i) {
            QTest::keyClick(form.FindBar()->TextEdit(), Qt::Key_Return, Backwards ? Qt::ShiftModifier : Qt::NoModifier);
            QCOMPARE(SelectionStart(*form.TopEditor()), Starts[i]);
            QCOMPARE(Selected(*form.TopEditor()).toLower(), QStringLiteral("ab"));
            QCOMPARE(form.FindBar()->StatusLabel()->text(), Words[i]);
        }
        form.FindBar()->CaseBox()->setChecked(true);
        form.FindBar()->TextEdit()->setText(QStringLiteral("aB"));
        QTest::keyClick(form.FindBar()->TextEdit(), Qt::Key_Return);
        QCOMPARE(form.FindBar()->StatusLabel()->text(), QStringLiteral("Not found"));
        QTest::keyClick(form.FindBar()->TextEdit(), Qt::Key_Escape);
        QVERIFY(!form.FindBar()->isVisible());
        QVERIFY(form.TopEditor()->Editor()->hasFocus());
    }

    void ViewOptionsRemembered() {
        vtest::TGuiSandbox sandbox;
        {
            TFormMain form;
            for (const char* name : {"MMAnnotate", "MMSpacedHex", "MMLineNumbers"}) QVERIFY(!form.MenuAction(name)->isChecked());
            QCOMPARE(form.TopEditor()->Editor()->marginWidth(1), 0);
            for (const char* name : {"MMAnnotate", "MMSpacedHex", "MMLineNumbers"}) form.MenuAction(name)->trigger();
            for (TFrameBaseEditor* pane : {form.TopEditor(), form.BottomEditor()})
                QVERIFY(pane->Editor()->marginWidth(1) > 0);
        }
        QCOMPARE(vantrel::Settings().value("View/Annotate").toBool(), true);
        TFormMain again;
        for (const char* name : {"MMAnnotate", "MMSpacedHex", "MMLineNumbers"}) QVERIFY(again.MenuAction(name)->isChecked());
        QVERIFY(again.BottomEditor()->Editor()->marginWidth(1) > 0);
    }

    void SpacedHexOutputReadsBack() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.MenuAction("MMSpacedHex")->trigger();
        form.BottomEditor()->SetText(QStringLiteral("<Data><LongUnsigned Value=\"0102\" /></Data>"));
        form.TranslateRequested(form.BottomEditor());
        QCOMPARE(form.TopEditor()->Text(), QStringLiteral("FF 12 01 02"));
        form.BottomEditor()->Clear();
        form.TranslateRequested(form.TopEditor());
        QVERIFY(form.BottomEditor()->Text().contains(QStringLiteral("<LongUnsigned Value=\"0102\" />")));
    }

    void FontFromTheDialogForBothPanes() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        const QString family = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
        form.MenuAction("MMFont")->trigger();  // cancelled
        QVERIFY(!vantrel::Settings().contains("ScriptFont/1"));
        sandbox.Prompts.FontFamily = family;
        sandbox.Prompts.FontSize = 15;
        form.MenuAction("MMFont")->trigger();
        QCOMPARE(vantrel::Settings().value("ScriptFont/0").toString(), family);
        QCOMPARE(vantrel::Settings().value("ScriptFont/1").toInt(), 15);
        QCOMPARE(form.BottomEditor()->HighLighter()->font(vantrel::hsDefault).pointSize(), 15);
    }

    void ColoursFollowADarkPalette() {
        vtest::TGuiSandbox sandbox;
        const QPalette light = QApplication::palette();
        TFrameBaseEditor pane;
        QVERIFY(pane.HighLighter()->paper(vantrel::hsDefault).lightness() > 128);
        QCOMPARE(pane.HighLighter()->color(vantrel::hsComment), QColor(Qt::blue));

        QPalette dark = light;
        dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
        dark.setColor(QPalette::Text, QColor(0xDD, 0xDD, 0xDD));
        dark.setColor(QPalette::Button, QColor(0x30, 0x30, 0x30));
        QApplication::setPalette(dark);
        QCoreApplication::processEvents();
        for (int style : {int(vantrel::hsDefault), int(vantrel::hsComment), int(vantrel::hsString), vantrel::hsDefault + vantrel::kTwinStyle}) {
            QCOMPARE(pane.HighLighter()->paper(style), QColor(0x1E, 0x1E, 0x1E));
            QVERIFY2(pane.HighLighter()->color(style).lightness() > 128, qPrintable(QString::number(style)));
        }
        TFrameBaseEditor fresh;
        QCOMPARE(fresh.HighLighter()->paper(vantrel::hsString), QColor(0x1E, 0x1E, 0x1E));
        QApplication::setPalette(light);
        QCoreApplication::processEvents();
        QCOMPARE(pane.HighLighter()->color(vantrel::hsDefault), light.color(QPalette::Text));
    }
};

VTEST_REGISTER(TWindowMenusTest);

}  // namespace

#include "window_menus_test.moc"
