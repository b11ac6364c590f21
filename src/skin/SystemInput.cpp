#include "skin/SystemInput.h"

#include "skin/WinDefs.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace velmora::skin {

namespace {
QPoint trackedPos;
bool havePos = false;
bool leftDown = false;
Qt::KeyboardModifiers keyModifiers;
} // namespace

bool SystemInput::followsRealCursor()
{
    // On a real display the cursor can leave all of the program's windows;
    // the window system then knows where it is. Headless, only events tell.
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

QPoint SystemInput::cursorPos()
{
    if (followsRealCursor() || !havePos)
        return QCursor::pos();
    return trackedPos;
}

void SystemInput::setCursorPos(const QPoint &pos)
{
    trackedPos = pos;
    havePos = true;
    QCursor::setPos(pos);
}

void SystemInput::moveCursorBy(int dx, int dy) { setCursorPos(cursorPos() + QPoint(dx, dy)); }

bool SystemInput::isLeftButtonDown() { return leftDown; }

Qt::KeyboardModifiers SystemInput::modifiers() { return keyModifiers; }

bool SystemInput::isKeyDown(int virtualKey)
{
    switch (virtualKey) {
    case vk::LButton:
        return leftDown;
    case vk::Control:
        return keyModifiers.testFlag(Qt::ControlModifier);
    case vk::Shift:
        return keyModifiers.testFlag(Qt::ShiftModifier);
    case vk::Menu:
        return keyModifiers.testFlag(Qt::AltModifier);
    default:
        return false;
    }
}

void SystemInput::observe(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        const auto *me = static_cast<const QMouseEvent *>(event);
        trackedPos = me->globalPosition().toPoint();
        havePos = true;
        // Button state changes only with presses and releases: moves that the
        // platform synthesises for a warped cursor may not carry the buttons.
        if (me->button() == Qt::LeftButton) {
            if (event->type() == QEvent::MouseButtonRelease)
                leftDown = false;
            else if (event->type() != QEvent::MouseMove)
                leftDown = true;
        }
        break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
        keyModifiers = static_cast<const QKeyEvent *>(event)->modifiers();
        break;
    default:
        break;
    }
}

} // namespace velmora::skin
