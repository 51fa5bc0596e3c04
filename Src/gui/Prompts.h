// Every question the application asks and every notice it gives goes through
// TPrompts: message boxes, file dialogs, the search dialogs, the beep and the
// browser. The application uses the widget implementation; tests put in one
// that answers from a script.
#pragma once

#include <QString>

class QDialog;
class QFont;
class QWidget;

namespace vantrel {

struct TSearchOptions;

enum class TAnswer { Yes, No, Cancel, YesToAll };

class TPrompts {
public:
    virtual ~TPrompts() = default;
    // A plain message box with an OK button and no icon.
    virtual void ShowMessage(QWidget* Parent, const QString& Text) = 0;
    virtual void ShowInformation(QWidget* Parent, const QString& Text) = 0;
    virtual void ShowError(QWidget* Parent, const QString& Text) = 0;
    // A failed translation: the described message, and below it where the
    // translation stopped ("at octet 12, reading InstanceId"; may be empty).
    virtual void ShowFailure(QWidget* Parent, const QString& Message, const QString& Place) = 0;
    // Yes, No or Cancel.
    virtual TAnswer AskYesNoCancel(QWidget* Parent, const QString& Text) = 0;
    // Yes, No, Cancel or YesToAll, before one replacement.
    virtual TAnswer AskReplace(QWidget* Parent, const QString& Text) = 0;
    // The chosen file, empty when the user cancelled. Filter uses the Qt form.
    virtual QString OpenFileName(QWidget* Parent, const QString& Title, const QString& Path, const QString& Filter) = 0;
    virtual QString SaveFileName(QWidget* Parent, const QString& Title, const QString& Path, const QString& Filter) = 0;
    // Runs the search dialog (or the replace dialog) on Options; false when
    // cancelled. ReplaceAll tells which of the replace buttons was pressed.
    virtual bool EditSearchOptions(QWidget* Parent, TSearchOptions& Options, bool Replace, bool& ReplaceAll) = 0;
    // Runs a dialog the caller built; true when the user accepted it.
    virtual bool RunDialog(QDialog& Dialog) = 0;
    // The font dialog, starting from Font; false when cancelled.
    virtual bool ChooseFont(QWidget* Parent, QFont& Font) = 0;
    virtual void Beep() = 0;
    // Shows the document in the desktop's browser; false when none started.
    virtual bool OpenDocument(const QString& FileName) = 0;
};

// The prompts in use; the widget implementation unless SetPrompts replaced it.
TPrompts& Prompts();
// Replaces the prompts (nullptr restores the widget implementation); the
// caller keeps ownership.
void SetPrompts(TPrompts* Prompts);

}  // namespace vantrel
