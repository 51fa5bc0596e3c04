// The editor pane: its menu, files, search and replace, the comment toggle
// and caret placement.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <Qsci/qsciscintilla.h>

#include "FrameBaseEditor.h"
#include "GuiTestSupport.h"
#include "HighLighter.h"

using vantrel::TAnswer;
using vantrel::TFrameBaseEditor;

Q_DECLARE_METATYPE(vantrel::TAnswer)

using vtest::ReadFile;
using vtest::WriteFile;

namespace {

// The caret as "line:index", both from 0.
QString Caret(const TFrameBaseEditor& Pane) {
    int line, index;
    Pane.Editor()->getCursorPosition(&line, &index);
    return QString::asprintf("%d:%d", line, index);
}

// Which of the menu's items are enabled, as their captions.
QStringList EnabledItems(const TFrameBaseEditor& Pane) {
    QStringList enabled;
    for (QAction* action : Pane.PopUpMenu()->actions())
        if (!action->isSeparator() && action->isEnabled()) enabled << action->text();
    return enabled;
}

class TPaneTest final : public QObject {
    Q_OBJECT
private slots:
    void MenuItemsInOrderWithShortcuts() {
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        QStringList items;
        for (QAction* action : pane.PopUpMenu()->actions()) {
            QString item = action->isSeparator() ? QStringLiteral("-") : action->text();
            if (!action->shortcut().isEmpty()) item += " (" + action->shortcut().toString() + ")";
            items << item;
        }
        QCOMPARE(items.join(" | "),
                 QStringLiteral("Translate (Ctrl+T) | Undo (Ctrl+Z) | Redo | - | Cut (Ctrl+X) | Copy (Ctrl+C) | "
                                "Paste (Ctrl+V) | Delete | - | Select All (Ctrl+A) | - | Indent | Unindent | - | "
                                "Search... | Replace... | - | Load... | Save | Save as..."));
        QCOMPARE(pane.Action(vantrel::eaSearchAgain)->shortcut(), QKeySequence(Qt::Key_F3));
    }

    void MenuEnabling_data() {
        QTest::addColumn<bool>("Selected");
        QTest::addColumn<bool>("ReadOnly");
        QTest::addColumn<bool>("ClipboardText");
        QTest::addColumn<QString>("Enabled");
        QTest::newRow("empty selection") << false << false << true
                                         << "Translate Undo Paste Select All Search... Replace... Load... Save Save as...";
        QTest::newRow("selection") << true << false << true
                                   << "Translate Undo Cut Copy Paste Delete Select All Indent Unindent Search... "
                                      "Replace... Load... Save Save as...";
        QTest::newRow("empty clipboard") << true << false << false
                                         << "Translate Undo Cut Copy Delete Select All Indent Unindent Search... "
                                            "Replace... Load... Save Save as...";
        QTest::newRow("read-only, empty selection") << false << true << true
                                                    << "Translate Select All Search... Load... Save Save as...";
        QTest::newRow("read-only with selection") << true << true << true
                                                  << "Translate Copy Select All Search... Load... Save Save as...";
    }
    void MenuEnabling() {
        QFETCH(bool, Selected);
        QFETCH(bool, ReadOnly);
        QFETCH(bool, ClipboardText);
        QFETCH(QString, Enabled);
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        pane.Editor()->insert(QStringLiteral("C0 01 C1"));  // something to undo
        if (Selected) pane.Editor()->setSelection(0, 0, 0, 2);
        pane.SetReadOnly(ReadOnly);
        if (ClipboardText) QApplication::clipboard()->setText(QStringLiteral("x"));
        else QApplication::clipboard()->clear();
        QSignalSpy popUp(&pane, &TFrameBaseEditor::PopUpMenuPopUp);
        emit pane.PopUpMenu()->aboutToShow();
        QCOMPARE(EnabledItems(pane).join(' '), Enabled);
        QCOMPARE(popUp.count(), 1);
        // Once the menu closes the keys work again.
        emit pane.PopUpMenu()->aboutToHide();
        QVERIFY(pane.Action(vantrel::eaCut)->isEnabled());
    }

    void SaveWithoutFileNameIsSaveAs() {
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        pane.SetText(QStringLiteral("FF 12 01 02"));
        QVERIFY(pane.IsModified());

        QVERIFY(!pane.Save());  // the dialog is cancelled
        QCOMPARE(sandbox.Prompts.DialogTitles, QStringList{"Save file"});
        QVERIFY(pane.IsModified());
        QVERIFY(pane.CurrentFileName().isEmpty());

        const QString name = sandbox.Path("apdu.txt");
        sandbox.Prompts.FileNames << name;
        QSignalSpy renamed(&pane, &TFrameBaseEditor::FileNameChanged);
        QVERIFY(pane.Save());
        QCOMPARE(ReadFile(name), QByteArray("FF 12 01 02"));
        QCOMPARE(pane.CurrentFileName(), name);
        QCOMPARE(vantrel::Settings().value("LastFiles/FrameBaseEditor").toString(), name);
        QVERIFY(!pane.IsModified());
        QCOMPARE(renamed.count(), 1);

        pane.Editor()->append(QStringLiteral(" 03"));
        QVERIFY(pane.Save());  // now without a dialog
        QCOMPARE(sandbox.Prompts.DialogTitles.size(), 2);
        QCOMPARE(ReadFile(name), QByteArray("FF 12 01 02 03"));
    }

    void LoadOnModifiedPaneAsksFirst_data() {
        QTest::addColumn<TAnswer>("Answer");
        QTest::addColumn<bool>("Loaded");
        QTest::addColumn<bool>("SavedFirst");
        QTest::newRow("cancel stops the load") << TAnswer::Cancel << false << false;
        QTest::newRow("no drops the text") << TAnswer::No << true << false;
        QTest::newRow("yes saves first") << TAnswer::Yes << true << true;
    }
    void LoadOnModifiedPaneAsksFirst() {
        QFETCH(TAnswer, Answer);
        QFETCH(bool, Loaded);
        QFETCH(bool, SavedFirst);
        vtest::TGuiSandbox sandbox;
        const QString source = sandbox.Path("source.txt");
        const QString saved = sandbox.Path("saved.txt");
        WriteFile(source, "loaded\r\n");
        TFrameBaseEditor pane;
        pane.SetText(QStringLiteral("typed"));
        sandbox.Prompts.Answers << Answer;
        if (SavedFirst) sandbox.Prompts.FileNames << saved;
        sandbox.Prompts.FileNames << source;

        pane.Load();
        QCOMPARE(sandbox.Prompts.Shown, QStringList{"question: Save changes to \"Untitled\"?"});
        QCOMPARE(pane.Text(), Loaded ? QStringLiteral("loaded\r\n") : QStringLiteral("typed"));
        QCOMPARE(QFile::exists(saved), SavedFirst);
        if (Loaded) QCOMPARE(sandbox.Prompts.DialogTitles.last(), QStringLiteral("Open file"));
        else QVERIFY(sandbox.Prompts.DialogTitles.isEmpty());
    }

    void CloseQueryOnUnchangedText() {
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        QVERIFY(pane.CloseQuery());
        QVERIFY(sandbox.Prompts.Shown.isEmpty());
    }

    // The document keeps CR LF; a file goes back with the line ends it had.
    void LineEndsOfFiles_data() {
        QTest::addColumn<QByteArray>("File");
        QTest::addColumn<QString>("Text");
        QTest::addColumn<QByteArray>("Saved");
        QTest::newRow("LF") << QByteArray("a\nb\n") << "a\r\nb\r\n" << QByteArray("a\nb\n");
        QTest::newRow("CR LF") << QByteArray("a\r\nb") << "a\r\nb" << QByteArray("a\r\nb");
        QTest::newRow("UTF-8 with byte order mark") << QByteArray("\xEF\xBB\xBF\xC3\xA4\n") << "\u00E4\r\n"
                                                    << QByteArray("\xC3\xA4\n");
        QTest::newRow("no line end") << QByteArray("abc") << "abc" << QByteArray("abc");
    }
    void LineEndsOfFiles() {
        QFETCH(QByteArray, File);
        QFETCH(QString, Text);
        QFETCH(QByteArray, Saved);
        vtest::TGuiSandbox sandbox;
        const QString name = sandbox.Path("f.txt");
        WriteFile(name, File);
        TFrameBaseEditor pane;
        QVERIFY(pane.LoadFromFile(name));
        QCOMPARE(pane.Text(), Text);
        QVERIFY(!pane.IsModified());
        QVERIFY(!pane.Editor()->isUndoAvailable());
        QVERIFY(pane.Save());
        QCOMPARE(ReadFile(name), Saved);
    }

    void FileErrorsLeaveThePaneAsItWas() {
        vtest::TGuiSandbox sandbox;
        const QString name = sandbox.Path("good.txt");
        WriteFile(name, "good");
        TFrameBaseEditor pane;
        QVERIFY(pane.LoadFromFile(name));

        QVERIFY(!pane.LoadFromFile(sandbox.Path("missing.txt")));
        QCOMPARE(pane.Text(), QStringLiteral("good"));
        QCOMPARE(pane.CurrentFileName(), name);

        sandbox.Prompts.FileNames << sandbox.Dir.path();  // a folder cannot be written as a file
        QVERIFY(!pane.SaveAs());
        QCOMPARE(pane.CurrentFileName(), name);
        QCOMPARE(sandbox.Prompts.Shown.size(), 2);
        QVERIFY(sandbox.Prompts.Shown[0].startsWith("error: Cannot open file"));
        QVERIFY(sandbox.Prompts.Shown[1].startsWith("error: Cannot save file"));
    }

    void LastFileReloadedAtStart() {
        vtest::TGuiSandbox sandbox;
        const QString name = sandbox.Path("last.txt");
        WriteFile(name, "FF 12 01 02");
        vantrel::Settings().setValue("LastFiles/FrameBaseEditor", name);
        TFrameBaseEditor pane;
        QCOMPARE(pane.Text(), QStringLiteral("FF 12 01 02"));
        QCOMPARE(pane.CurrentFileName(), name);

        vantrel::Settings().setValue("LastFiles/FrameBaseEditor", sandbox.Path("gone.txt"));
        TFrameBaseEditor empty;
        QVERIFY(empty.Text().isEmpty());
        QVERIFY(sandbox.Prompts.Shown.isEmpty());
    }

    void SearchNotFound_data() {
        QTest::addColumn<bool>("Backwards");
        QTest::addColumn<QString>("Caret");
        QTest::newRow("forwards: end of the selection") << false << "1:4";
        QTest::newRow("backwards: start of the selection") << true << "0:2";
    }
    void SearchNotFound() {
        QFETCH(bool, Backwards);
        QFETCH(QString, Caret);
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        pane.SetText(QStringLiteral("abcdef\r\nghijkl"));
        pane.Editor()->setSelection(0, 2, 1, 4);
        sandbox.Prompts.SearchDialog = [&](vantrel::TSearchOptions& Options, bool, bool&) {
            Options.SearchText = QStringLiteral("xyz");
            Options.Backwards = Backwards;
            Options.FromCursor = true;
            return true;
        };
        pane.Search();
        QCOMPARE(sandbox.Prompts.Shown, QStringList{"information: Search string \"xyz\" not found"});
        QVERIFY(!pane.Editor()->hasSelectedText());
        QCOMPARE(::Caret(pane), Caret);
    }

    void Search_data() {
        QTest::addColumn<QString>("Find");
        QTest::addColumn<bool>("CaseSensitive");
        QTest::addColumn<bool>("WholeWords");
        QTest::addColumn<bool>("FromCursor");
        QTest::addColumn<bool>("Backwards");
        QTest::addColumn<QString>("Found");  // "line:index" of each match in turn, then F3 again
        // Text: "Value value\r\nvalues Value", caret at 0:6
        QTest::newRow("from the start") << "value" << false << false << false << false << "0:0 0:6 1:0 1:7 -";
        QTest::newRow("from the caret") << "value" << false << false << true << false << "0:6 1:0 1:7 -";
        QTest::newRow("case sensitive") << "Value" << true << false << false << false << "0:0 1:7 -";
        QTest::newRow("whole words") << "value" << false << true << false << false << "0:0 0:6 1:7 -";
        QTest::newRow("backwards from the caret") << "value" << false << false << true << true << "0:0 -";
        QTest::newRow("backwards from the end") << "value" << false << false << false << true << "1:7 1:0 0:6 0:0 -";
    }
    void Search() {
        QFETCH(QString, Find);
        QFETCH(bool, CaseSensitive);
        QFETCH(bool, WholeWords);
        QFETCH(bool, FromCursor);
        QFETCH(bool, Backwards);
        QFETCH(QString, Found);
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        pane.SetText(QStringLiteral("Value value\r\nvalues Value"));
        pane.Editor()->setCursorPosition(0, 6);
        QString prefill;
        sandbox.Prompts.SearchDialog = [&](vantrel::TSearchOptions& Options, bool, bool&) {
            prefill = Options.SearchText;
            Options.SearchText = Find;
            Options.CaseSensitive = CaseSensitive;
            Options.WholeWords = WholeWords;
            Options.FromCursor = FromCursor;
            Options.Backwards = Backwards;
            return true;
        };
        QStringList found;
        auto record = [&] {
            if (!sandbox.Prompts.Shown.isEmpty()) {
                found << "-";
                return;
            }
            int line, index, lineTo, indexTo;
            pane.Editor()->getSelection(&line, &index, &lineTo, &indexTo);
            QCOMPARE(pane.Editor()->selectedText().toLower(), Find.toLower());
            found << QString::asprintf("%d:%d", line, index);
        };
        pane.Search();
        QCOMPARE(prefill, QStringLiteral("value"));  // the word at the caret
        record();
        while (found.last() != "-" && found.size() < 8) {
            pane.SearchAgain();
            record();
        }
        QCOMPARE(found.join(' '), Found);
    }

    void SearchInSelectionOnly() {
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        pane.SetText(QStringLiteral("ab ab ab ab"));
        pane.Editor()->setSelection(0, 4, 0, 9);
        QString prefill;
        sandbox.Prompts.SearchDialog = [&](vantrel::TSearchOptions& Options, bool, bool&) {
            prefill = Options.SearchText;
            Options.SearchText = QStringLiteral("ab");
            Options.SelectedOnly = true;
            return true;
        };
        pane.Search();
        QCOMPARE(prefill, QStringLiteral("b ab "));  // the selection, within one line
        QCOMPARE(pane.Editor()->selectedText(), QStringLiteral("ab"));
        QCOMPARE(Caret(pane), QStringLiteral("0:8"));
    }

    void Replace_data() {
        QTest::addColumn<bool>("WholeWords");
        QTest::addColumn<bool>("ReplaceAll");
        QTest::addColumn<QList<TAnswer>>("Answers");
        QTest::addColumn<QString>("Result");
        QTest::addColumn<int>("Questions");
        using L = QList<TAnswer>;
        QTest::newRow("first only") << true << false << L{TAnswer::Yes} << "x-aa a aa" << 1;
        QTest::newRow("all, each asked") << true << true << L{TAnswer::No, TAnswer::Yes} << "a-aa x aa" << 2;
        QTest::newRow("yes to all") << false << true << L{TAnswer::No, TAnswer::YesToAll} << "a-xx x xx" << 2;
        QTest::newRow("cancel") << false << true << L{TAnswer::Yes, TAnswer::Cancel} << "x-aa a aa" << 2;
    }
    void Replace() {
        QFETCH(bool, WholeWords);
        QFETCH(bool, ReplaceAll);
        QFETCH(QList<TAnswer>, Answers);
        QFETCH(QString, Result);
        QFETCH(int, Questions);
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        pane.SetText(QStringLiteral("a-aa a aa"));
        pane.Editor()->setCursorPosition(0, 1);
        sandbox.Prompts.Answers = Answers;
        bool replaceDialog = false;
        sandbox.Prompts.SearchDialog = [&](vantrel::TSearchOptions& Options, bool Replace, bool& All) {
            replaceDialog = Replace;
            Options.SearchText = QStringLiteral("a");
            Options.ReplaceText = QStringLiteral("x");
            Options.WholeWords = WholeWords;
            All = ReplaceAll;
            return true;
        };
        pane.Replace();
        QVERIFY(replaceDialog);
        QCOMPARE(pane.Text(), Result);
        QCOMPARE(sandbox.Prompts.Shown.size(), Questions);
        QCOMPARE(sandbox.Prompts.Shown.value(0), QStringLiteral("question: Replace this occurrence of \"a\"?"));
        pane.Editor()->undo();  // one step undoes every replacement
        QCOMPARE(pane.Text(), QStringLiteral("a-aa a aa"));
    }

    void ReplaceFindingNothingBeeps() {
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        pane.SetText(QStringLiteral("abc"));
        pane.Editor()->setSelection(0, 1, 0, 2);
        sandbox.Prompts.SearchDialog = [](vantrel::TSearchOptions& Options, bool, bool& All) {
            Options.SearchText = QStringLiteral("zz");
            All = true;
            return true;
        };
        pane.Replace();
        QCOMPARE(sandbox.Prompts.Beeps, 1);
        QVERIFY(sandbox.Prompts.Shown.isEmpty());
        QCOMPARE(Caret(pane), QStringLiteral("0:2"));
    }

    void SearchOptionsKeptBetweenUses() {
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        pane.SetText(QStringLiteral("one  two"));
        sandbox.Prompts.SearchDialog = [](vantrel::TSearchOptions& Options, bool, bool&) {
            Options.SearchText = QStringLiteral("two");
            Options.CaseSensitive = true;
            return true;
        };
        pane.Search();
        pane.Editor()->setCursorPosition(0, 4);  // between the blanks: no word
        vantrel::TSearchOptions seen;
        sandbox.Prompts.SearchDialog = [&](vantrel::TSearchOptions& Options, bool, bool&) {
            seen = Options;
            return false;
        };
        pane.Search();
        QCOMPARE(seen.SearchText, QStringLiteral("two"));
        QVERIFY(seen.CaseSensitive);
    }

    void ToggleLineComment_data() {
        QTest::addColumn<QString>("Text");
        QTest::addColumn<QString>("Selection");  // "anchorLine:index caretLine:index"
        QTest::addColumn<QString>("Result");
        QTest::newRow("one line, caret at its start") << "a\r\nb" << "0:0 0:0" << "//a\r\nb";
        QTest::newRow("uncomment one line") << "//a\r\nb" << "0:0 0:0" << "a\r\nb";
        QTest::newRow("lines before the last") << "a\r\nb\r\nc" << "0:0 2:0" << "//a\r\n//b\r\nc";
        QTest::newRow("selection made upwards") << "a\r\nb\r\nc" << "2:0 0:0" << "//a\r\n//b\r\nc";
        QTest::newRow("all commented: uncomment") << "//a\r\n//b\r\nc" << "0:0 2:0" << "a\r\nb\r\nc";
        QTest::newRow("mixed: comment all") << "//a\r\nb\r\nc" << "0:0 2:0" << "////a\r\n//b\r\nc";
        QTest::newRow("caret inside a line beeps") << "ab" << "0:1 0:1" << "ab";
        QTest::newRow("selection ending inside a line beeps") << "a\r\nbc" << "0:0 1:1" << "a\r\nbc";
    }
    void ToggleLineComment() {
        QFETCH(QString, Text);
        QFETCH(QString, Selection);
        QFETCH(QString, Result);
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        pane.SetText(Text);
        const QStringList ends = Selection.split(' ');
        const QStringList anchor = ends[0].split(':');
        const QStringList caret = ends[1].split(':');
        pane.Editor()->setSelection(anchor[0].toInt(), anchor[1].toInt(), caret[0].toInt(), caret[1].toInt());
        pane.ToggleLineComment();
        QCOMPARE(pane.Text(), Result);
        QCOMPARE(sandbox.Prompts.Beeps, Result == Text ? 1 : 0);
        if (Result != Text) {
            pane.ToggleLineComment();  // the selection still covers the lines
            pane.Editor()->undo();
            QCOMPARE(pane.Text(), Result);  // each toggle is one step
        }
    }

    void StatusIsColumnThenLine() {
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        pane.SetText(QStringLiteral("abc\r\ndef"));
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        QSignalSpy status(&pane, &TFrameBaseEditor::EditorStatusChanged);
        pane.Editor()->setCursorPosition(1, 2);
        QTRY_VERIFY(!status.isEmpty());
        QCOMPARE(status.last().at(1).toString(), QStringLiteral("3:2"));
    }

    // GotoPos takes a one-based column and line; GotoIndex walks the text
    // with a carriage return starting a line and a line feed taking a column.
    void CaretPlacement_data() {
        QTest::addColumn<int>("Index");
        QTest::addColumn<QString>("Caret");
        QTest::newRow("start") << 0 << "0:0";
        QTest::newRow("first line") << 3 << "0:2";
        QTest::newRow("after CR LF") << 7 << "1:0";
        QTest::newRow("inside second line") << 9 << "1:2";
        QTest::newRow("end of the second line") << 12 << "1:5";
        QTest::newRow("after a CR alone") << 13 << "2:0";
        QTest::newRow("after CR LF on the third line") << 14 << "2:0";
        QTest::newRow("beyond the text") << 99 << "2:4";
        QTest::newRow("characters, not octets") << 17 << "2:3";
    }
    void CaretPlacement() {
        QFETCH(int, Index);
        QFETCH(QString, Caret);
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        pane.SetText(QStringLiteral("<abc>\r\n<def>\r\nx\u00E4\u00E4\u00E4"));
        pane.GotoIndex(Index);
        QCOMPARE(::Caret(pane), Caret);
    }
    void GotoPosClampsToTheText() {
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        pane.SetText(QStringLiteral("ab\r\ncd"));
        pane.GotoPos(99, 99);
        QCOMPARE(Caret(pane), QStringLiteral("1:2"));
        pane.GotoPos(-5, 0);
        QCOMPARE(Caret(pane), QStringLiteral("0:0"));
    }

    void ReplacingAllTextIsOneUndoStep() {
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        pane.SetText(QStringLiteral("before"));
        pane.SetReadOnly(true);
        pane.ReplaceAllText("after");
        QCOMPARE(pane.Text(), QStringLiteral("after"));
        QVERIFY(pane.GetReadOnly());
        pane.SetReadOnly(false);
        pane.Editor()->undo();
        QCOMPARE(pane.Text(), QStringLiteral("before"));
    }

    void AddLinesKeepsTheNewestLines() {
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        pane.AddLine(QStringLiteral("1"));
        pane.AddLines({QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")}, 3);
        QCOMPARE(pane.Text(), QStringLiteral("2\r\n3\r\n4"));
        QCOMPARE(Caret(pane), QStringLiteral("2:0"));
    }

    void FontFollowsTheSettings() {
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        vantrel::SetScriptFont(QStringLiteral("No Such Font"), 17);
        QCOMPARE(pane.Editor()->lexer()->font(vantrel::hsDefault).pointSize(), 17);
        QVERIFY(pane.Editor()->lexer()->font(vantrel::hsComment).italic());
    }

    void CallersMenuRunsThePanesCommands() {
        vtest::TGuiSandbox sandbox;
        TFrameBaseEditor pane;
        QMenu menu;
        QAction* translate = menu.addAction(QStringLiteral("&Translate"));
        QAction* cut = menu.addAction(QStringLiteral("Cut"));
        QAction* other = menu.addAction(QStringLiteral("Other"));
        pane.SetPopUpMenu(&menu);
        QCOMPARE(pane.PopUpMenu(), &menu);
        QSignalSpy translated(&pane, &TFrameBaseEditor::TranslateRequested);
        translate->trigger();
        QCOMPARE(translated.count(), 1);
        emit menu.aboutToShow();
        QVERIFY(!cut->isEnabled());  // nothing selected
        QVERIFY(other->isEnabled());
    }
};

VTEST_REGISTER(TPaneTest);

}  // namespace

#include "pane_test.moc"
