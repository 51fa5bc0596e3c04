// The find bar under the panes (Ctrl+F): the text to find, next and
// previous, case, and a word on the outcome ("Not found", "Wrapped around").
// It searches the pane the window names; the search goes round the text.
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace vantrel {

class TFindBar final : public QWidget {
    Q_OBJECT
public:
    explicit TFindBar(QWidget* Parent = nullptr);

    QLineEdit* TextEdit() const { return FText; }
    QCheckBox* CaseBox() const { return FCase; }
    QLabel* StatusLabel() const { return FStatus; }
    // Shows the bar with the text selected for typing over.
    void Open(const QString& Text);
    // Tells the outcome of the last search.
    void ShowResult(bool Found, bool Wrapped);

signals:
    void FindRequested(const QString& Text, bool CaseSensitive, bool Backwards, bool Incremental);
    void Closed();

protected:
    void keyPressEvent(QKeyEvent* Event) override;

private:
    void Find(bool Backwards, bool Incremental);

    QLineEdit* FText;
    QCheckBox* FCase;
    QToolButton* FPrevious;
    QToolButton* FNext;
    QLabel* FStatus;
};

}  // namespace vantrel
