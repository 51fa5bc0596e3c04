#include "StatusNote.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>

namespace vantrel {

namespace {

// The tint behind a warning or a failure, readable on light and dark
// windows.
QColor Tint(TStatusLine::TLevel Level, bool Dark) {
    if (Level == TStatusLine::slWarning) return Dark ? QColor(0x5C, 0x4A, 0x10) : QColor(0xFF, 0xF0, 0xB8);
    return Dark ? QColor(0x6A, 0x22, 0x22) : QColor(0xFA, 0xD2, 0xD2);
}

}  // namespace

TStatusNote::TStatusNote(QWidget* Parent) : QWidget(Parent), FIcon(new QLabel(this)), FText(new QLabel(this)) {
    setObjectName(QStringLiteral("StatusNote"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(4);
    FIcon->setObjectName(QStringLiteral("StatusIcon"));
    FText->setObjectName(QStringLiteral("StatusText"));
    FText->setTextFormat(Qt::PlainText);
    FText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long note must not widen the window: the label takes the room it gets.
    FText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    FText->setMinimumWidth(0);
    layout->addWidget(FIcon);
    layout->addWidget(FText, 1);
    Render();
}

void TStatusNote::Show(const TStatusLine& Line) {
    FLine = Line;
    Render();
}

void TStatusNote::Render() {
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    const bool plain = FLine.Level == TStatusLine::slPlain;
    if (plain) {
        FIcon->clear();
        FIcon->hide();
    } else {
        const QStyle::StandardPixmap icon =
            FLine.Level == TStatusLine::slWarning ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxCritical;
        FIcon->setPixmap(style()->standardIcon(icon, nullptr, this).pixmap(size, size));
        FIcon->show();
    }
    // Only the background and the text are set; the rest follows the window.
    QPalette colours;
    if (!plain) {
        const QWidget* window = parentWidget() ? parentWidget() : this;
        const bool dark = window->palette().color(QPalette::Window).lightness() < 128;
        colours.setColor(QPalette::Window, Tint(FLine.Level, dark));
        colours.setColor(QPalette::WindowText, dark ? QColor(0xF0, 0xF0, 0xF0) : QColor(0x20, 0x20, 0x20));
    }
    setPalette(colours);
    setAutoFillBackground(!plain);
    setToolTip(FLine.ToolTip);
    FText->setToolTip(FLine.ToolTip);
    // What fits, cut with "..." (the tooltip has it all).
    const int room = FText->width() > 0 ? FText->width() : 400;
    FText->setText(FText->fontMetrics().elidedText(FLine.Text, Qt::ElideRight, room));
}

void TStatusNote::resizeEvent(QResizeEvent* Event) {
    QWidget::resizeEvent(Event);
    Render();
}

void TStatusNote::changeEvent(QEvent* Event) {
    QWidget::changeEvent(Event);
    if (Event->type() == QEvent::StyleChange) Render();
}

}  // namespace vantrel
