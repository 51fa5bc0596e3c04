// The main window: two editor panes one above the other, the menus File,
// Edit and View (acting on the pane with the focus), "Keys...", "Help" and
// "About", a
// find bar, the frame strip and a status line. "Translate" in either pane
// replaces the text of the other pane with the translation, or tells what
// failed and where, puts the caret of the source pane there and dims the
// other pane's previous translation as stale.
#pragma once

#include <QMainWindow>

#include <memory>
#include <string>

#include "FieldLinks.h"
#include "FormBase.h"
#include "KeySet.h"
#include "OutcomeView.h"

class QAction;
class QLabel;
class QMenu;
class QSplitter;

namespace vantrel {

class TFindBar;
class TFrameBaseEditor;
class TFrameStrip;
class TStatusNote;
struct TTranslateOutcome;

class TFormMain final : public TFormBase<QMainWindow> {
    Q_OBJECT
public:
    explicit TFormMain(QWidget* Parent = nullptr);
    ~TFormMain() override;

    TFrameBaseEditor* TopEditor() const { return FTopEditor; }
    TFrameBaseEditor* BottomEditor() const { return FBottomEditor; }
    QSplitter* Splitter1() const { return FSplitter1; }
    QAction* MMHelp() const { return FMMHelp; }
    QAction* MMAbout() const { return FMMAbout; }
    // A menu command by its object name ("MMOpen", "MMAnnotate", ...).
    QAction* MenuAction(const char* Name) const;
    QMenu* RecentMenu() const { return FRecentMenu; }
    TFindBar* FindBar() const { return FFindBar; }
    // The status line's message part: its whole text, and all of it.
    QString StatusText() const;
    const TStatusLine& StatusLine() const;
    TStatusNote* StatusNote() const { return FStatusNote; }
    TFrameStrip* FrameStrip() const { return FFrameStrip; }
    // The pane the menus act on: the one that had the focus last.
    TFrameBaseEditor* ActivePane() const { return FActivePane; }

    // Translates the text of Pane into the other pane.
    void TranslateRequested(TFrameBaseEditor* Pane);
    // Shows Outcome, the translation of the text of Source, with Destination
    // the other pane.
    void ShowOutcome(TFrameBaseEditor* Source, TFrameBaseEditor* Destination, const TTranslateOutcome& Outcome);
    void MMKeysClick();
    void MMHelpClick();
    void MMAboutClick();
    // The links between the fields of the last translation and its octets,
    // with the pane that holds its XML (the other holds the hex); null
    // without. Edits of either pane drop them.
    void SetFieldLinks(std::unique_ptr<TFieldLinks> Links, TFrameBaseEditor* XmlPane);
    const TFieldLinks* FieldLinks() const { return FLinks.get(); }
    // The tooltip for byte Position of Pane: the meaning of the element on
    // that line of a translation into XML (its annotation, also with
    // Annotate off); over ciphered octets shaded for a deciphered field,
    // that they hold it; empty elsewhere.
    QString MeaningAt(TFrameBaseEditor* Pane, long Position);
    // The keys translations use; null without keys.
    const VantrelKeys* Keys() const { return FKeys.get(); }
    // Takes Keys for the translations (and into the secret store when
    // Remember); false, telling why, when the library refuses one.
    bool ApplyKeys(const TKeySet& Keys, bool Remember);
    // "Vantrel 3.6 (N)" on the first line, then what the program is, its
    // build, the Qt version and the licence.
    static QString AboutText();

    void setVisible(bool Visible) override;

protected:
    void closeEvent(QCloseEvent* Event) override;

private:
    void CreateMenus();
    void UpdateTitle();
    void RebuildRecentMenu();
    void OpenRecent(const QString& FileName);
    void ChooseFont();
    void ApplyViewOptions();
    void LoadRememberedKeys();
    void ShowKeysState();
    void ShowLink(TFrameBaseEditor* Pane);
    void ClearLinks();

    TFrameBaseEditor* FTopEditor;
    QSplitter* FSplitter1;
    TFrameBaseEditor* FBottomEditor;
    TFrameBaseEditor* FActivePane;
    TFindBar* FFindBar;
    TFrameStrip* FFrameStrip;
    TStatusNote* FStatusNote;
    // The last translation's status line as it reads once the pane it calls
    // stale is no longer stale; that pane while it is.
    TStatusLine FFreshStatus;
    TFrameBaseEditor* FStalePane = nullptr;
    std::unique_ptr<TFieldLinks> FLinks;
    TFrameBaseEditor* FXmlPane = nullptr;  // of FLinks
    TFrameBaseEditor* FHexPane = nullptr;
    QString FLinkedElement;  // the element shaded last
    // The meanings of the last translation into XML, held by FMeaningPane:
    // its annotated XML, made from FMeaningSource when first asked for if
    // the translation was not annotated.
    TFrameBaseEditor* FMeaningPane = nullptr;
    bool FMeaningInPane = false;  // the pane's own text is annotated
    std::string FMeaningSource;
    std::string FAnnotated;
    QLabel* FStatusCaret;
    QLabel* FStatusKeys;
    TKeySet FKeySet;
    TKeySet::TKeysPtr FKeys;
    QMenu* FRecentMenu = nullptr;
    QAction* FMMKeys;
    QAction* FMMHelp;
    QAction* FMMAbout;
};

}  // namespace vantrel
