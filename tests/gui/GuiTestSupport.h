// Shared pieces of the desktop application's tests: prompts that answer from
// a script and record what the user would have seen, a settings file of the
// test's own, and the registry the test main runs.
#pragma once

#include <QDialog>
#include <QFile>
#include <QFont>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

#include "AppSettings.h"
#include "Prompts.h"
#include "SearchDialogs.h"

namespace vtest {

// A file's bytes, or none when it cannot be read.
inline QByteArray ReadFile(const QString& Name) {
    QFile file(Name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes Bytes to the file Name; a file that cannot be opened fails the test.
inline void WriteFile(const QString& Name, const QByteArray& Bytes) {
    QFile file(Name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Bytes);
}

class TScriptedPrompts final : public vantrel::TPrompts {
public:
    QStringList Shown;                     // "message: ...", "information: ...", "error: ...", "question: ..."
    QList<vantrel::TAnswer> Answers;       // for the questions, in order; Cancel when none is left
    QStringList FileNames;                 // for the file dialogs, in order; cancelled when none is left
    QStringList DialogTitles;              // of the file dialogs
    QStringList DialogFilters;             // of the file dialogs
    QStringList Places;                    // of the failures shown
    QString FontFamily;                    // chosen in the font dialog; cancelled when empty
    int FontSize = 0;
    bool BrowserStarts = true;
    QStringList Documents;                 // opened in the browser
    int Beeps = 0;
    // Plays the user of a dialog the application built; cancelled when unset.
    std::function<bool(QDialog&)> Dialog;
    // Plays the user of the search dialog; cancelled when unset.
    std::function<bool(vantrel::TSearchOptions&, bool Replace, bool& ReplaceAll)> SearchDialog;

    void ShowMessage(QWidget*, const QString& Text) override { Shown << QStringLiteral("message: ") + Text; }
    void ShowInformation(QWidget*, const QString& Text) override { Shown << QStringLiteral("information: ") + Text; }
    void ShowError(QWidget*, const QString& Text) override { Shown << QStringLiteral("error: ") + Text; }
    void ShowFailure(QWidget*, const QString& Message, const QString& Place) override {
        Shown << QStringLiteral("message: ") + Message;
        Places << Place;
    }
    vantrel::TAnswer AskYesNoCancel(QWidget*, const QString& Text) override { return Ask(Text); }
    vantrel::TAnswer AskReplace(QWidget*, const QString& Text) override { return Ask(Text); }
    QString OpenFileName(QWidget*, const QString& Title, const QString&, const QString& Filter) override {
        return ChooseFile(Title, Filter);
    }
    QString SaveFileName(QWidget*, const QString& Title, const QString&, const QString& Filter) override {
        return ChooseFile(Title, Filter);
    }
    bool RunDialog(QDialog& Shown) override { return Dialog && Dialog(Shown); }
    bool ChooseFont(QWidget*, QFont& Font) override {
        if (FontFamily.isEmpty()) return false;
        Font = QFont(FontFamily, FontSize);
        return true;
    }
    bool EditSearchOptions(QWidget*, vantrel::TSearchOptions& Options, bool Replace, bool& ReplaceAll) override {
        return SearchDialog && SearchDialog(Options, Replace, ReplaceAll);
    }
    void Beep() override { ++Beeps; }
    bool OpenDocument(const QString& FileName) override {
        Documents << FileName;
        return BrowserStarts;
    }

private:
    vantrel::TAnswer Ask(const QString& Text) {
        Shown << QStringLiteral("question: ") + Text;
        return Answers.isEmpty() ? vantrel::TAnswer::Cancel : Answers.takeFirst();
    }
    QString ChooseFile(const QString& Title, const QString& Filter) {
        DialogTitles << Title;
        DialogFilters << Filter;
        return FileNames.isEmpty() ? QString() : FileNames.takeFirst();
    }
};

// The settings file of the whole test run, in a folder the test main
// removes when the run ends: what is written between sandboxes goes there.
const QString& RunSettingsFile();

// A fresh settings file and scripted prompts for one test function; the
// shared search options start from their defaults. The settings file is
// written and closed before the sandbox's folder is removed (a settings
// object still open would create the folder again when it writes).
class TGuiSandbox {
public:
    TGuiSandbox() {
        vantrel::OpenSettings(Dir.filePath(QStringLiteral("Vantrel.ini")));
        vantrel::SetPrompts(&Prompts);
        vantrel::SharedSearchOptions() = vantrel::TSearchOptions{};
    }
    ~TGuiSandbox() {
        vantrel::SetPrompts(nullptr);
        vantrel::CloseSettings();
        vantrel::OpenSettings(RunSettingsFile());
    }
    TGuiSandbox(const TGuiSandbox&) = delete;
    TGuiSandbox& operator=(const TGuiSandbox&) = delete;

    QString Path(const QString& Name) const { return Dir.filePath(Name); }

    QTemporaryDir Dir;
    TScriptedPrompts Prompts;
};

// The test classes the main runs, one object each.
using TTestFactory = std::function<std::unique_ptr<QObject>()>;
std::vector<TTestFactory>& TestRegistry();

template <typename T>
struct TRegisterTest {
    TRegisterTest() { TestRegistry().push_back([] { return std::make_unique<T>(); }); }
};

}  // namespace vtest

#define VTEST_REGISTER(Class) static const vtest::TRegisterTest<Class> kRegister##Class
