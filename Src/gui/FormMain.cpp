#include "FormMain.h"

#include <QApplication>
#include <QFileInfo>
#include <QMenuBar>
#include <QSplitter>

#include "FrameBaseEditor.h"
#include "Prompts.h"
#include "Src/TranslateCommand.h"
#include "Src/Version.h"

namespace vantrel {

namespace {

constexpr int kClientWidth = 635;
constexpr int kClientHeight = 405;
constexpr int kTopEditorHeight = 240;

// The wait cursor for as long as a translation runs.
class TBusyCursor {
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

}  // namespace

TFormMain::TFormMain(QWidget* Parent) : TFormBase<QMainWindow>(Parent) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QLatin1String(kProductName));

    QMenuBar* mainMenu = menuBar();
    mainMenu->setObjectName(QStringLiteral("MainMenu1"));
    FMMHelp = mainMenu->addAction(QStringLiteral("Help"));
    FMMHelp->setObjectName(QStringLiteral("MMHelp"));
    FMMAbout = mainMenu->addAction(QStringLiteral("About"));
    FMMAbout->setObjectName(QStringLiteral("MMAbout"));
    connect(FMMHelp, &QAction::triggered, this, &TFormMain::MMHelpClick);
    connect(FMMAbout, &QAction::triggered, this, &TFormMain::MMAboutClick);

    FSplitter1 = new QSplitter(Qt::Vertical, this);
    FSplitter1->setObjectName(QStringLiteral("Splitter1"));
    FSplitter1->setChildrenCollapsible(false);
    FTopEditor = new TFrameBaseEditor(FSplitter1);
    FTopEditor->setObjectName(QStringLiteral("TopEditor"));
    FBottomEditor = new TFrameBaseEditor(FSplitter1);
    FBottomEditor->setObjectName(QStringLiteral("BottomEditor"));
    FSplitter1->addWidget(FTopEditor);
    FSplitter1->addWidget(FBottomEditor);
    // The upper pane keeps its height when the window is resized.
    FSplitter1->setStretchFactor(0, 0);
    FSplitter1->setStretchFactor(1, 1);
    FSplitter1->setSizes({kTopEditorHeight, kClientHeight - kTopEditorHeight - FSplitter1->handleWidth()});
    setCentralWidget(FSplitter1);
    resize(kClientWidth, kClientHeight + mainMenu->sizeHint().height());

    for (TFrameBaseEditor* pane : {FTopEditor, FBottomEditor})
        connect(pane, &TFrameBaseEditor::TranslateRequested, this, &TFormMain::TranslateRequested);
    FTopEditor->setFocus();
}

void TFormMain::TranslateRequested(TFrameBaseEditor* Pane) {
    TFrameBaseEditor* SrcEditor = Pane;
    TFrameBaseEditor* DstEditor = Pane == FTopEditor ? FBottomEditor : FTopEditor;
    TTranslateOutcome outcome;
    {
        TBusyCursor busy;
        outcome = TranslateText(SrcEditor->TextView());
    }
    switch (outcome.Kind) {
        case TTranslateOutcome::Translated:
            DstEditor->ReplaceAllText(outcome.Text);
            break;
        case TTranslateOutcome::EntryFailure:
            Prompts().ShowMessage(this, QString::fromUtf8(outcome.Text));
            SrcEditor->GotoPos(outcome.Column, outcome.Line);
            break;
        case TTranslateOutcome::HexFailure:
            Prompts().ShowError(this, QString::fromUtf8(outcome.Text));
            break;
        case TTranslateOutcome::Beep:
            Prompts().Beep();
            break;
    }
}

void TFormMain::MMHelpClick() {
    const QString& help = HelpFileName();
    if (!help.isEmpty() && QFileInfo::exists(help)) Prompts().OpenDocument(help);
}

QString TFormMain::AboutText() {
    return QString::asprintf("%s %s", kProductName, VersionText().c_str());
}

void TFormMain::MMAboutClick() { Prompts().ShowMessage(this, AboutText()); }

}  // namespace vantrel
