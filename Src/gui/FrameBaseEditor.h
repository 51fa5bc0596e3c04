// An editor pane: a text editor with a gutter and syntax colouring, a popup
// menu with "Translate" and the usual editing commands, loading and saving of
// UTF-8 files, search and replace, and the line-comment toggle.
//
// The document always ends its lines with CR LF, the form the translations
// produce and the caret placement of a failed translation counts with; a
// file is converted on loading and saved again with the line ends it had. A
// text that never was a file is saved with the line ends of the platform.
//
// A file dropped onto the pane is loaded; the colours follow the palette
// (light or dark).
//
// Whose text it is: the pane tells the user's work (typed, or a file loaded
// and then changed) from a translation written into it and from text pasted
// into an untitled pane and left as it was; only the user's work is asked
// about before it is dropped. A translation that a later translation failed
// to replace is shown dimmed as stale until it is replaced or edited.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

class QAction;
class QEvent;
class QLabel;
class QMenu;
class QsciScintilla;

namespace vantrel {

class THighLighter;
struct TSearchOptions;

// The commands of a pane; those up to eaSaveAs are the popup menu's items.
enum TEditorAction : int {
    eaTranslate,
    eaUndo,
    eaRedo,
    eaCut,
    eaCopy,
    eaPaste,
    eaDelete,
    eaSelectAll,
    eaIndent,
    eaUnindent,
    eaSearch,
    eaReplace,
    eaLoad,
    eaSave,
    eaSaveAs,
    eaSearchAgain,       // F3
    eaToggleLineComment, // Ctrl+/
    kEditorActionCount
};

class TFrameBaseEditor final : public QWidget {
    Q_OBJECT
public:
    explicit TFrameBaseEditor(QWidget* Parent = nullptr, const QString& FileKey = QStringLiteral("FrameBaseEditor"));
    ~TFrameBaseEditor() override;

    QsciScintilla* Editor() const { return FEditor; }
    THighLighter* HighLighter() const { return FHighLighter; }
    QMenu* PopUpMenu() const { return FPopUpMenu; }
    QAction* Action(TEditorAction Which) const { return FActions[Which]; }
    const QString& FileKey() const { return FFileKey; }
    const QString& CurrentFileName() const { return FCurrentFileName; }

    // The whole text as the document holds it (UTF-8, CR LF); valid until
    // the next change of the text.
    std::string_view TextView() const;
    QString Text() const;
    // Replaces the whole text as one step the user can undo; the caret goes
    // to the start. Works on a read-only pane too.
    void ReplaceAllText(std::string_view Utf8);
    // Replaces the whole text with a translation (as ReplaceAllText), which
    // is no work of the user's; it is no longer stale.
    void ShowTranslation(std::string_view Utf8);
    // Whether the text is a translation the user has not changed since.
    bool HoldsTranslation() const { return FHoldsTranslation; }
    // Whether the text holds changes of the user's own that are not saved:
    // typed (or set with SetText), or pasted into a pane with a file. Not a
    // translation written into the pane, nor text pasted into an untitled
    // pane that was not edited afterwards.
    bool HoldsUsersWork() const;
    // A translation kept after a later translation failed: dimmed, with a
    // badge in the pane's corner, until a translation replaces it or the
    // user changes it (StaleChanged).
    void SetStale(bool Stale);
    bool IsStale() const { return FStale; }
    QLabel* StaleBadge() const { return FStaleBadge; }
    void SetText(const QString& Text);
    bool IsModified() const;
    void SetModified(bool Modified);

    // Files: false (after telling the user) when the file cannot be read or
    // written; text and file name then stay as they were.
    bool LoadFromFile(const QString& FileName);
    bool SaveToFile(const QString& FileName);
    // Whether the text may be dropped: asks to save the user's work
    // ("Save changes to ...?").
    bool CloseQuery();
    // Loads FileName once CloseQuery agrees (a dropped file, a recent file).
    bool OpenFile(const QString& FileName);
    // The file's name without its folder, or the untitled name.
    QString DocumentName() const;
    void SetUntitledName(const QString& Name) { FUntitledName = Name; }
    // Whether a file saved now gets CR LF line ends.
    bool SavesWithCrLf() const { return FFileUsesCrLf; }

    // The next match of Text after the selection (before it when Backwards;
    // from the selection's start when Incremental), continuing from the other
    // end of the text when none is left; the match is selected. Wrapped tells
    // whether the search went round.
    bool FindText(const QString& Text, bool CaseSensitive, bool Backwards, bool Incremental, bool& Wrapped);

    // Line numbers in a margin of their own.
    void SetLineNumbersVisible(bool Visible);
    bool LineNumbersVisible() const { return FLineNumbers; }
    // Marks the characters Start to End (byte positions of the document),
    // replacing any earlier mark; ClearMark removes it.
    void MarkRange(long Start, long End);
    void ClearMark();
    // The marked range as {start, end}; {-1, -1} when nothing is marked.
    std::pair<long, long> MarkedRange() const;
    // The field linked with the caret or selection of the other pane: the
    // characters Start to End shaded (and scrolled into view), replacing any
    // earlier shade; LinkLines shades the lines First to Last (from 1).
    // Ciphered: the characters are the ciphered octets that hold a
    // deciphered field, shaded in a colour and outline of their own.
    void LinkRange(long Start, long End, bool Ciphered = false);
    void LinkLines(int First, int Last);
    void ClearLink();
    std::pair<long, long> LinkedRange() const;
    // The shade is of ciphered octets (LinkRange with Ciphered).
    bool LinkCiphered() const { return FLinkCiphered; }
    // The 1-based line of byte Position; the selection as byte positions
    // {start, end} (start == end for a caret).
    int LineAt(long Position) const;
    std::pair<long, long> Selection() const;

    // Caret placement after walking Index characters of the text; X is the
    // 1-based column in characters, Y the 1-based line.
    void GotoIndex(int64_t Index);
    void GotoPos(int X, int Y);

    void AddLine(const QString& Line);
    // Appends Lines; with MaxBufferSize > 0 the oldest lines are dropped
    // beyond that many. The caret follows when the last line was visible.
    void AddLines(const QStringList& Lines, int MaxBufferSize = 0);
    void Clear();
    void SetReadOnly(bool ReadOnly);
    bool GetReadOnly() const;
    // Uses Menu as the popup menu; its items whose captions match an item of
    // the pane's own menu run the pane's command.
    void SetPopUpMenu(QMenu* Menu);

    // The commands.
    void Translate();
    // Pastes the clipboard (Ctrl+V, Shift+Insert, the menu).
    void Paste();
    void Load();
    bool Save();
    bool SaveAs();
    void Search();
    void Replace();
    void SearchAgain();
    void ToggleLineComment();
    // Enables the menu items for the current selection, clipboard and
    // read-only state; runs each time the popup menu opens.
    void UpdateMenuState();

signals:
    void TranslateRequested(TFrameBaseEditor* Pane);
    void EditorStatusChanged(TFrameBaseEditor* Pane, const QString& Status);
    void FileNameChanged(TFrameBaseEditor* Pane);
    void PopUpMenuPopUp(TFrameBaseEditor* Pane);
    // The stale mark came or went.
    void StaleChanged(TFrameBaseEditor* Pane);
    // The text changed other than by ShowTranslation (typed, pasted, loaded).
    void TextEdited(TFrameBaseEditor* Pane);
    // The caret or the selection moved.
    void SelectionMoved(TFrameBaseEditor* Pane);
    // The mouse rests over byte Position of the text, at Point of the editor's
    // viewport (HoverEnded when it moves on).
    void Hovered(TFrameBaseEditor* Pane, long Position, const QPoint& Point);
    void HoverEnded(TFrameBaseEditor* Pane);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    void CreateActions();
    void ApplyPalette();
    void PlaceStaleBadge();
    void UpdateLineNumberWidth();
    void ApplyScriptFont();
    void ShowPopUpMenu(const QPoint& Position);
    void EnableAllActions();
    void RunSearchDialog(bool Replace);
    // Searches (or replaces) with Options; FromCaret overrides Options.FromCursor.
    void SearchReplace(const TSearchOptions& Options, bool Replace, bool ReplaceAll, bool FromCaret);
    // The shade of LinkRange without scrolling; false when it is empty.
    bool FillLink(long Start, long End, bool Ciphered);
    void IndentSelectedLines(bool Indent);
    void RememberFileName(const QString& FileName);
    void TextModified();

    // What is writing the text just now: the user, unless the pane itself
    // writes a translation, a file or a paste.
    enum TWriter { wrUser, wrTranslation, wrFile, wrPaste };
    class TWriting;

    QString FFileKey;
    QString FCurrentFileName;
    QString FUntitledName = QStringLiteral("Untitled");
    bool FFileUsesCrLf;  // the line ends the current file is saved with
    bool FLineNumbers = false;
    TWriter FWriter = wrUser;
    bool FUsersWork = false;         // changes of the user's since the last load, save or translation
    bool FHoldsTranslation = false;
    bool FStale = false;
    bool FLinkCiphered = false;  // the shade is of kCipherLinkIndicator
    QsciScintilla* FEditor;
    THighLighter* FHighLighter;
    QMenu* FOwnMenu;
    QMenu* FPopUpMenu;
    std::array<QAction*, kEditorActionCount> FActions{};
    QLabel* FStaleBadge;
};

}  // namespace vantrel
