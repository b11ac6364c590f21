#pragma once

#include <QPoint>
#include <Qt>

class QEvent;

namespace velmora::skin {

// What the skin knows of the mouse and keyboard: the cursor position, whether
// the left button is down and the modifiers of the key being handled. It
// follows every mouse and key event the application sees, so it agrees with
// the events that reach the windows (also with synthetic ones in tests).
class SystemInput {
public:
    static QPoint cursorPos();
    static void setCursorPos(const QPoint &pos);
    // Moves the cursor by a relative amount, as synthetic mouse input does.
    static void moveCursorBy(int dx, int dy);
    static bool isLeftButtonDown();
    static Qt::KeyboardModifiers modifiers();
    // Whether a virtual key (vk::Control, vk::Menu, vk::Shift, vk::LButton) is held.
    static bool isKeyDown(int virtualKey);

    // Called by the application-wide event filter for each event.
    static void observe(const QEvent *event);

private:
    static bool followsRealCursor();
};

} // namespace velmora::skin
