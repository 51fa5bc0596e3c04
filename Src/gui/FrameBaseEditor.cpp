#include "FrameBaseEditor.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QSaveFile>
#include <QStringDecoder>
#include <QUrl>
#include <QVBoxLayout>

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qsciscintilla.h>

#include <string_view>
#include <utility>
#include <vector>

#include "AppSettings.h"
#include "HighLighter.h"
#include "Prompts.h"
#include "SearchDialogs.h"
#include "Src/translate/TranslateCommand.h"

namespace vantrel {

namespace {

struct TMenuItem {
    TEditorAction Action;
    const char* Caption;
    QKeyCombination Shortcut;
    bool SeparatorBefore;
};

// The popup menu, in its order; the last two commands have only a key.
constexpr QKeyCombination kNoKey{};
const TMenuItem kMenuItems[] = {
    {eaTranslate, "Translate", Qt::CTRL | Qt::Key_T, false},
    {eaUndo, "Undo", Qt::CTRL | Qt::Key_Z, false},
    {eaRedo, "Redo", kNoKey, false},
    {eaCut, "Cut", Qt::CTRL | Qt::Key_X, true},
    {eaCopy, "Copy", Qt::CTRL | Qt::Key_C, false},
    {eaPaste, "Paste", Qt::CTRL | Qt::Key_V, false},
    {eaDelete, "Delete", kNoKey, false},
    {eaSelectAll, "Select All", Qt::CTRL | Qt::Key_A, true},
    {eaIndent, "Indent", kNoKey, true},
    {eaUnindent, "Unindent", kNoKey, false},
    {eaSearch, "Search...", kNoKey, true},
    {eaReplace, "Replace...", kNoKey, false},
    {eaLoad, "Load...", kNoKey, true},
    {eaSave, "Save", kNoKey, false},
    {eaSaveAs, "Save as...", kNoKey, false},
    {eaSearchAgain, "Search again", Qt::Key_F3, false},
    {eaToggleLineComment, "Toggle line comment", Qt::CTRL | Qt::Key_Slash, false},
};
static_assert(std::size(kMenuItems) == kEditorActionCount);

constexpr int kLargeInsertion = 64 * 1024;

const QString kFileFilter = QStringLiteral(
    "APDU files (*.xml *.hex *.txt);;XML (*.xml);;Hex octets (*.hex);;Text (*.txt);;All files (*)");

// The line ends of a text that never was a file.
#ifdef Q_OS_WIN
constexpr bool kPlatformCrLf = true;
#else
constexpr bool kPlatformCrLf = false;
#endif

// The indicators marking the place of a failed translation and the field
// linked with the other pane (the ciphered octets holding a deciphered field
// with one of their own).
constexpr int kMarkIndicator = 8;
constexpr int kLinkIndicator = 9;
constexpr int kCipherLinkIndicator = 10;
// How long the mouse rests before a tooltip, in milliseconds.
constexpr int kHoverTime = 500;

// The one local file a drag carries, empty for anything else.
QString DraggedFile(const QMimeData* Data) {
    if (!Data || !Data->hasUrls() || Data->urls().size() != 1) return {};
    const QUrl url = Data->urls().first();
    return url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile() ? url.toLocalFile() : QString();
}

// A colour as the editor's messages take it.
long Bgr(const QColor& Colour) { return Colour.blue() << 16 | Colour.green() << 8 | Colour.red(); }

// A colour readable on Paper: Light on dark paper, else Dark.
QColor ForPaper(const QColor& Paper, const QColor& Dark, const QColor& Light) {
    return Paper.lightness() < 128 ? Light : Dark;
}

QString LastFilesKey(const QString& FileKey) { return QStringLiteral("LastFiles/") + FileKey; }

QString WithoutMnemonics(QString Caption) { return Caption.remove(QLatin1Char('&')); }

// Frees a key of the editor's own key table for a command of the pane.
void UnbindEditorKey(QsciScintilla& Editor, int Key) {
    for (QsciCommand* command : Editor.standardCommands()->commands()) {
        if (command->key() == Key) command->setKey(0);
        if (command->alternateKey() == Key) command->setAlternateKey(0);
    }
}

// Line ends: the document keeps CR LF; files may have LF or CR alone.
QByteArray ToCrLf(const QByteArray& Text) {
    QByteArray out;
    out.reserve(Text.size() + Text.size() / 16);
    for (qsizetype i = 0; i < Text.size(); ++i) {
        const char c = Text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray CrLfToLf(std::string_view Text) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(Text.size()));
    for (size_t i = 0; i < Text.size(); ++i)
        if (!(Text[i] == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n')) out += Text[i];
    return out;
}

long Send(const QsciScintilla* Editor, unsigned int Message, unsigned long WParam = 0, long LParam = 0) {
    return Editor->SendScintilla(Message, WParam, LParam);
}

long LineOf(const QsciScintilla* Editor, long Position) {
    return Send(Editor, QsciScintilla::SCI_LINEFROMPOSITION, static_cast<unsigned long>(Position));
}

long LineStart(const QsciScintilla* Editor, long Line) {
    return Send(Editor, QsciScintilla::SCI_POSITIONFROMLINE, static_cast<unsigned long>(Line));
}

// A colour halfway to Paper: the text of a stale translation.
QColor Faded(const QColor& Colour, const QColor& Paper) {
    return QColor((Colour.red() + Paper.red()) / 2, (Colour.green() + Paper.green()) / 2, (Colour.blue() + Paper.blue()) / 2);
}

}  // namespace

// The pane itself writes the text for as long as it lives.
class TFrameBaseEditor::TWriting {
public:
    TWriting(TFrameBaseEditor& Pane, TWriter Writer) : FPane(Pane), FSaved(Pane.FWriter) { Pane.FWriter = Writer; }
    ~TWriting() { FPane.FWriter = FSaved; }
    TWriting(const TWriting&) = delete;
    TWriting& operator=(const TWriting&) = delete;

private:
    TFrameBaseEditor& FPane;
    TWriter FSaved;
};

TFrameBaseEditor::TFrameBaseEditor(QWidget* Parent, const QString& FileKey)
    : QWidget(Parent), FFileKey(FileKey), FFileUsesCrLf(kPlatformCrLf), FEditor(new QsciScintilla(this)), FHighLighter(new THighLighter(this)),
      FOwnMenu(new QMenu(this)), FPopUpMenu(FOwnMenu), FStaleBadge(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FEditor);
    setFocusProxy(FEditor);
    FStaleBadge->setObjectName(QStringLiteral("StaleBadge"));
    FStaleBadge->setText(QStringLiteral("Previous translation"));
    FStaleBadge->setToolTip(QStringLiteral("The last translation failed: this is the translation of the text before. "
                                           "It stays dimmed until a translation replaces it or you edit it."));
    FStaleBadge->hide();

    FEditor->setFrameStyle(QFrame::NoFrame);
    FEditor->setUtf8(true);
    FEditor->setEolMode(QsciScintilla::EolWindows);
    FEditor->setTabWidth(2);
    FEditor->setIndentationsUseTabs(true);
    for (int margin = 1; margin < 5; ++margin) FEditor->setMarginWidth(margin, 0);
    FEditor->setMarginType(0, QsciScintilla::SymbolMarginColor);
    FEditor->setMarginWidth(0, 15);
    FEditor->setMarginType(1, QsciScintilla::NumberMargin);
    FEditor->setLexer(FHighLighter);
    FEditor->viewport()->installEventFilter(this);
    Send(FEditor, QsciScintilla::SCI_INDICSETSTYLE, kMarkIndicator, QsciScintilla::INDIC_STRAIGHTBOX);
    Send(FEditor, QsciScintilla::SCI_INDICSETALPHA, kMarkIndicator, 90);
    Send(FEditor, QsciScintilla::SCI_INDICSETOUTLINEALPHA, kMarkIndicator, 255);
    Send(FEditor, QsciScintilla::SCI_INDICSETUNDER, kMarkIndicator, 1);
    Send(FEditor, QsciScintilla::SCI_INDICSETSTYLE, kLinkIndicator, QsciScintilla::INDIC_FULLBOX);
    Send(FEditor, QsciScintilla::SCI_INDICSETALPHA, kLinkIndicator, 70);
    Send(FEditor, QsciScintilla::SCI_INDICSETOUTLINEALPHA, kLinkIndicator, 160);
    Send(FEditor, QsciScintilla::SCI_INDICSETUNDER, kLinkIndicator, 1);
    Send(FEditor, QsciScintilla::SCI_INDICSETSTYLE, kCipherLinkIndicator, QsciScintilla::INDIC_FULLBOX);
    Send(FEditor, QsciScintilla::SCI_INDICSETALPHA, kCipherLinkIndicator, 80);
    Send(FEditor, QsciScintilla::SCI_INDICSETOUTLINEALPHA, kCipherLinkIndicator, 255);
    Send(FEditor, QsciScintilla::SCI_INDICSETUNDER, kCipherLinkIndicator, 1);
    Send(FEditor, QsciScintilla::SCI_SETMOUSEDWELLTIME, kHoverTime);
    ApplyPalette();
    FEditor->setContextMenuPolicy(Qt::CustomContextMenu);
    // Wide lines (hex of whole APDUs) keep a horizontal scroll bar that
    // follows the longest line shown.
    Send(FEditor, QsciScintilla::SCI_SETSCROLLWIDTHTRACKING, 1);
    Send(FEditor, QsciScintilla::SCI_SETSCROLLWIDTH, 1);
    // Room for the widths of every octet in each style (see THighLighter).
    Send(FEditor, QsciScintilla::SCI_SETPOSITIONCACHE, 4096);
    ApplyScriptFont();

    CreateActions();
    connect(FEditor, &QWidget::customContextMenuRequested, this, &TFrameBaseEditor::ShowPopUpMenu);
    connect(FEditor, &QsciScintilla::cursorPositionChanged, this, [this](int Line, int Index) {
        emit EditorStatusChanged(this, QString::asprintf("%d:%d", Index + 1, Line + 1));
    });
    connect(FEditor, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int Updated) {
        if (Updated & QsciScintilla::SC_UPDATE_SELECTION) emit SelectionMoved(this);
    });
    connect(FEditor, &QsciScintillaBase::SCN_DWELLSTART, this, [this](int Position, int X, int Y) {
        if (Position >= 0) emit Hovered(this, Position, QPoint(X, Y));
    });
    connect(FEditor, &QsciScintillaBase::SCN_DWELLEND, this, [this](int, int, int) { emit HoverEnded(this); });
    // Large insertions (a paste, a translation) are coloured at once: the
    // editor lays out the caret's line before it asks for colours, and a
    // long line without them is measured character by character.
    connect(FEditor, &QsciScintillaBase::SCN_MODIFIED, this, [this](int Position, int Type, const char*, int Length) {
        if ((Type & QsciScintilla::SC_MOD_INSERTTEXT) && Length > kLargeInsertion)
            Send(FEditor, QsciScintilla::SCI_COLOURISE, static_cast<unsigned long>(LineStart(FEditor, LineOf(FEditor, Position))),
                 Position + Length);
        if (Type & (QsciScintilla::SC_MOD_INSERTTEXT | QsciScintilla::SC_MOD_DELETETEXT)) TextModified();
    });
    connect(&TSettingsNotifier::Instance(), &TSettingsNotifier::ScriptFontChanged, this,
            &TFrameBaseEditor::ApplyScriptFont);
    connect(FEditor, &QsciScintilla::linesChanged, this, &TFrameBaseEditor::UpdateLineNumberWidth);

    const QString lastFile = Settings().value(LastFilesKey(FFileKey)).toString();
    if (!lastFile.isEmpty() && QFileInfo(lastFile).isFile()) LoadFromFile(lastFile);
}

TFrameBaseEditor::~TFrameBaseEditor() = default;

void TFrameBaseEditor::CreateActions() {
    // Keys the editor would take for itself: Ctrl+T swaps lines, Ctrl+/
    // moves by word parts; pasting goes through Paste.
    UnbindEditorKey(*FEditor, (Qt::CTRL | Qt::Key_T).toCombined());
    UnbindEditorKey(*FEditor, (Qt::CTRL | Qt::Key_Slash).toCombined());
    UnbindEditorKey(*FEditor, (Qt::CTRL | Qt::Key_V).toCombined());
    UnbindEditorKey(*FEditor, (Qt::SHIFT | Qt::Key_Insert).toCombined());

    for (const TMenuItem& item : kMenuItems) {
        auto* action = new QAction(QString::fromLatin1(item.Caption), this);
        if (item.Shortcut != kNoKey) action->setShortcut(item.Shortcut);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
        FActions[item.Action] = action;
        if (item.Action == eaPaste) action->setShortcuts({item.Shortcut, QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
        if (item.Action <= eaSaveAs) {
            if (item.SeparatorBefore) FOwnMenu->addSeparator();
            FOwnMenu->addAction(action);
        }
    }
    auto on = [this](TEditorAction Which, auto Slot) { connect(FActions[Which], &QAction::triggered, this, Slot); };
    on(eaTranslate, [this] { Translate(); });
    on(eaUndo, [this] { FEditor->undo(); });
    on(eaRedo, [this] { FEditor->redo(); });
    on(eaCut, [this] { FEditor->cut(); });
    on(eaCopy, [this] { FEditor->copy(); });
    on(eaPaste, [this] { Paste(); });
    on(eaDelete, [this] { FEditor->removeSelectedText(); });
    on(eaSelectAll, [this] { FEditor->selectAll(); });
    on(eaIndent, [this] { IndentSelectedLines(true); });
    on(eaUnindent, [this] { IndentSelectedLines(false); });
    on(eaSearch, [this] { Search(); });
    on(eaReplace, [this] { Replace(); });
    on(eaLoad, [this] { Load(); });
    on(eaSave, [this] { Save(); });
    on(eaSaveAs, [this] { SaveAs(); });
    on(eaSearchAgain, [this] { SearchAgain(); });
    on(eaToggleLineComment, [this] { ToggleLineComment(); });

    connect(FOwnMenu, &QMenu::aboutToShow, this, &TFrameBaseEditor::UpdateMenuState);
    connect(FOwnMenu, &QMenu::aboutToHide, this, &TFrameBaseEditor::EnableAllActions);
}

void TFrameBaseEditor::ApplyScriptFont() {
    const QFont font = ScriptFont();
    FHighLighter->SetBaseFont(font);
    FEditor->setFont(font);
    FEditor->recolor();
}

void TFrameBaseEditor::ApplyPalette() {
    const QPalette colours = palette();
    const QColor paper = colours.color(QPalette::Base);
    const QColor text = colours.color(QPalette::Text);
    const QColor comment = ForPaper(paper, QColor(Qt::blue), QColor(0x7F, 0xB4, 0xFF));
    const QColor string = ForPaper(paper, QColor(0x80, 0x00, 0x80), QColor(0xE0, 0x9C, 0xFF));
    const QColor keyword2 = ForPaper(paper, QColor(Qt::darkGreen), QColor(0x8F, 0xD8, 0x8F));
    const QColor keyword3 = ForPaper(paper, QColor(Qt::darkRed), QColor(0xFF, 0x90, 0x90));
    for (int style = hsDefault; style <= hsKeyword3; ++style) {
        QColor colour = style == hsComment  ? comment
                        : style == hsString ? string
                        : style == hsKeyword2 ? keyword2
                        : style == hsKeyword3 ? keyword3
                                              : text;
        if (FStale) colour = Faded(colour, paper);
        for (int twin : {style, style + kTwinStyle}) {
            FHighLighter->setColor(colour, twin);
            FHighLighter->setPaper(paper, twin);
        }
    }
    FHighLighter->setDefaultColor(FStale ? Faded(text, paper) : text);
    FHighLighter->setDefaultPaper(paper);
    Send(FEditor, QsciScintilla::SCI_STYLESETBACK, QsciScintilla::STYLE_DEFAULT, Bgr(paper));
    FEditor->setCaretForegroundColor(text);
    FEditor->setSelectionBackgroundColor(colours.color(QPalette::Highlight));
    FEditor->setSelectionForegroundColor(colours.color(QPalette::HighlightedText));
    FEditor->setMarginsBackgroundColor(colours.color(QPalette::Button));
    FEditor->setMarginsForegroundColor(colours.color(QPalette::ButtonText));
    FEditor->setMarginBackgroundColor(0, colours.color(QPalette::Button));
    FStaleBadge->setStyleSheet(
        paper.lightness() < 128
            ? QStringLiteral("QLabel { background: #5C4A10; color: #F0F0F0; border: 1px solid #8A7420; border-radius: 3px; padding: 1px 6px; }")
            : QStringLiteral("QLabel { background: #FFF0B8; color: #202020; border: 1px solid #C8A800; border-radius: 3px; padding: 1px 6px; }"));
    const QColor mark = ForPaper(paper, QColor(0xE0, 0x30, 0x30), QColor(0xFF, 0x60, 0x60));
    Send(FEditor, QsciScintilla::SCI_INDICSETFORE, kMarkIndicator, Bgr(mark));
    const QColor link = ForPaper(paper, QColor(0x20, 0x90, 0xA0), QColor(0x40, 0xC0, 0xD0));
    Send(FEditor, QsciScintilla::SCI_INDICSETFORE, kLinkIndicator, Bgr(link));
    const QColor cipher = ForPaper(paper, QColor(0x90, 0x40, 0xC0), QColor(0xC0, 0x80, 0xF0));
    Send(FEditor, QsciScintilla::SCI_INDICSETFORE, kCipherLinkIndicator, Bgr(cipher));
}

// At the top right of the text, clear of the scroll bar.
void TFrameBaseEditor::PlaceStaleBadge() {
    FStaleBadge->adjustSize();
    const QRect text = FEditor->viewport()->geometry().translated(FEditor->pos());
    FStaleBadge->move(text.right() - FStaleBadge->width() - 6, text.top() + 4);
    FStaleBadge->raise();
}

void TFrameBaseEditor::resizeEvent(QResizeEvent* Event) {
    QWidget::resizeEvent(Event);
    PlaceStaleBadge();
}

void TFrameBaseEditor::changeEvent(QEvent* Event) {
    if (Event->type() == QEvent::PaletteChange) ApplyPalette();
    QWidget::changeEvent(Event);
}

bool TFrameBaseEditor::eventFilter(QObject* Watched, QEvent* Event) {
    const QEvent::Type type = Event->type();
    if (Watched == FEditor->viewport() && (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)) {
        auto* drop = static_cast<QDropEvent*>(Event);
        const QString file = DraggedFile(drop->mimeData());
        if (!file.isEmpty()) {
            drop->acceptProposedAction();
            // Loading may ask a question: not inside the drag's own event loop.
            if (type == QEvent::Drop) QMetaObject::invokeMethod(this, [this, file] { OpenFile(file); }, Qt::QueuedConnection);
            return true;
        }
    }
    return QWidget::eventFilter(Watched, Event);
}

void TFrameBaseEditor::SetLineNumbersVisible(bool Visible) {
    FLineNumbers = Visible;
    UpdateLineNumberWidth();
}

void TFrameBaseEditor::UpdateLineNumberWidth() {
    if (!FLineNumbers) {
        FEditor->setMarginWidth(1, 0);
        return;
    }
    // Room for the digits of the last line and one more.
    const int digits = QString::number(qMax(1, FEditor->lines())).size();
    FEditor->setMarginWidth(1, QString(digits + 1, QLatin1Char('9')));
}

void TFrameBaseEditor::MarkRange(long Start, long End) {
    ClearMark();
    const long length = Send(FEditor, QsciScintilla::SCI_GETLENGTH);
    Start = qBound(0L, Start, length);
    End = qBound(Start, End, length);
    if (End <= Start) return;
    Send(FEditor, QsciScintilla::SCI_SETINDICATORCURRENT, kMarkIndicator);
    Send(FEditor, QsciScintilla::SCI_INDICATORFILLRANGE, static_cast<unsigned long>(Start), End - Start);
}

void TFrameBaseEditor::ClearMark() {
    Send(FEditor, QsciScintilla::SCI_SETINDICATORCURRENT, kMarkIndicator);
    Send(FEditor, QsciScintilla::SCI_INDICATORCLEARRANGE, 0, Send(FEditor, QsciScintilla::SCI_GETLENGTH));
}

std::pair<long, long> TFrameBaseEditor::MarkedRange() const {
    const long length = Send(FEditor, QsciScintilla::SCI_GETLENGTH);
    for (long position = 0; position < length;) {
        const long end = Send(FEditor, QsciScintilla::SCI_INDICATOREND, kMarkIndicator, position);
        if (Send(FEditor, QsciScintilla::SCI_INDICATORVALUEAT, kMarkIndicator, position) != 0) return {position, end};
        if (end <= position) break;
        position = end;
    }
    return {-1, -1};
}

void TFrameBaseEditor::LinkRange(long Start, long End, bool Ciphered) {
    if (!FillLink(Start, End, Ciphered)) return;
    // In view, its start rather than its end when it does not fit.
    Send(FEditor, QsciScintilla::SCI_SCROLLRANGE, static_cast<unsigned long>(End), Start);
}

bool TFrameBaseEditor::FillLink(long Start, long End, bool Ciphered) {
    ClearLink();
    const long length = Send(FEditor, QsciScintilla::SCI_GETLENGTH);
    Start = qBound(0L, Start, length);
    End = qBound(Start, End, length);
    if (End <= Start) return false;
    FLinkCiphered = Ciphered;
    Send(FEditor, QsciScintilla::SCI_SETINDICATORCURRENT, Ciphered ? kCipherLinkIndicator : kLinkIndicator);
    Send(FEditor, QsciScintilla::SCI_INDICATORFILLRANGE, static_cast<unsigned long>(Start), End - Start);
    return true;
}

void TFrameBaseEditor::LinkLines(int First, int Last) {
    const long lines = Send(FEditor, QsciScintilla::SCI_GETLINECOUNT);
    if (First < 1 || First > lines || Last < First) return ClearLink();
    const long last = qMin(static_cast<long>(Last), lines) - 1;
    // From the first non-blank of the first line: the indent is no part of it.
    const long start = Send(FEditor, QsciScintilla::SCI_GETLINEINDENTPOSITION, static_cast<unsigned long>(First - 1));
    if (!FillLink(start, Send(FEditor, QsciScintilla::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(last)), false))
        return;
    // In view by the starts of its lines: never sideways to the end of a
    // long line.
    Send(FEditor, QsciScintilla::SCI_SCROLLRANGE,
         static_cast<unsigned long>(Send(FEditor, QsciScintilla::SCI_POSITIONFROMLINE, static_cast<unsigned long>(last))),
         start);
}

void TFrameBaseEditor::ClearLink() {
    const long length = Send(FEditor, QsciScintilla::SCI_GETLENGTH);
    for (const int indicator : {kLinkIndicator, kCipherLinkIndicator}) {
        Send(FEditor, QsciScintilla::SCI_SETINDICATORCURRENT, indicator);
        Send(FEditor, QsciScintilla::SCI_INDICATORCLEARRANGE, 0, length);
    }
    FLinkCiphered = false;
}

std::pair<long, long> TFrameBaseEditor::LinkedRange() const {
    const long length = Send(FEditor, QsciScintilla::SCI_GETLENGTH);
    const int indicator = FLinkCiphered ? kCipherLinkIndicator : kLinkIndicator;
    for (long position = 0; position < length;) {
        const long end = Send(FEditor, QsciScintilla::SCI_INDICATOREND, indicator, position);
        if (Send(FEditor, QsciScintilla::SCI_INDICATORVALUEAT, indicator, position) != 0) return {position, end};
        if (end <= position) break;
        position = end;
    }
    return {-1, -1};
}

int TFrameBaseEditor::LineAt(long Position) const { return static_cast<int>(LineOf(FEditor, Position)) + 1; }

std::pair<long, long> TFrameBaseEditor::Selection() const {
    return {Send(FEditor, QsciScintilla::SCI_GETSELECTIONSTART), Send(FEditor, QsciScintilla::SCI_GETSELECTIONEND)};
}

bool TFrameBaseEditor::FindText(const QString& Text, bool CaseSensitive, bool Backwards, bool Incremental,
                                bool& Wrapped) {
    Wrapped = false;
    if (Text.isEmpty()) return false;
    const QByteArray pattern = Text.toUtf8();
    const long length = Send(FEditor, QsciScintilla::SCI_GETLENGTH);
    const long selStart = Send(FEditor, QsciScintilla::SCI_GETSELECTIONSTART);
    const long selEnd = Send(FEditor, QsciScintilla::SCI_GETSELECTIONEND);
    Send(FEditor, QsciScintilla::SCI_SETSEARCHFLAGS, CaseSensitive ? QsciScintilla::SCFIND_MATCHCASE : 0);
    auto find = [&](long From, long To) {
        Send(FEditor, QsciScintilla::SCI_SETTARGETRANGE, static_cast<unsigned long>(From), To);
        return FEditor->SendScintilla(QsciScintilla::SCI_SEARCHINTARGET, static_cast<unsigned long>(pattern.size()),
                                      pattern.constData());
    };
    const long from = Backwards ? (Incremental ? selEnd : selStart) : (Incremental ? selStart : selEnd);
    long found = find(from, Backwards ? 0 : length);
    if (found < 0) {
        Wrapped = true;
        found = find(Backwards ? length : 0, from);
    }
    if (found < 0) return false;
    const long end = Send(FEditor, QsciScintilla::SCI_GETTARGETEND);
    if (Backwards) Send(FEditor, QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(end), found);
    else Send(FEditor, QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(found), end);
    Send(FEditor, QsciScintilla::SCI_SCROLLCARET);
    return true;
}

void TFrameBaseEditor::ShowPopUpMenu(const QPoint& Position) {
    FPopUpMenu->popup(FEditor->mapToGlobal(Position));
}

void TFrameBaseEditor::UpdateMenuState() {
    const bool editable = !FEditor->isReadOnly();
    const bool selected = FEditor->hasSelectedText();
    const QMimeData* clipboard = QApplication::clipboard()->mimeData();
    FActions[eaUndo]->setEnabled(editable && FEditor->isUndoAvailable());
    FActions[eaRedo]->setEnabled(editable && FEditor->isRedoAvailable());
    FActions[eaCopy]->setEnabled(selected);
    for (TEditorAction which : {eaCut, eaDelete, eaIndent, eaUnindent})
        FActions[which]->setEnabled(selected && editable);
    FActions[eaPaste]->setEnabled(editable && clipboard && clipboard->hasText());
    FActions[eaReplace]->setEnabled(editable);
    emit PopUpMenuPopUp(this);
}

// The menu's states hold while it is open; afterwards every key works and
// each command checks for itself what it can do.
void TFrameBaseEditor::EnableAllActions() {
    for (QAction* action : FActions) action->setEnabled(true);
}

void TFrameBaseEditor::SetPopUpMenu(QMenu* Menu) {
    if (!Menu || Menu == FPopUpMenu) return;
    FPopUpMenu = Menu;
    std::vector<std::pair<QAction*, QAction*>> matches;
    std::vector<QMenu*> pending{Menu};
    while (!pending.empty()) {
        QMenu* menu = pending.back();
        pending.pop_back();
        for (QAction* item : menu->actions()) {
            if (item->menu()) pending.push_back(item->menu());
            if (item->isSeparator()) continue;
            for (int which = eaTranslate; which <= eaSaveAs; ++which)
                if (WithoutMnemonics(item->text()) == WithoutMnemonics(FActions[which]->text())) {
                    connect(item, &QAction::triggered, FActions[which], &QAction::trigger);
                    matches.emplace_back(item, FActions[which]);
                }
        }
    }
    connect(Menu, &QMenu::aboutToShow, this, [this, matches] {
        UpdateMenuState();
        for (const auto& [item, own] : matches) item->setEnabled(own->isEnabled());
    });
    connect(Menu, &QMenu::aboutToHide, this, &TFrameBaseEditor::EnableAllActions);
}

std::string_view TFrameBaseEditor::TextView() const {
    const long length = Send(FEditor, QsciScintilla::SCI_GETLENGTH);
    if (length <= 0) return {};
    const auto* text = reinterpret_cast<const char*>(Send(FEditor, QsciScintilla::SCI_GETCHARACTERPOINTER));
    return {text, static_cast<size_t>(length)};
}

QString TFrameBaseEditor::Text() const {
    const std::string_view text = TextView();
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void TFrameBaseEditor::ReplaceAllText(std::string_view Utf8) {
    const bool readOnly = FEditor->isReadOnly();
    FEditor->setReadOnly(false);
    Send(FEditor, QsciScintilla::SCI_BEGINUNDOACTION);
    Send(FEditor, QsciScintilla::SCI_SETTARGETRANGE, 0, Send(FEditor, QsciScintilla::SCI_GETLENGTH));
    FEditor->SendScintilla(QsciScintilla::SCI_REPLACETARGET, static_cast<unsigned long>(Utf8.size()), Utf8.data());
    Send(FEditor, QsciScintilla::SCI_ENDUNDOACTION);
    Send(FEditor, QsciScintilla::SCI_GOTOPOS, 0);
    FEditor->setReadOnly(readOnly);
}

void TFrameBaseEditor::SetText(const QString& Text) {
    const QByteArray text = ToCrLf(Text.toUtf8());
    ReplaceAllText(std::string_view(text.constData(), static_cast<size_t>(text.size())));
}

void TFrameBaseEditor::ShowTranslation(std::string_view Utf8) {
    {
        TWriting writing(*this, wrTranslation);
        ReplaceAllText(Utf8);
    }
    FUsersWork = false;
    FHoldsTranslation = true;
    SetStale(false);
}

bool TFrameBaseEditor::HoldsUsersWork() const { return FUsersWork && IsModified(); }

void TFrameBaseEditor::SetStale(bool Stale) {
    if (Stale == FStale) return;
    FStale = Stale;
    ApplyPalette();
    FStaleBadge->setVisible(Stale);
    if (Stale) PlaceStaleBadge();
    emit StaleChanged(this);
}

// Any change of the text but a translation or a file makes it the user's:
// no longer a translation, nor stale. A paste into an untitled pane adds no
// work of the user's (the clipboard still has it).
void TFrameBaseEditor::TextModified() {
    if (FWriter == wrTranslation) return;
    emit TextEdited(this);
    if (FWriter == wrFile) return;
    FHoldsTranslation = false;
    if (FWriter != wrPaste || !FCurrentFileName.isEmpty()) FUsersWork = true;
    SetStale(false);
}

void TFrameBaseEditor::Paste() {
    TWriting writing(*this, wrPaste);
    FEditor->paste();
}

bool TFrameBaseEditor::IsModified() const { return FEditor->isModified(); }
void TFrameBaseEditor::SetModified(bool Modified) { FEditor->setModified(Modified); }

void TFrameBaseEditor::RememberFileName(const QString& FileName) {
    FCurrentFileName = FileName;
    Settings().setValue(LastFilesKey(FFileKey), FileName);
    emit FileNameChanged(this);
}

bool TFrameBaseEditor::LoadFromFile(const QString& FileName) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) {
        Prompts().ShowError(this, QStringLiteral("Cannot open file \"%1\". %2").arg(FileName, file.errorString()));
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        Prompts().ShowError(this, QStringLiteral("Cannot read file \"%1\". %2").arg(FileName, file.errorString()));
        return false;
    }
    // Through the decoder: a byte order mark is dropped and invalid
    // sequences become replacement characters, as any UTF-8 reader does.
    QStringDecoder decoder(QStringConverter::Utf8);
    const QByteArray text = ToCrLf(QString(decoder(bytes)).toUtf8());
    FFileUsesCrLf = bytes.contains("\r\n") ? true : bytes.contains('\n') ? false : kPlatformCrLf;

    const bool readOnly = FEditor->isReadOnly();
    FEditor->setReadOnly(false);
    {
        TWriting writing(*this, wrFile);
        FEditor->SendScintilla(QsciScintilla::SCI_SETTEXT, 0UL, text.constData());
    }
    FEditor->setReadOnly(readOnly);
    Send(FEditor, QsciScintilla::SCI_EMPTYUNDOBUFFER);
    FEditor->setModified(false);
    FUsersWork = false;
    FHoldsTranslation = false;
    SetStale(false);
    RememberFileName(FileName);
    return true;
}

bool TFrameBaseEditor::SaveToFile(const QString& FileName) {
    QSaveFile file(FileName);
    const std::string_view text = TextView();
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        if (FFileUsesCrLf) ok = file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
        else {
            const QByteArray lf = CrLfToLf(text);
            ok = file.write(lf) == lf.size();
        }
    }
    ok = ok && file.commit();
    if (!ok) {
        Prompts().ShowError(this, QStringLiteral("Cannot save file \"%1\". %2").arg(FileName, file.errorString()));
        file.cancelWriting();
    }
    return ok;
}

bool TFrameBaseEditor::CloseQuery() {
    // Nothing of the user's is lost of a translation, of scratch text pasted
    // into an untitled pane, or of a pane that holds no file and no text.
    if (!HoldsUsersWork() || (FCurrentFileName.isEmpty() && TextView().empty())) return true;
    switch (Prompts().AskYesNoCancel(this, QStringLiteral("Save changes to \"%1\"?").arg(DocumentName()))) {
        case TAnswer::Yes: return Save();
        case TAnswer::No: return true;
        default: return false;
    }
}

bool TFrameBaseEditor::OpenFile(const QString& FileName) { return CloseQuery() && LoadFromFile(FileName); }

QString TFrameBaseEditor::DocumentName() const {
    return FCurrentFileName.isEmpty() ? FUntitledName : QFileInfo(FCurrentFileName).fileName();
}

void TFrameBaseEditor::Load() {
    if (!CloseQuery()) return;
    const QString fileName = Prompts().OpenFileName(this, QStringLiteral("Open file"),
                                                    Settings().value(LastFilesKey(FFileKey)).toString(), kFileFilter);
    if (!fileName.isEmpty()) LoadFromFile(fileName);
}

bool TFrameBaseEditor::Save() {
    if (FCurrentFileName.isEmpty()) return SaveAs();
    if (!SaveToFile(FCurrentFileName)) return false;
    FEditor->setModified(false);
    FUsersWork = false;
    return true;
}

bool TFrameBaseEditor::SaveAs() {
    const QString start =
        FCurrentFileName.isEmpty() ? Settings().value(LastFilesKey(FFileKey)).toString() : FCurrentFileName;
    const QString fileName =
        Prompts().SaveFileName(this, QStringLiteral("Save file"), start, kFileFilter);
    if (fileName.isEmpty() || !SaveToFile(fileName)) return false;
    RememberFileName(fileName);
    FEditor->setModified(false);
    FUsersWork = false;
    return true;
}

void TFrameBaseEditor::GotoIndex(int64_t Index) {
    int line = 1;
    int column = 0;
    vantrel::GotoIndex(TextView(), Index, line, column);
    GotoPos(column, line);
}

void TFrameBaseEditor::GotoPos(int X, int Y) {
    const long lines = Send(FEditor, QsciScintilla::SCI_GETLINECOUNT);
    const long line = qBound(0L, static_cast<long>(Y) - 1, lines - 1);
    const long start = LineStart(FEditor, line);
    const long end = Send(FEditor, QsciScintilla::SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line));
    // Columns count characters; a column beyond the line's end stops there.
    long position = start;
    if (X > 1) {
        position = Send(FEditor, QsciScintilla::SCI_POSITIONRELATIVE, static_cast<unsigned long>(start), X - 1L);
        if (position <= start || position > end) position = end;
    }
    Send(FEditor, QsciScintilla::SCI_GOTOPOS, static_cast<unsigned long>(position));
    Send(FEditor, QsciScintilla::SCI_SCROLLCARET);
}

void TFrameBaseEditor::AddLine(const QString& Line) { AddLines(QStringList{Line}); }

void TFrameBaseEditor::AddLines(const QStringList& Lines, int MaxBufferSize) {
    if (Lines.isEmpty()) return;
    const long lineCount = Send(FEditor, QsciScintilla::SCI_GETLINECOUNT);
    const long firstVisible = Send(FEditor, QsciScintilla::SCI_GETFIRSTVISIBLELINE);
    const long onScreen = Send(FEditor, QsciScintilla::SCI_LINESONSCREEN);
    const bool followEnd = firstVisible + onScreen >= lineCount - 1;

    const std::string_view text = TextView();
    QByteArray added;
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') added += "\r\n";
    added += ToCrLf(Lines.join(QStringLiteral("\r\n")).toUtf8());
    const bool readOnly = FEditor->isReadOnly();
    FEditor->setReadOnly(false);
    FEditor->SendScintilla(QsciScintilla::SCI_APPENDTEXT, static_cast<unsigned long>(added.size()), added.constData());
    const long total = Send(FEditor, QsciScintilla::SCI_GETLINECOUNT);
    if (MaxBufferSize > 0 && total > MaxBufferSize) {
        const long drop = LineStart(FEditor, total - MaxBufferSize);
        Send(FEditor, QsciScintilla::SCI_DELETERANGE, 0, drop);
    }
    FEditor->setReadOnly(readOnly);
    if (followEnd) {
        const long last = Send(FEditor, QsciScintilla::SCI_GETLINECOUNT) - 1;
        Send(FEditor, QsciScintilla::SCI_GOTOLINE, static_cast<unsigned long>(last));
        Send(FEditor, QsciScintilla::SCI_SCROLLCARET);
    }
}

void TFrameBaseEditor::Clear() {
    const bool readOnly = FEditor->isReadOnly();
    FEditor->setReadOnly(false);
    FEditor->clear();
    FEditor->setReadOnly(readOnly);
}

void TFrameBaseEditor::SetReadOnly(bool ReadOnly) { FEditor->setReadOnly(ReadOnly); }
bool TFrameBaseEditor::GetReadOnly() const { return FEditor->isReadOnly(); }

void TFrameBaseEditor::Translate() { emit TranslateRequested(this); }

void TFrameBaseEditor::Search() { RunSearchDialog(false); }

void TFrameBaseEditor::Replace() {
    if (!FEditor->isReadOnly()) RunSearchDialog(true);
}

void TFrameBaseEditor::RunSearchDialog(bool Replace) {
    TSearchOptions& options = SharedSearchOptions();
    int lineFrom, indexFrom, lineTo, indexTo;
    FEditor->getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
    QString prefill;
    if (FEditor->hasSelectedText() && lineFrom == lineTo) {
        prefill = FEditor->selectedText();
    } else {
        int line, index;
        FEditor->getCursorPosition(&line, &index);
        prefill = FEditor->wordAtLineIndex(line, index);
    }
    if (!prefill.isEmpty()) options.SearchText = prefill;
    bool replaceAll = false;
    if (!Prompts().EditSearchOptions(this, options, Replace, replaceAll)) return;
    SearchReplace(options, Replace, replaceAll, options.FromCursor);
}

void TFrameBaseEditor::SearchAgain() {
    if (SharedSearchOptions().SearchText.isEmpty()) {
        RunSearchDialog(false);
        return;
    }
    SearchReplace(SharedSearchOptions(), false, false, true);
}

void TFrameBaseEditor::SearchReplace(const TSearchOptions& Options, bool Replace, bool ReplaceAll, bool FromCaret) {
    if (Options.SearchText.isEmpty()) return;
    const QByteArray pattern = Options.SearchText.toUtf8();
    const QByteArray replacement = Options.ReplaceText.toUtf8();
    const bool backwards = Options.Backwards;
    const long selStart = Send(FEditor, QsciScintilla::SCI_GETSELECTIONSTART);
    const long selEnd = Send(FEditor, QsciScintilla::SCI_GETSELECTIONEND);
    const bool inSelection = Options.SelectedOnly && selEnd > selStart;
    const long rangeStart = inSelection ? selStart : 0;
    long rangeEnd = inSelection ? selEnd : Send(FEditor, QsciScintilla::SCI_GETLENGTH);
    // Within a selection the search covers all of it; elsewhere it starts
    // at the caret side of the selection or at the end of the text.
    long from = backwards ? rangeEnd : rangeStart;
    if (FromCaret && !inSelection) from = backwards ? selStart : selEnd;

    Send(FEditor, QsciScintilla::SCI_SETSEARCHFLAGS,
         (Options.CaseSensitive ? QsciScintilla::SCFIND_MATCHCASE : 0) |
             (Options.WholeWords ? QsciScintilla::SCFIND_WHOLEWORD : 0));
    // The next match from `from` in the search direction, or -1.
    auto findNext = [&](long& MatchEnd) -> long {
        Send(FEditor, QsciScintilla::SCI_SETTARGETRANGE, static_cast<unsigned long>(from),
             backwards ? rangeStart : rangeEnd);
        const long found = FEditor->SendScintilla(QsciScintilla::SCI_SEARCHINTARGET,
                                                  static_cast<unsigned long>(pattern.size()), pattern.constData());
        MatchEnd = found < 0 ? found : Send(FEditor, QsciScintilla::SCI_GETTARGETEND);
        return found;
    };
    auto select = [&](long Start, long End) {
        if (backwards) Send(FEditor, QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(End), Start);
        else Send(FEditor, QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(Start), End);
    };

    int found = 0;
    bool ask = true;
    Send(FEditor, QsciScintilla::SCI_BEGINUNDOACTION);
    for (;;) {
        long matchEnd = -1;
        const long matchStart = findNext(matchEnd);
        if (matchStart < 0) break;
        ++found;
        select(matchStart, matchEnd);
        if (!Replace) break;
        TAnswer answer = TAnswer::YesToAll;
        if (ask) answer = Prompts().AskReplace(this, QStringLiteral("Replace this occurrence of \"%1\"?").arg(Options.SearchText));
        if (answer == TAnswer::Cancel) break;
        if (answer == TAnswer::YesToAll) ask = false;
        if (answer == TAnswer::No) {
            from = backwards ? matchStart : matchEnd;
        } else {
            Send(FEditor, QsciScintilla::SCI_SETTARGETRANGE, static_cast<unsigned long>(matchStart), matchEnd);
            FEditor->SendScintilla(QsciScintilla::SCI_REPLACETARGET, static_cast<unsigned long>(replacement.size()),
                                   replacement.constData());
            const long replacedEnd = matchStart + replacement.size();
            rangeEnd += replacedEnd - matchEnd;
            select(matchStart, replacedEnd);
            from = backwards ? matchStart : replacedEnd;
        }
        if (!ReplaceAll) break;
    }
    Send(FEditor, QsciScintilla::SCI_ENDUNDOACTION);

    if (found == 0) {
        if (Replace) Prompts().Beep();
        else Prompts().ShowInformation(this, QString::asprintf("Search string \"%s\" not found", qPrintable(Options.SearchText)));
        const long caret = backwards ? selStart : selEnd;
        Send(FEditor, QsciScintilla::SCI_SETEMPTYSELECTION, static_cast<unsigned long>(caret));
    }
    Send(FEditor, QsciScintilla::SCI_SCROLLCARET);
}

void TFrameBaseEditor::ToggleLineComment() {
    const long anchor = Send(FEditor, QsciScintilla::SCI_GETANCHOR);
    const long caret = Send(FEditor, QsciScintilla::SCI_GETCURRENTPOS);
    const long start = qMin(anchor, caret);
    const long end = qMax(anchor, caret);
    const long firstLine = LineOf(FEditor, start);
    const long endLine = LineOf(FEditor, end);
    auto lineStart = [this](long Line) { return LineStart(FEditor, Line); };
    if (FEditor->isReadOnly() || start != lineStart(firstLine) || end != lineStart(endLine)) {
        Prompts().Beep();
        return;
    }
    const long lastLine = endLine == firstLine ? firstLine : endLine - 1;
    bool allCommented = true;
    for (long line = firstLine; line <= lastLine && allCommented; ++line) {
        const long position = lineStart(line);
        allCommented = Send(FEditor, QsciScintilla::SCI_GETCHARAT, static_cast<unsigned long>(position)) == '/' &&
                       Send(FEditor, QsciScintilla::SCI_GETCHARAT, static_cast<unsigned long>(position + 1)) == '/';
    }
    Send(FEditor, QsciScintilla::SCI_BEGINUNDOACTION);
    for (long line = firstLine; line <= lastLine; ++line) {
        const long position = lineStart(line);
        if (allCommented) Send(FEditor, QsciScintilla::SCI_DELETERANGE, static_cast<unsigned long>(position), 2);
        else FEditor->SendScintilla(QsciScintilla::SCI_INSERTTEXT, static_cast<unsigned long>(position), "//");
    }
    Send(FEditor, QsciScintilla::SCI_ENDUNDOACTION);
    // The selection covers the same lines as before, so the toggle can repeat.
    const long newStart = lineStart(firstLine);
    const long newEnd = lineStart(endLine);
    if (anchor <= caret) Send(FEditor, QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(newStart), newEnd);
    else Send(FEditor, QsciScintilla::SCI_SETSEL, static_cast<unsigned long>(newEnd), newStart);
}

void TFrameBaseEditor::IndentSelectedLines(bool Indent) {
    if (FEditor->isReadOnly() || !FEditor->hasSelectedText()) return;
    int lineFrom, indexFrom, lineTo, indexTo;
    FEditor->getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
    if (lineTo > lineFrom && indexTo == 0) --lineTo;
    FEditor->beginUndoAction();
    for (int line = lineFrom; line <= lineTo; ++line) {
        if (Indent) FEditor->indent(line);
        else FEditor->unindent(line);
    }
    FEditor->endUndoAction();
}

}  // namespace vantrel
