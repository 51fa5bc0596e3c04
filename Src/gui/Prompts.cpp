#include "Prompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "SearchDialogs.h"
#include "Src/translate/Version.h"

namespace vantrel {

namespace {

int RunMessageBox(QWidget* Parent, QMessageBox::Icon Icon, const QString& Text) {
    QMessageBox box(Icon, QLatin1String(kProductName), Text, QMessageBox::Ok, Parent);
    return box.exec();
}

class TWidgetPrompts final : public TPrompts {
public:
    void ShowMessage(QWidget* Parent, const QString& Text) override {
        RunMessageBox(Parent, QMessageBox::NoIcon, Text);
    }
    void ShowInformation(QWidget* Parent, const QString& Text) override {
        RunMessageBox(Parent, QMessageBox::Information, Text);
    }
    void ShowError(QWidget* Parent, const QString& Text) override {
        RunMessageBox(Parent, QMessageBox::Critical, Text);
    }
    void ShowFailure(QWidget* Parent, const QString& Message, const QString& Place) override {
        QMessageBox box(QMessageBox::NoIcon, QLatin1String(kProductName), Message, QMessageBox::Ok, Parent);
        box.setInformativeText(Place);
        box.exec();
    }
    TAnswer AskYesNoCancel(QWidget* Parent, const QString& Text) override {
        const auto answer = QMessageBox::question(Parent, QLatin1String(kProductName), Text,
                                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        return answer == QMessageBox::Yes ? TAnswer::Yes : answer == QMessageBox::No ? TAnswer::No : TAnswer::Cancel;
    }
    TAnswer AskReplace(QWidget* Parent, const QString& Text) override {
        QMessageBox box(QMessageBox::Question, QLatin1String(kProductName), Text,
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, Parent);
        QPushButton* all = box.addButton(QStringLiteral("Yes to &all"), QMessageBox::YesRole);
        box.exec();
        if (box.clickedButton() == all) return TAnswer::YesToAll;
        switch (box.standardButton(box.clickedButton())) {
            case QMessageBox::Yes: return TAnswer::Yes;
            case QMessageBox::No: return TAnswer::No;
            default: return TAnswer::Cancel;
        }
    }
    QString OpenFileName(QWidget* Parent, const QString& Title, const QString& Path, const QString& Filter) override {
        return QFileDialog::getOpenFileName(Parent, Title, Path, Filter);
    }
    QString SaveFileName(QWidget* Parent, const QString& Title, const QString& Path, const QString& Filter) override {
        // The dialog asks before overwriting an existing file.
        return QFileDialog::getSaveFileName(Parent, Title, Path, Filter);
    }
    bool EditSearchOptions(QWidget* Parent, TSearchOptions& Options, bool Replace, bool& ReplaceAll) override {
        return RunSearchDialog(Parent, Options, Replace, ReplaceAll);
    }
    bool RunDialog(QDialog& Dialog) override { return Dialog.exec() == QDialog::Accepted; }
    bool ChooseFont(QWidget* Parent, QFont& Font) override {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, Font, Parent, QStringLiteral("Font"),
                                                  QFontDialog::MonospacedFonts);
        if (ok) Font = chosen;
        return ok;
    }
    void Beep() override { QApplication::beep(); }
    bool OpenDocument(const QString& FileName) override {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(FileName));
    }
};

TWidgetPrompts GWidgetPrompts;
TPrompts* GPrompts = &GWidgetPrompts;

}  // namespace

TPrompts& Prompts() { return *GPrompts; }

void SetPrompts(TPrompts* Prompts) { GPrompts = Prompts ? Prompts : &GWidgetPrompts; }

}  // namespace vantrel
