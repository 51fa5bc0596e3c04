// The message part of the window's status line: a word on the last
// translation (or on the keys), with an icon and a tinted background for a
// warning or a failure, cut to the width it has with "..." and whole in its
// tooltip.
#pragma once

#include <QWidget>

#include "OutcomeView.h"

class QLabel;

namespace vantrel {

class TStatusNote final : public QWidget {
    Q_OBJECT
public:
    explicit TStatusNote(QWidget* Parent = nullptr);

    void Show(const TStatusLine& Line);
    void Clear() { Show(TStatusLine{}); }
    const TStatusLine& Line() const { return FLine; }
    QLabel* TextLabel() const { return FText; }
    QLabel* IconLabel() const { return FIcon; }

protected:
    void resizeEvent(QResizeEvent* Event) override;
    void changeEvent(QEvent* Event) override;

private:
    void Render();

    TStatusLine FLine;
    QLabel* FIcon;
    QLabel* FText;
};

}  // namespace vantrel
