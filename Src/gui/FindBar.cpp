#include "FindBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace vantrel {

TFindBar::TFindBar(QWidget* Parent)
    : QWidget(Parent), FText(new QLineEdit(this)), FCase(new QCheckBox(QStringLiteral("Match &case"), this)),
      FPrevious(new QToolButton(this)), FNext(new QToolButton(this)), FStatus(new QLabel(this)) {
    setObjectName(QStringLiteral("FindBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* label = new QLabel(QStringLiteral("Find:"), this);
    label->setBuddy(FText);
    FText->setClearButtonEnabled(true);
    FPrevious->setText(QStringLiteral("Previous"));
    FPrevious->setToolTip(QStringLiteral("Previous match (Shift+Enter)"));
    FNext->setText(QStringLiteral("Next"));
    FNext->setToolTip(QStringLiteral("Next match (Enter)"));
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("\u2715"));
    close->setToolTip(QStringLiteral("Close the find bar (Esc)"));
    close->setAutoRaise(true);
    layout->addWidget(label);
    layout->addWidget(FText, 1);
    layout->addWidget(FPrevious);
    layout->addWidget(FNext);
    layout->addWidget(FCase);
    layout->addWidget(FStatus);
    layout->addWidget(close);

    connect(FText, &QLineEdit::textEdited, this, [this] { Find(false, true); });
    connect(FNext, &QToolButton::clicked, this, [this] { Find(false, false); });
    connect(FPrevious, &QToolButton::clicked, this, [this] { Find(true, false); });
    connect(close, &QToolButton::clicked, this, [this] {
        hide();
        emit Closed();
    });
}

void TFindBar::Open(const QString& Text) {
    if (!Text.isEmpty()) FText->setText(Text);
    FStatus->clear();
    show();
    FText->setFocus();
    FText->selectAll();
}

void TFindBar::ShowResult(bool Found, bool Wrapped) {
    FStatus->setText(!Found ? QStringLiteral("Not found") : Wrapped ? QStringLiteral("Wrapped around") : QString());
}

void TFindBar::Find(bool Backwards, bool Incremental) {
    if (FText->text().isEmpty()) {
        FStatus->clear();
        return;
    }
    emit FindRequested(FText->text(), FCase->isChecked(), Backwards, Incremental);
}

void TFindBar::keyPressEvent(QKeyEvent* Event) {
    const bool shift = Event->modifiers() & Qt::ShiftModifier;
    switch (Event->key()) {
        case Qt::Key_Escape:
            hide();
            emit Closed();
            return;
        // The line edit passes Enter on to the bar.
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F3:
            Find(shift, false);
            return;
        default:
            QWidget::keyPressEvent(Event);
    }
}

}  // namespace vantrel
