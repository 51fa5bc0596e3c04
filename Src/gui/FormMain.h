// The main window: two editor panes one above the other, and the menu with
// "Help" and "About". "Translate" in either pane replaces the text of the
// other pane with the translation, or tells what failed and puts the caret
// of the source pane where it failed.
#pragma once

#include <QMainWindow>

#include "FormBase.h"

class QAction;
class QSplitter;

namespace vantrel {

class TFrameBaseEditor;

class TFormMain final : public TFormBase<QMainWindow> {
    Q_OBJECT
public:
    explicit TFormMain(QWidget* Parent = nullptr);

    TFrameBaseEditor* TopEditor() const { return FTopEditor; }
    TFrameBaseEditor* BottomEditor() const { return FBottomEditor; }
    QSplitter* Splitter1() const { return FSplitter1; }
    QAction* MMHelp() const { return FMMHelp; }
    QAction* MMAbout() const { return FMMAbout; }

    // Translates the text of Pane into the other pane.
    void TranslateRequested(TFrameBaseEditor* Pane);
    void MMHelpClick();
    void MMAboutClick();
    // "Vantrel 3.6 (N)".
    static QString AboutText();

private:
    TFrameBaseEditor* FTopEditor;
    QSplitter* FSplitter1;
    TFrameBaseEditor* FBottomEditor;
    QAction* FMMHelp;
    QAction* FMMAbout;
};

}  // namespace vantrel
