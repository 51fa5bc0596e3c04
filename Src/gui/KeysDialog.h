// The "Keys..." dialog: the keys and system titles as hex, each checked as
// it is typed; "Remember keys" keeps them in the desktop's secret store,
// greyed with the reason when no store answers.
#pragma once

#include <QDialog>

#include <array>

#include "KeySet.h"

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;

namespace vantrel {

class TKeysDialog final : public QDialog {
    Q_OBJECT
public:
    // StoreReason: empty when a secret store answers, else why none does.
    TKeysDialog(QWidget* Parent, const TKeySet& Keys, bool Remember, const QString& StoreReason);
    ~TKeysDialog() override;

    QLineEdit* Field(TKeyField Which) const { return FEdits[Which]; }
    QLabel* Hint(TKeyField Which) const { return FHints[Which]; }
    QCheckBox* RememberBox() const { return FRemember; }
    QLabel* StoreLabel() const { return FStoreLabel; }
    QDialogButtonBox* Buttons() const { return FButtons; }
    // Whether every field checks (OK is enabled).
    bool AllFieldsOk() const;

    // After OK: what the user typed, and the choice of remembering.
    TKeySet Keys() const;
    bool Remember() const;

private:
    void Check(TKeyField Which);

    std::array<QLineEdit*, kKeyFieldCount> FEdits{};
    std::array<QLabel*, kKeyFieldCount> FHints{};
    QCheckBox* FRemember;
    QLabel* FStoreLabel;
    QDialogButtonBox* FButtons;
};

}  // namespace vantrel
