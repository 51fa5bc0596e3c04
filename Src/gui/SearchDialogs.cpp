#include "SearchDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vantrel {

namespace {

constexpr int kHistoryLength = 16;

QComboBox* NewHistoryBox(QWidget* Parent) {
    auto* box = new QComboBox(Parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumContentsLength(28);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return box;
}

void FillHistoryBox(QComboBox* Box, const QString& Text, const QStringList& History) {
    Box->clear();
    Box->addItems(History);
    Box->setEditText(Text);
}

void Remember(QStringList& History, const QString& Text) {
    if (Text.isEmpty()) return;
    History.removeAll(Text);
    History.prepend(Text);
    while (History.size() > kHistoryLength) History.removeLast();
}

}  // namespace

TSearchOptions& SharedSearchOptions() {
    static TSearchOptions options;
    return options;
}

TFormSearch::TFormSearch(QWidget* Parent, bool Replace) : TFormBase<QDialog>(Parent), FReplace(Replace) {
    setObjectName(Replace ? QStringLiteral("FormReplace") : QStringLiteral("FormSearch"));
    setWindowTitle(Replace ? QStringLiteral("Replace text") : QStringLiteral("Search Text"));

    auto* fields = new QFormLayout;
    FSearchText = NewHistoryBox(this);
    fields->addRow(QStringLiteral("&Search for:"), FSearchText);
    if (Replace) {
        FReplaceText = NewHistoryBox(this);
        fields->addRow(QStringLiteral("&Replace with:"), FReplaceText);
    }

    auto* options = new QGroupBox(QStringLiteral("Options"), this);
    auto* optionLayout = new QVBoxLayout(options);
    FCaseSensitive = new QCheckBox(QStringLiteral("C&ase sensitivity"), options);
    FWholeWords = new QCheckBox(QStringLiteral("&Whole words only"), options);
    FFromCursor = new QCheckBox(QStringLiteral("Search from &caret"), options);
    FSelectedOnly = new QCheckBox(QStringLiteral("S&elected text only"), options);
    for (QCheckBox* box : {FCaseSensitive, FWholeWords, FFromCursor, FSelectedOnly}) optionLayout->addWidget(box);

    auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
    auto* directionLayout = new QVBoxLayout(direction);
    FForward = new QRadioButton(QStringLiteral("&Forward"), direction);
    FBackwards = new QRadioButton(QStringLiteral("&Backward"), direction);
    directionLayout->addWidget(FForward);
    directionLayout->addWidget(FBackwards);
    directionLayout->addStretch();

    auto* groups = new QHBoxLayout;
    groups->addWidget(options);
    groups->addWidget(direction);

    auto* buttons = new QDialogButtonBox(this);
    if (Replace) {
        QPushButton* one = buttons->addButton(QStringLiteral("&Replace"), QDialogButtonBox::AcceptRole);
        QPushButton* all = buttons->addButton(QStringLiteral("Replace &All"), QDialogButtonBox::AcceptRole);
        one->setDefault(true);
        connect(one, &QPushButton::clicked, this, [this] { FReplaceAll = false; });
        connect(all, &QPushButton::clicked, this, [this] { FReplaceAll = true; });
    } else {
        buttons->addButton(QDialogButtonBox::Ok)->setDefault(true);
    }
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(groups);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormSearch::Load(const TSearchOptions& Options) {
    FillHistoryBox(FSearchText, Options.SearchText, Options.SearchHistory);
    if (FReplaceText) FillHistoryBox(FReplaceText, Options.ReplaceText, Options.ReplaceHistory);
    FCaseSensitive->setChecked(Options.CaseSensitive);
    FWholeWords->setChecked(Options.WholeWords);
    FFromCursor->setChecked(Options.FromCursor);
    FSelectedOnly->setChecked(Options.SelectedOnly);
    (Options.Backwards ? FBackwards : FForward)->setChecked(true);
    FSearchText->lineEdit()->selectAll();
    FSearchText->setFocus();
}

void TFormSearch::Save(TSearchOptions& Options) const {
    Options.SearchText = FSearchText->currentText();
    Remember(Options.SearchHistory, Options.SearchText);
    if (FReplaceText) {
        Options.ReplaceText = FReplaceText->currentText();
        Remember(Options.ReplaceHistory, Options.ReplaceText);
    }
    Options.CaseSensitive = FCaseSensitive->isChecked();
    Options.WholeWords = FWholeWords->isChecked();
    Options.FromCursor = FFromCursor->isChecked();
    Options.SelectedOnly = FSelectedOnly->isChecked();
    Options.Backwards = FBackwards->isChecked();
}

bool RunSearchDialog(QWidget* Parent, TSearchOptions& Options, bool Replace, bool& ReplaceAll) {
    TFormSearch dialog(Parent, Replace);
    dialog.Load(Options);
    if (dialog.exec() != QDialog::Accepted) return false;
    dialog.Save(Options);
    ReplaceAll = dialog.ReplaceAllChosen();
    return true;
}

}  // namespace vantrel
