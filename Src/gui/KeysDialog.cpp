#include "KeysDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantrel {

TKeysDialog::TKeysDialog(QWidget* Parent, const TKeySet& Keys, bool Remember, const QString& StoreReason)
    : QDialog(Parent), FRemember(new QCheckBox(QStringLiteral("&Remember keys in the desktop's secret store"), this)),
      FStoreLabel(new QLabel(this)),
      FButtons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setObjectName(QStringLiteral("FormKeys"));
    setWindowTitle(QStringLiteral("Keys"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("Ciphered APDUs are deciphered with these keys when they translate, and "
                                            "enciphered again from their XML. Hex digits; blanks may separate them."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto* grid = new QGridLayout;
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (int which = 0; which < kKeyFieldCount; ++which) {
        const auto field = static_cast<TKeyField>(which);
        const TKeyFieldInfo& info = KeyFieldInfo(field);
        auto* edit = new QLineEdit(QString::fromLatin1(Keys.Value(field)), this);
        edit->setObjectName(QLatin1String(info.Name));
        edit->setFont(fixed);
        // Keys show while typed and are hidden otherwise; titles are no secret.
        if (info.IsKey) edit->setEchoMode(QLineEdit::PasswordEchoOnEdit);
        edit->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QString(48, QLatin1Char('0'))));
        auto* label = new QLabel(QString::fromLatin1(info.Caption) + QLatin1Char(':'), this);
        label->setBuddy(edit);
        auto* hint = new QLabel(this);
        hint->setMinimumWidth(QFontMetrics(hint->font()).horizontalAdvance(QStringLiteral("32 octets: 16, or 32 for suite 2")));
        grid->addWidget(label, which, 0);
        grid->addWidget(edit, which, 1);
        grid->addWidget(hint, which, 2);
        FEdits[which] = edit;
        FHints[which] = hint;
        connect(edit, &QLineEdit::textChanged, this, [this, field] { Check(field); });
    }
    layout->addLayout(grid);

    FRemember->setChecked(Remember && StoreReason.isEmpty());
    FRemember->setEnabled(StoreReason.isEmpty());
    FStoreLabel->setWordWrap(true);
    FStoreLabel->setText(StoreReason.isEmpty()
                             ? QStringLiteral("Without it the keys are held in memory only, until Vantrel ends.")
                             : QStringLiteral("No secret store answers (%1): the keys are held in memory only.").arg(StoreReason));
    FStoreLabel->setEnabled(StoreReason.isEmpty());
    layout->addWidget(FRemember);
    layout->addWidget(FStoreLabel);

    QPushButton* clear = FButtons->addButton(QStringLiteral("C&lear all"), QDialogButtonBox::ResetRole);
    connect(clear, &QPushButton::clicked, this, [this] {
        for (QLineEdit* edit : FEdits) edit->clear();
    });
    connect(FButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(FButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(FButtons);
    for (int which = 0; which < kKeyFieldCount; ++which) Check(static_cast<TKeyField>(which));
}

TKeysDialog::~TKeysDialog() {
    // The line edits' own copies of the digits are overwritten.
    for (QLineEdit* edit : FEdits) {
        QString blank(edit->text().size(), QLatin1Char(' '));
        edit->setText(blank);
        edit->clear();
    }
}

void TKeysDialog::Check(TKeyField Which) {
    const TKeyFieldCheck check = CheckKeyField(Which, FEdits[Which]->text());
    FHints[Which]->setText(check.Hint);
    QPalette colours = FHints[Which]->palette();
    colours.setColor(QPalette::WindowText, check.Ok ? palette().color(QPalette::WindowText) : QColor(0xD0, 0x20, 0x20));
    FHints[Which]->setPalette(colours);
    FButtons->button(QDialogButtonBox::Ok)->setEnabled(AllFieldsOk());
}

bool TKeysDialog::AllFieldsOk() const {
    for (int which = 0; which < kKeyFieldCount; ++which)
        if (!CheckKeyField(static_cast<TKeyField>(which), FEdits[which]->text()).Ok) return false;
    return true;
}

TKeySet TKeysDialog::Keys() const {
    TKeySet keys;
    for (int which = 0; which < kKeyFieldCount; ++which) {
        QString text = FEdits[which]->text();
        keys.Set(static_cast<TKeyField>(which), text);
        WipeSecret(text);
    }
    return keys;
}

bool TKeysDialog::Remember() const { return FRemember->isEnabled() && FRemember->isChecked(); }

}  // namespace vantrel
