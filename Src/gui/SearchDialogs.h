// The search and replace dialogs and the options they edit. One set of
// options serves every pane and is kept for the life of the program, so a
// dialog opens with the choices of its last use and F3 repeats them.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include "FormBase.h"

class QCheckBox;
class QComboBox;
class QRadioButton;

namespace vantrel {

struct TSearchOptions {
    QString SearchText;
    QString ReplaceText;
    QStringList SearchHistory;   // most recent first
    QStringList ReplaceHistory;
    bool CaseSensitive = false;
    bool WholeWords = false;
    bool FromCursor = false;
    bool SelectedOnly = false;
    bool Backwards = false;
};

// The options shared by the panes.
TSearchOptions& SharedSearchOptions();

// "Search Text" (or "Replace text" with the replacement field): shows Options
// and writes the user's choices back when accepted.
class TFormSearch final : public TFormBase<QDialog> {
    Q_OBJECT
public:
    TFormSearch(QWidget* Parent, bool Replace);

    void Load(const TSearchOptions& Options);
    void Save(TSearchOptions& Options) const;
    bool ReplaceAllChosen() const { return FReplaceAll; }

protected:
    QSize DefaultFormSize() const override { return sizeHint(); }

private:
    bool FReplace;
    bool FReplaceAll = false;
    QComboBox* FSearchText;
    QComboBox* FReplaceText = nullptr;
    QCheckBox* FCaseSensitive;
    QCheckBox* FWholeWords;
    QCheckBox* FFromCursor;
    QCheckBox* FSelectedOnly;
    QRadioButton* FForward;
    QRadioButton* FBackwards;
};

// Runs the dialog modally on Options; false when cancelled.
bool RunSearchDialog(QWidget* Parent, TSearchOptions& Options, bool Replace, bool& ReplaceAll);

}  // namespace vantrel
