// The strip under the panes that describes the HDLC frame (or WRAPPER or LLC
// header) the last translation read, as "vantrel-cli --frame" prints it.
// Folded it shows the frame text in one line; unfolded all of it. It is
// hidden after a translation that read no frame; whether it is unfolded is
// kept in the settings.
#pragma once

#include <QWidget>

#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QToolButton;

namespace vantrel {

class TFrameStrip final : public QWidget {
    Q_OBJECT
public:
    explicit TFrameStrip(QWidget* Parent = nullptr);

    // Shows Lines, the frame text of the last translation; hides the strip
    // when there are none.
    void ShowDescription(const std::vector<std::string>& Lines);
    void SetUnfolded(bool Unfolded);
    bool IsUnfolded() const;
    // The text shown unfolded and the line shown folded.
    QString DescriptionText() const;
    QString SummaryText() const;
    QToolButton* FoldButton() const { return FFold; }

private:
    void ApplyScriptFont();
    void FitText();

    QToolButton* FFold;
    QLabel* FSummary;
    QString FSummaryText;
    QPlainTextEdit* FText;
};

}  // namespace vantrel
