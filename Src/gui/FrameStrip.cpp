#include "FrameStrip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "AppSettings.h"
#include "OutcomeView.h"

namespace vantrel {

namespace {

const QString kUnfoldedKey = QStringLiteral("View/FrameUnfolded");
constexpr int kUnfoldedLines = 7;  // the height of the unfolded text, in lines

}  // namespace

TFrameStrip::TFrameStrip(QWidget* Parent)
    : QWidget(Parent), FFold(new QToolButton(this)), FSummary(new QLabel(this)), FText(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("FrameStrip"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    FFold->setObjectName(QStringLiteral("FrameFold"));
    FFold->setText(QStringLiteral("Frame"));
    FFold->setToolTip(QStringLiteral("The frame or header the translation was read from, as vantrel-cli --frame shows it"));
    FFold->setCheckable(true);
    FFold->setAutoRaise(true);
    FFold->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    FSummary->setObjectName(QStringLiteral("FrameSummary"));
    FSummary->setTextFormat(Qt::PlainText);
    FSummary->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    header->addWidget(FFold);
    header->addWidget(FSummary, 1);
    layout->addLayout(header);
    FText->setObjectName(QStringLiteral("FrameText"));
    FText->setReadOnly(true);
    FText->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(FText);
    ApplyScriptFont();
    connect(&TSettingsNotifier::Instance(), &TSettingsNotifier::ScriptFontChanged, this, &TFrameStrip::ApplyScriptFont);
    connect(FFold, &QToolButton::toggled, this, [this](bool On) {
        FFold->setArrowType(On ? Qt::DownArrow : Qt::RightArrow);
        FText->setVisible(On);
        FSummary->setText(On ? QString() : FSummaryText);
        Settings().setValue(kUnfoldedKey, On);
    });
    const bool unfolded = Settings().value(kUnfoldedKey, false).toBool();
    FFold->setChecked(unfolded);
    FFold->setArrowType(unfolded ? Qt::DownArrow : Qt::RightArrow);
    FText->setVisible(unfolded);
    hide();
}

void TFrameStrip::ApplyScriptFont() {
    const QFont font = ScriptFont();
    FText->setFont(font);
    FSummary->setFont(font);
    FitText();
}

// As high as the frame text, up to kUnfoldedLines lines.
void TFrameStrip::FitText() {
    const int lines = qBound(1, FText->blockCount(), kUnfoldedLines);
    FText->setFixedHeight(FText->fontMetrics().lineSpacing() * lines + FText->fontMetrics().lineSpacing() / 2 + 2 * FText->frameWidth() +
                          2 * static_cast<int>(FText->document()->documentMargin()));
}

void TFrameStrip::ShowDescription(const std::vector<std::string>& Lines) {
    if (Lines.empty()) {
        hide();
        FText->clear();
        FSummaryText.clear();
        FSummary->clear();
        return;
    }
    FSummaryText = FrameSummary(Lines);
    FSummary->setText(IsUnfolded() ? QString() : FSummaryText);
    FSummary->setToolTip(FSummaryText);
    FText->setPlainText(FrameDescriptionText(Lines));
    FitText();
    show();
}

void TFrameStrip::SetUnfolded(bool Unfolded) { FFold->setChecked(Unfolded); }
bool TFrameStrip::IsUnfolded() const { return FFold->isChecked(); }
QString TFrameStrip::DescriptionText() const { return FText->toPlainText(); }
QString TFrameStrip::SummaryText() const { return FSummaryText; }

}  // namespace vantrel
