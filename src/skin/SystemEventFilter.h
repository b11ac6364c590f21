#pragma once

#include <QObject>

class QKeyEvent;
class QMenu;

namespace velmora::skin {

// The application-wide event filter of the skin's window layer. It keeps the
// input state current, runs the keyboard hooks before any widget sees a key,
// turns the events of an open popup menu into messages for the message
// filter hooks and the menu-character message, resets the frame cursor when
// the pointer returns to a client area, and tells every window when the
// application is activated or deactivated.
class SystemEventFilter : public QObject {
public:
    static void install();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    SystemEventFilter() = default;
    bool keyEvent(QObject *watched, QKeyEvent *event);
    bool popupEvent(QMenu *menu, QEvent *event);
    bool menuCharacter(QMenu *menu, QKeyEvent *event);
    void pointerOverWindow(QObject *watched, QEvent *event);

    // The key whose shortcut-override already went through the hooks.
    struct PendingKey {
        bool valid = false;
        int key = 0;
        int modifiers = 0;
        bool swallowed = false;
    } m_pending;
};

} // namespace velmora::skin
