#include "FormBase.h"

#include <QGuiApplication>
#include <QMargins>
#include <QRect>
#include <QScreen>

namespace vantrel {

namespace {

QString Key(const QString& Section, const char* Name) { return Section + QLatin1Char('/') + QLatin1String(Name); }

int ReadInt(QSettings& Settings, const QString& Key, int Default) {
    bool ok = false;
    const int value = Settings.value(Key).toInt(&ok);
    return ok ? value : Default;
}

// Whether the title bar region of a window at Position would be on a screen.
bool OnSomeScreen(QPoint Position, QSize Size) {
    const QRect title(Position, QSize(qMax(1, Size.width()), 24));
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->geometry().intersects(title)) return true;
    return false;
}

// The room a window manager's frame takes around the client area, allowed for
// before the window is framed: the borders and the title bar.
constexpr QMargins kFrameAllowance(8, 32, 8, 8);

// The screen a window at Position (or, without one, Form) appears on.
const QScreen* ScreenFor(const QWidget& Form, const QPoint* Position) {
    if (Position)
        if (const QScreen* screen = QGuiApplication::screenAt(*Position)) return screen;
    return Form.screen() ? Form.screen() : QGuiApplication::primaryScreen();
}

}  // namespace

void FitToScreen(QSize& Size, QPoint* Position, const QRect& Available) {
    const QSize room = Available.marginsRemoved(kFrameAllowance).size();
    Size = Size.boundedTo(room).expandedTo(QSize(1, 1));
    if (!Position) return;
    // The frame's top left, as a window is moved: all of it on the screen.
    const int right = Available.right() + 1 - (Size.width() + kFrameAllowance.left() + kFrameAllowance.right());
    const int bottom = Available.bottom() + 1 - (Size.height() + kFrameAllowance.top() + kFrameAllowance.bottom());
    Position->setX(qBound(Available.left(), Position->x(), qMax(Available.left(), right)));
    Position->setY(qBound(Available.top(), Position->y(), qMax(Available.top(), bottom)));
}

QSize HalfScreenSize(const QWidget& Form) {
    const QScreen* screen = Form.screen() ? Form.screen() : QGuiApplication::primaryScreen();
    if (!screen) return {640, 480};
    return screen->geometry().size() / 2;
}

void RestoreFormGeometry(QWidget& Form, QSettings& Settings, const QString& Section, QSize DefaultSize) {
    Form.setWindowFlag(Qt::WindowStaysOnTopHint, Settings.value(Key(Section, "StayOnTop"), false).toBool());
    if (ReadInt(Settings, Key(Section, "WindowState"), 0) == 2) {
        Form.setWindowState(Qt::WindowMaximized);
        return;
    }
    const int width = ReadInt(Settings, Key(Section, "Width"), 0);
    const int height = ReadInt(Settings, Key(Section, "Height"), 0);
    QSize size = width > 0 && height > 0 ? QSize(width, height) : DefaultSize;
    QPoint position(ReadInt(Settings, Key(Section, "Left"), 0), ReadInt(Settings, Key(Section, "Top"), 0));
    const bool placed = Settings.contains(Key(Section, "Top")) && Settings.contains(Key(Section, "Left")) &&
                        OnSomeScreen(position, size);
    // A window stored on a larger screen is fitted to the one it opens on.
    if (const QScreen* screen = ScreenFor(Form, placed ? &position : nullptr))
        FitToScreen(size, placed ? &position : nullptr, screen->availableGeometry());
    Form.resize(size);
    if (placed) Form.move(position);
}

void StoreFormGeometry(const QWidget& Form, QSettings& Settings, const QString& Section) {
    const int state = Form.isMaximized() ? 2 : Form.isMinimized() ? 1 : 0;
    QRect bounds(Form.pos(), Form.size());
    if (state != 0 && Form.normalGeometry().isValid()) bounds = Form.normalGeometry();
    Settings.setValue(Key(Section, "WindowState"), state);
    Settings.setValue(Key(Section, "Top"), bounds.top());
    Settings.setValue(Key(Section, "Left"), bounds.left());
    Settings.setValue(Key(Section, "Width"), bounds.width());
    Settings.setValue(Key(Section, "Height"), bounds.height());
    Settings.setValue(Key(Section, "StayOnTop"), (Form.windowFlags() & Qt::WindowStaysOnTopHint) ? 1 : 0);
}

}  // namespace vantrel
