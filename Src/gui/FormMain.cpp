#include "FormMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolTip>
#include <QVBoxLayout>

#include <Qsci/qsciscintilla.h>

#include "FindBar.h"
#include "FrameBaseEditor.h"
#include "FrameStrip.h"
#include "KeysDialog.h"
#include "OutcomeView.h"
#include "Prompts.h"
#include "RecentFiles.h"
#include "SearchDialogs.h"
#include "SecretStore.h"
#include "StatusNote.h"
#include "Src/translate/TranslateCommand.h"
#include "Src/translate/Version.h"

namespace vantrel {

namespace {

constexpr int kClientWidth = 635;
constexpr int kClientHeight = 405;
constexpr int kTopEditorHeight = 240;

// The settings of the window beyond its geometry.
const QString kSplitterKey = QStringLiteral("FormMain/Splitter1");  // height of the upper pane
const QString kAnnotateKey = QStringLiteral("View/Annotate");
const QString kSpacedHexKey = QStringLiteral("View/SpacedHex");
const QString kLineNumbersKey = QStringLiteral("View/LineNumbers");
const QString kRememberKeysKey = QStringLiteral("Keys/Remember");  // the keys themselves are in the secret store

const char* const kLicence =
    "Licence: all rights reserved by the Vantrel developers; use and copies only as your agreement with them allows.";

// The wait cursor for as long as a translation runs.
class TBusyCursor {
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// Both panes once shared the file key "FrameBaseEditor"; its file becomes
// the upper pane's.
void TakeOverSharedLastFile() {
    QSettings& settings = Settings();
    const QString shared = QStringLiteral("LastFiles/FrameBaseEditor");
    const QString top = QStringLiteral("LastFiles/TopEditor");
    if (settings.contains(shared) && !settings.contains(top)) settings.setValue(top, settings.value(shared));
}

QAction* AddAction(QMenu* Menu, const char* Name, const QString& Text, const QKeySequence& Key = {}) {
    QAction* action = Menu->addAction(Text);
    action->setObjectName(QLatin1String(Name));
    if (!Key.isEmpty()) action->setShortcut(Key);
    return action;
}

QAction* AddCheckable(QMenu* Menu, const char* Name, const QString& Text, const QString& Key) {
    QAction* action = AddAction(Menu, Name, Text);
    action->setCheckable(true);
    action->setChecked(Settings().value(Key, false).toBool());
    return action;
}

}  // namespace

TFormMain::TFormMain(QWidget* Parent) : TFormBase<QMainWindow>(Parent) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QLatin1String(kProductName));
    TakeOverSharedLastFile();

    FSplitter1 = new QSplitter(Qt::Vertical);
    FSplitter1->setObjectName(QStringLiteral("Splitter1"));
    FSplitter1->setChildrenCollapsible(false);
    FTopEditor = new TFrameBaseEditor(FSplitter1, QStringLiteral("TopEditor"));
    FTopEditor->setObjectName(QStringLiteral("TopEditor"));
    FTopEditor->SetUntitledName(QStringLiteral("Upper pane"));
    FBottomEditor = new TFrameBaseEditor(FSplitter1, QStringLiteral("BottomEditor"));
    FBottomEditor->setObjectName(QStringLiteral("BottomEditor"));
    FBottomEditor->SetUntitledName(QStringLiteral("Lower pane"));
    FActivePane = FTopEditor;
    FSplitter1->addWidget(FTopEditor);
    FSplitter1->addWidget(FBottomEditor);
    // The upper pane keeps its height when the window is resized.
    FSplitter1->setStretchFactor(0, 0);
    FSplitter1->setStretchFactor(1, 1);
    int topHeight = Settings().value(kSplitterKey, kTopEditorHeight).toInt();
    if (topHeight <= 0) topHeight = kTopEditorHeight;
    FSplitter1->setSizes({topHeight, kClientHeight - kTopEditorHeight - FSplitter1->handleWidth()});

    FFindBar = new TFindBar;
    FFindBar->hide();
    FFrameStrip = new TFrameStrip;
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FSplitter1, 1);
    layout->addWidget(FFrameStrip);
    layout->addWidget(FFindBar);
    setCentralWidget(central);

    FStatusNote = new TStatusNote(this);
    FStatusCaret = new QLabel(this);
    FStatusCaret->setObjectName(QStringLiteral("StatusCaret"));
    FStatusKeys = new QLabel(this);
    FStatusKeys->setObjectName(QStringLiteral("StatusKeys"));
    statusBar()->addWidget(FStatusNote, 1);
    statusBar()->addPermanentWidget(FStatusKeys);
    statusBar()->addPermanentWidget(FStatusCaret);

    CreateMenus();
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());

    for (TFrameBaseEditor* pane : {FTopEditor, FBottomEditor}) {
        connect(pane, &TFrameBaseEditor::TranslateRequested, this, &TFormMain::TranslateRequested);
        connect(pane, &TFrameBaseEditor::FileNameChanged, this, [this](TFrameBaseEditor* Pane) {
            AddRecentFile(Pane->CurrentFileName());
            UpdateTitle();
        });
        connect(pane->Editor(), &QsciScintilla::modificationChanged, this, &TFormMain::UpdateTitle);
        connect(pane, &TFrameBaseEditor::EditorStatusChanged, this, [this](TFrameBaseEditor* Pane, const QString& Status) {
            if (Pane == FActivePane) FStatusCaret->setText(Status);
        });
        // The caret of one pane shows its field in the other; an edit of
        // either ends the links of the translation.
        connect(pane, &TFrameBaseEditor::SelectionMoved, this, &TFormMain::ShowLink);
        connect(pane, &TFrameBaseEditor::TextEdited, this, [this](TFrameBaseEditor* Pane) {
            if (Pane != FXmlPane && Pane != FHexPane) return;
            FLinks.reset();
            // Not within the edit itself: the shades go once it is done.
            QMetaObject::invokeMethod(this, [this] { ShowLink(nullptr); }, Qt::QueuedConnection);
        });
        connect(pane, &TFrameBaseEditor::Hovered, this, [this](TFrameBaseEditor* Pane, long Position, const QPoint& Point) {
            const QString meaning = MeaningAt(Pane, Position);
            QWidget* viewport = Pane->Editor()->viewport();
            if (!meaning.isEmpty()) QToolTip::showText(viewport->mapToGlobal(Point), meaning, viewport);
        });
        connect(pane, &TFrameBaseEditor::HoverEnded, this, [] { QToolTip::hideText(); });
        // The stale pane edited (or translated into) is no longer stale, and
        // the status line stops saying it is.
        connect(pane, &TFrameBaseEditor::StaleChanged, this, [this](TFrameBaseEditor* Pane) {
            if (Pane != FStalePane || Pane->IsStale()) return;
            FStalePane = nullptr;
            FStatusNote->Show(FFreshStatus);
        });
    }
    // The panes loaded their last files before the window listened.
    for (TFrameBaseEditor* pane : {FBottomEditor, FTopEditor}) AddRecentFile(pane->CurrentFileName());
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* Now) {
        for (TFrameBaseEditor* pane : {FTopEditor, FBottomEditor})
            if (Now && pane->isAncestorOf(Now) && pane != FActivePane) {
                FActivePane = pane;
                UpdateTitle();
                int line, index;
                pane->Editor()->getCursorPosition(&line, &index);
                FStatusCaret->setText(QString::asprintf("%d:%d", index + 1, line + 1));
            }
    });
    connect(FFindBar, &TFindBar::FindRequested, this,
            [this](const QString& Text, bool CaseSensitive, bool Backwards, bool Incremental) {
                bool wrapped = false;
                const bool found = FActivePane->FindText(Text, CaseSensitive, Backwards, Incremental, wrapped);
                FFindBar->ShowResult(found, wrapped);
                // F3 in the pane goes on with the same text.
                SharedSearchOptions().SearchText = Text;
                SharedSearchOptions().CaseSensitive = CaseSensitive;
            });
    connect(FFindBar, &TFindBar::Closed, this, [this] { FActivePane->setFocus(); });
    ApplyViewOptions();
    LoadRememberedKeys();
    ShowKeysState();
    UpdateTitle();
    FTopEditor->setFocus();
}

// The panes go with the widgets' own destruction, which moves the focus:
// by then the window hears of it no more.
TFormMain::~TFormMain() { disconnect(qApp, nullptr, this, nullptr); }

QAction* TFormMain::MenuAction(const char* Name) const { return findChild<QAction*>(QLatin1String(Name)); }

QString TFormMain::StatusText() const { return FStatusNote->Line().Text; }
const TStatusLine& TFormMain::StatusLine() const { return FStatusNote->Line(); }

void TFormMain::CreateMenus() {
    QMenuBar* mainMenu = menuBar();
    mainMenu->setObjectName(QStringLiteral("MainMenu1"));
    // Commands of the pane with the focus.
    auto onPane = [this](QAction* Action, TEditorAction Which) {
        connect(Action, &QAction::triggered, this, [this, Which] { FActivePane->Action(Which)->trigger(); });
    };
    // The pane's own keys, shown in the menu but left to the pane.
    auto paneKey = [](const char* Caption, const char* Key) {
        return QString::fromLatin1(Caption) + QLatin1Char('\t') + QString::fromLatin1(Key);
    };

    QMenu* file = mainMenu->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("MMFile"));
    onPane(AddAction(file, "MMOpen", QStringLiteral("&Open..."), QKeySequence::Open), eaLoad);
    FRecentMenu = file->addMenu(QStringLiteral("Open &recent"));
    FRecentMenu->setObjectName(QStringLiteral("MMRecent"));
    connect(FRecentMenu, &QMenu::aboutToShow, this, &TFormMain::RebuildRecentMenu);
    onPane(AddAction(file, "MMSave", QStringLiteral("&Save"), QKeySequence::Save), eaSave);
    onPane(AddAction(file, "MMSaveAs", QStringLiteral("Save &as..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)), eaSaveAs);
    file->addSeparator();
    connect(AddAction(file, "MMExit", QStringLiteral("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_Q)), &QAction::triggered,
            this, &QWidget::close);

    QMenu* edit = mainMenu->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("MMEdit"));
    onPane(AddAction(edit, "MMTranslate", paneKey("&Translate", "Ctrl+T")), eaTranslate);
    edit->addSeparator();
    onPane(AddAction(edit, "MMUndo", paneKey("&Undo", "Ctrl+Z")), eaUndo);
    onPane(AddAction(edit, "MMRedo", QStringLiteral("&Redo")), eaRedo);
    edit->addSeparator();
    onPane(AddAction(edit, "MMCut", paneKey("Cu&t", "Ctrl+X")), eaCut);
    onPane(AddAction(edit, "MMCopy", paneKey("&Copy", "Ctrl+C")), eaCopy);
    onPane(AddAction(edit, "MMPaste", paneKey("&Paste", "Ctrl+V")), eaPaste);
    onPane(AddAction(edit, "MMSelectAll", paneKey("Select &all", "Ctrl+A")), eaSelectAll);
    edit->addSeparator();
    connect(AddAction(edit, "MMFind", QStringLiteral("&Find..."), QKeySequence::Find), &QAction::triggered, this, [this] {
        FFindBar->Open(FActivePane->Editor()->hasSelectedText() ? FActivePane->Editor()->selectedText() : QString());
    });
    onPane(AddAction(edit, "MMSearch", QStringLiteral("&Search with options...")), eaSearch);
    onPane(AddAction(edit, "MMSearchAgain", paneKey("Search a&gain", "F3")), eaSearchAgain);
    onPane(AddAction(edit, "MMReplace", QStringLiteral("R&eplace..."), QKeySequence(Qt::CTRL | Qt::Key_H)), eaReplace);
    edit->addSeparator();
    onPane(AddAction(edit, "MMToggleComment", paneKey("Toggle &line comment", "Ctrl+/")), eaToggleLineComment);

    QMenu* view = mainMenu->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("MMView"));
    QAction* annotate = AddCheckable(view, "MMAnnotate", QStringLiteral("&Annotate"), kAnnotateKey);
    annotate->setToolTip(QStringLiteral("Explain values in XML comments: names, decimals, dates"));
    QAction* spaced = AddCheckable(view, "MMSpacedHex", QStringLiteral("&Spaced hex output"), kSpacedHexKey);
    QAction* numbers = AddCheckable(view, "MMLineNumbers", QStringLiteral("&Line numbers"), kLineNumbersKey);
    view->addSeparator();
    connect(AddAction(view, "MMFont", QStringLiteral("&Font...")), &QAction::triggered, this, &TFormMain::ChooseFont);
    auto remember = [this](QAction* Action, const QString& Key) {
        connect(Action, &QAction::toggled, this, [this, Key](bool On) {
            Settings().setValue(Key, On);
            ApplyViewOptions();
        });
    };
    remember(annotate, kAnnotateKey);
    remember(spaced, kSpacedHexKey);
    remember(numbers, kLineNumbersKey);

    FMMKeys = mainMenu->addAction(QStringLiteral("Keys..."));
    FMMKeys->setObjectName(QStringLiteral("MMKeys"));
    connect(FMMKeys, &QAction::triggered, this, &TFormMain::MMKeysClick);
    FMMHelp = mainMenu->addAction(QStringLiteral("Help"));
    FMMHelp->setObjectName(QStringLiteral("MMHelp"));
    FMMAbout = mainMenu->addAction(QStringLiteral("About"));
    FMMAbout->setObjectName(QStringLiteral("MMAbout"));
    connect(FMMHelp, &QAction::triggered, this, &TFormMain::MMHelpClick);
    connect(FMMAbout, &QAction::triggered, this, &TFormMain::MMAboutClick);
}

void TFormMain::ApplyViewOptions() {
    const bool numbers = MenuAction("MMLineNumbers")->isChecked();
    for (TFrameBaseEditor* pane : {FTopEditor, FBottomEditor}) pane->SetLineNumbersVisible(numbers);
}

void TFormMain::UpdateTitle() {
    const TFrameBaseEditor* pane = FActivePane;
    if (pane->CurrentFileName().isEmpty() && !pane->IsModified()) {
        setWindowTitle(QLatin1String(kProductName));
        return;
    }
    setWindowTitle(pane->DocumentName() + (pane->IsModified() ? QStringLiteral("*") : QString()) +
                   QStringLiteral(" - ") + QLatin1String(kProductName));
}

void TFormMain::RebuildRecentMenu() {
    FRecentMenu->clear();
    const QStringList files = RecentFiles();
    int number = 0;
    for (const QString& fileName : files) {
        ++number;
        QAction* action = FRecentMenu->addAction(
            QStringLiteral("&%1 %2").arg(number).arg(QDir::toNativeSeparators(fileName)));
        connect(action, &QAction::triggered, this, [this, fileName] { OpenRecent(fileName); });
    }
    if (files.isEmpty()) FRecentMenu->addAction(QStringLiteral("No recent files"))->setEnabled(false);
}

void TFormMain::OpenRecent(const QString& FileName) {
    if (!QFileInfo(FileName).isFile()) {
        Prompts().ShowError(this, QStringLiteral("The file \"%1\" no longer exists.").arg(FileName));
        RemoveRecentFile(FileName);
        return;
    }
    FActivePane->OpenFile(FileName);
}

void TFormMain::ChooseFont() {
    QFont font = ScriptFont();
    if (Prompts().ChooseFont(this, font)) SetScriptFont(font.family(), font.pointSize() > 0 ? font.pointSize() : 10);
}

void TFormMain::TranslateRequested(TFrameBaseEditor* Pane) {
    TFrameBaseEditor* SrcEditor = Pane;
    TFrameBaseEditor* DstEditor = Pane == FTopEditor ? FBottomEditor : FTopEditor;
    TTranslateOptions options;
    options.DescribeFrame = true;  // for the frame strip
    options.Annotate = MenuAction("MMAnnotate")->isChecked();
    options.Keys = FKeys.get();
    // The octet map, for the links between the fields and their octets: a
    // translation the window shows, never one made for something else.
    options.Map = true;
    options.MapSources = true;
    TTranslateOutcome outcome;
    {
        TBusyCursor busy;
        outcome = TranslateText(SrcEditor->TextView(), options);
    }
    ShowOutcome(SrcEditor, DstEditor, outcome);
    // For the meanings of the XML's elements: the annotated XML itself, or
    // its source to annotate when a meaning is first asked for. A pane that
    // kept its translation keeps its meanings.
    if (outcome.Kind != TTranslateOutcome::Translated) return;
    FMeaningPane = nullptr;
    FMeaningSource.clear();
    FAnnotated.clear();
    if (outcome.HexToXml) {
        FMeaningPane = DstEditor;
        FMeaningInPane = options.Annotate;
        if (!options.Annotate) FMeaningSource = SrcEditor->TextView();
    }
}

QString TFormMain::MeaningAt(TFrameBaseEditor* Pane, long Position) {
    // The shade of ciphered octets says what it is.
    if (Pane == FHexPane && FLinks && Pane->LinkCiphered()) {
        const auto [start, end] = Pane->LinkedRange();
        if (start <= Position && Position < end)
            return QStringLiteral("Ciphered octets: they hold the deciphered %1").arg(FLinkedElement);
    }
    if (Pane != FMeaningPane || !Pane->HoldsTranslation()) return {};
    const int line = Pane->LineAt(Position);
    const std::string_view shown = LineOfText(Pane->TextView(), line);
    if (FMeaningInPane) return LineMeaning(shown);
    if (FAnnotated.empty() && !FMeaningSource.empty()) {
        TTranslateOptions options;
        options.Annotate = true;
        options.Keys = FKeys.get();
        TBusyCursor busy;  // a large translation takes a moment
        TTranslateOutcome annotated = TranslateText(FMeaningSource, options);
        FMeaningSource.clear();
        if (annotated.Kind == TTranslateOutcome::Translated) FAnnotated = std::move(annotated.Text);
    }
    // The annotator only appends to lines; a line that differs otherwise
    // (keys changed since, say) has no meaning to show.
    const std::string_view line2 = LineOfText(FAnnotated, line);
    return line2.starts_with(shown) ? LineMeaning(line2) : QString();
}

void TFormMain::SetFieldLinks(std::unique_ptr<TFieldLinks> Links, TFrameBaseEditor* XmlPane) {
    ClearLinks();
    FLinks = std::move(Links);
    FXmlPane = FLinks ? XmlPane : nullptr;
    FHexPane = !FLinks ? nullptr : XmlPane == FTopEditor ? FBottomEditor : FTopEditor;
}

void TFormMain::ClearLinks() {
    for (TFrameBaseEditor* pane : {FTopEditor, FBottomEditor}) pane->ClearLink();
}

// The caret on an element's line of the XML shades the element and its
// octets in the hex; a caret or selection in the hex shades the innermost
// element that holds it and its octets.
void TFormMain::ShowLink(TFrameBaseEditor* Pane) {
    if (!FLinks) {
        if (FXmlPane) {
            ClearLinks();
            FXmlPane = FHexPane = nullptr;
        }
        return;
    }
    if (Pane != FXmlPane && Pane != FHexPane) return;
    const auto [start, end] = Pane->Selection();
    const std::optional<TFieldLink> link =
        Pane == FXmlPane ? FLinks->AtLine(Pane->LineAt(start)) : FLinks->AtHex(start, end);
    if (!link) return ClearLinks();
    FLinkedElement = link->Element;
    FXmlPane->LinkLines(link->FirstLine, link->LastLine);
    if (link->HexBegin >= 0) FHexPane->LinkRange(link->HexBegin, link->HexEnd, link->Deciphered);
    else FHexPane->ClearLink();
}

void TFormMain::ShowOutcome(TFrameBaseEditor* SrcEditor, TFrameBaseEditor* DstEditor, const TTranslateOutcome& Outcome) {
    SrcEditor->ClearMark();
    QString place;
    switch (Outcome.Kind) {
        case TTranslateOutcome::Translated:
            if (!Outcome.HexToXml && MenuAction("MMSpacedHex")->isChecked()) DstEditor->ShowTranslation(SpacedHex(Outcome.Text));
            else DstEditor->ShowTranslation(Outcome.Text);
            // The source is what the new translation is of.
            SrcEditor->SetStale(false);
            break;
        case TTranslateOutcome::EntryFailure: {
            const std::string_view source = SrcEditor->TextView();
            place = FailurePlace(source, Outcome);
            const auto [start, end] = FailureRange(source, Outcome);
            SrcEditor->GotoPos(Outcome.Column, Outcome.Line);
            if (start >= 0) SrcEditor->MarkRange(start, end);
            break;
        }
        case TTranslateOutcome::HexFailure:
        case TTranslateOutcome::Beep:
            break;
    }
    // Nothing replaced the other pane's translation: it is of other text.
    if (Outcome.Kind != TTranslateOutcome::Translated && DstEditor->HoldsTranslation()) DstEditor->SetStale(true);
    FStalePane = DstEditor->IsStale() ? DstEditor : nullptr;
    const QString staleName = DstEditor == FTopEditor ? QStringLiteral("upper pane") : QStringLiteral("lower pane");
    FFreshStatus = StatusLineOf(Outcome, place, QString());
    FStatusNote->Show(FStalePane ? StatusLineOf(Outcome, place, staleName) : FFreshStatus);
    FFrameStrip->ShowDescription(Outcome.FrameDescription);
    if (Outcome.Kind == TTranslateOutcome::Translated)
        SetFieldLinks(FieldLinksOf(Outcome, !Outcome.HexToXml && MenuAction("MMSpacedHex")->isChecked()),
                      Outcome.HexToXml ? DstEditor : SrcEditor);

    // What needs an answer, once the window shows it all.
    switch (Outcome.Kind) {
        case TTranslateOutcome::Translated: break;
        case TTranslateOutcome::EntryFailure: Prompts().ShowFailure(this, QString::fromUtf8(Outcome.Text), place); break;
        case TTranslateOutcome::HexFailure: Prompts().ShowError(this, QString::fromUtf8(Outcome.Text)); break;
        case TTranslateOutcome::Beep: Prompts().Beep(); break;
    }
}

void TFormMain::MMKeysClick() {
    QString reason;
    const bool store = SecretStore().Available(reason);
    TKeysDialog dialog(this, FKeySet, Settings().value(kRememberKeysKey, false).toBool(), store ? QString() : reason);
    if (Prompts().RunDialog(dialog)) ApplyKeys(dialog.Keys(), dialog.Remember());
}

bool TFormMain::ApplyKeys(const TKeySet& Keys, bool Remember) {
    QString error;
    TKeySet::TKeysPtr keys = Keys.ToLibraryKeys(error);
    if (!error.isEmpty()) {
        Prompts().ShowError(this, QStringLiteral("The keys were not taken. %1").arg(error));
        return false;
    }
    FKeySet = Keys;
    FKeys = std::move(keys);
    const bool remembered = Settings().value(kRememberKeysKey, false).toBool();
    QString reason;
    if (Remember && !FKeySet.IsEmpty()) {
        std::string text = FKeySet.ToText();
        const bool written = SecretStore().Write(text, reason);
        WipeSecret(text);
        if (!written) {
            Remember = false;
            Prompts().ShowError(this, QStringLiteral("The keys could not be stored in the secret store (%1). "
                                                     "They are held in memory only.").arg(reason));
        }
    } else if (remembered && !SecretStore().Erase(reason)) {
        Prompts().ShowError(this, QStringLiteral("The remembered keys could not be removed from the secret store (%1).")
                                      .arg(reason));
    }
    Settings().setValue(kRememberKeysKey, Remember && !FKeySet.IsEmpty());
    ShowKeysState();
    return true;
}

void TFormMain::LoadRememberedKeys() {
    if (!Settings().value(kRememberKeysKey, false).toBool()) return;
    std::string text;
    QString reason;
    TKeySet keys;
    const bool read = SecretStore().Read(text, reason) && keys.FromText(text);
    WipeSecret(text);
    QString error;
    if (read) FKeys = keys.ToLibraryKeys(error);
    if (read && error.isEmpty()) FKeySet = keys;
    else {
        const QString text = QStringLiteral("The remembered keys could not be read%1.")
                                 .arg(reason.isEmpty() ? error.isEmpty() ? QString() : QStringLiteral(": ") + error
                                                       : QStringLiteral(": ") + reason);
        FStatusNote->Show({TStatusLine::slWarning, text, text});
    }
}

void TFormMain::ShowKeysState() {
    const int count = FKeySet.Count();
    FStatusKeys->setText(count == 0 ? QString() : QStringLiteral("Keys: %1 set").arg(count));
}

void TFormMain::MMHelpClick() {
    const QString& help = HelpFileName();
    if (help.isEmpty() || !QFileInfo::exists(help)) {
        Prompts().ShowInformation(this, QStringLiteral("The user guide (%1.html) is not installed.").arg(QLatin1String(kProductName)));
        return;
    }
    if (!Prompts().OpenDocument(help))
        Prompts().ShowError(this, QStringLiteral("No web browser could be started to show the user guide. "
                                                 "Open it in a browser of your choice:\n%1")
                                      .arg(QDir::toNativeSeparators(help)));
}

QString TFormMain::AboutText() {
    return QString::asprintf("%s %s\n\n", kProductName, VersionText().c_str()) +
           QStringLiteral("%1: DLMS/COSEM APDUs between their octets and XML, both ways\n\n"
                          "Version %2, build %3\n"
                          "Qt %4 (built with Qt %5)\n\n%6")
               .arg(QLatin1String(kProductName), QLatin1String(kVersion), QLatin1String(BuildNumber()),
                    QLatin1String(qVersion()), QLatin1String(QT_VERSION_STR), QLatin1String(kLicence));
}

void TFormMain::MMAboutClick() { Prompts().ShowMessage(this, AboutText()); }

void TFormMain::setVisible(bool Visible) {
    if (!Visible && isVisible()) Settings().setValue(kSplitterKey, FSplitter1->sizes().value(0));
    TFormBase<QMainWindow>::setVisible(Visible);
}

void TFormMain::closeEvent(QCloseEvent* Event) {
    // Like Load: each changed pane is asked about; Cancel keeps the window.
    for (TFrameBaseEditor* pane : {FTopEditor, FBottomEditor})
        if (!pane->CloseQuery()) {
            Event->ignore();
            return;
        }
    Event->accept();
}

}  // namespace vantrel
