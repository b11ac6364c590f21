#pragma once

// Helpers shared by the skin's tests: mouse events as the window system
// delivers them, and waiting for a window to be active.

#include "skin/SystemInput.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

namespace skintest {

// Sends a mouse event to a widget at a point in its own coordinates; the
// application-wide filter sees it first, as with a real event.
inline void mouse(QWidget *w, QEvent::Type type, const QPoint &local, Qt::MouseButton button = Qt::LeftButton)
{
    const QPoint global = w->mapToGlobal(local);
    Qt::MouseButtons buttons = velmora::skin::SystemInput::isLeftButtonDown() ? Qt::LeftButton : Qt::NoButton;
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
        buttons |= button;
    else if (type == QEvent::MouseButtonRelease)
        buttons &= ~button;
    // The platform's cursor goes there too, as it would with a real mouse.
    velmora::skin::SystemInput::setCursorPos(global);
    QMouseEvent e(type, QPointF(local), QPointF(global), type == QEvent::MouseMove ? Qt::NoButton : button, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void press(QWidget *w, const QPoint &p) { mouse(w, QEvent::MouseButtonPress, p); }
inline void release(QWidget *w, const QPoint &p) { mouse(w, QEvent::MouseButtonRelease, p); }
inline void move(QWidget *w, const QPoint &p) { mouse(w, QEvent::MouseMove, p); }

inline bool showActive(QWidget *w)
{
    w->show();
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
}

} // namespace skintest
