#pragma once

#include "skin/WinDefs.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

class QAction;
class QMenu;

namespace velmora::skin {

// One tracking of a popup menu for an owner window, from opening to close.
// It tells the owner what a window hears while its popup is open: the menu
// loop starting and ending, the popup and its submenus about to open, and
// which item is selected; the popup's items reach their commands as usual.
class PopupSession : public QObject {
public:
    PopupSession(QMenu *popup, HWND owner);
    ~PopupSession() override;

    // Opens the popup at a screen point and returns when it closes; true if an item was chosen.
    bool exec(const QPoint &at, const WinRect *exclude);

private:
    void follow(QMenu *menu);
    void selected(QMenu *menu, QAction *action);

    QPointer<QMenu> m_popup;
    HWND m_owner = 0;
    QList<QPointer<QMenu>> m_menus;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace velmora::skin
