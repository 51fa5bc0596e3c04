// The base of the main window and the search dialogs: a form keeps its window
// state, position, size and "stay on top" in the settings file, in the
// section named after the form (its object name), read when it is shown and
// written when it is hidden.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSettings>
#include <QSize>
#include <QString>
#include <QWidget>

#include "AppSettings.h"

namespace vantrel {

// Applies the geometry stored under Section to Form, which is not yet shown.
// "WindowState" 2 maximises; otherwise "Width" and "Height" give the size
// (DefaultSize when either is missing or 0) and "Top" and "Left" the position
// when both are stored and the window would appear on a screen. The window is
// fitted to the screen it opens on.
void RestoreFormGeometry(QWidget& Form, QSettings& Settings, const QString& Section, QSize DefaultSize);
// A window of client Size whose frame's top left is at Position (when given)
// made to fit Available, with room for the frame: smaller where it is larger,
// moved where it reaches over an edge.
void FitToScreen(QSize& Size, QPoint* Position, const QRect& Available);
// Writes all six keys for Form under Section.
void StoreFormGeometry(const QWidget& Form, QSettings& Settings, const QString& Section);
// Half the width and height of the screen Form is on (or the primary screen).
QSize HalfScreenSize(const QWidget& Form);

template <typename TWidget>
class TFormBase : public TWidget {
public:
    using TWidget::TWidget;

    void setVisible(bool Visible) override {
        if (Visible && !this->isVisible())
            RestoreFormGeometry(*this, Settings(), this->objectName(), DefaultFormSize());
        else if (!Visible && this->isVisible())
            StoreFormGeometry(*this, Settings(), this->objectName());
        TWidget::setVisible(Visible);
    }

protected:
    // The size of a form the settings file knows nothing about.
    virtual QSize DefaultFormSize() const { return HalfScreenSize(*this); }
};

}  // namespace vantrel
