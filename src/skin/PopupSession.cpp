#include "skin/PopupSession.h"

#include "skin/MenuApi.h"
#include "skin/WindowSystem.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

namespace velmora::skin {

PopupSession::PopupSession(QMenu *popup, HWND owner) : m_popup(popup), m_owner(owner) { follow(popup); }

PopupSession::~PopupSession()
{
    for (const auto &c : std::as_const(m_connections))
        disconnect(c);
    for (const auto &m : std::as_const(m_menus))
        if (m)
            MenuApi::setPopupOwner(m, 0);
}

void PopupSession::follow(QMenu *menu)
{
    if (!menu || m_menus.contains(menu))
        return;
    m_menus.append(menu);
    MenuApi::setPopupOwner(menu, m_owner);
    m_connections.append(connect(menu, &QMenu::hovered, this, [this, menu](QAction *a) { selected(menu, a); }));
    const QList<QAction *> items = menu->actions();
    for (QAction *a : items) {
        QMenu *sub = a->menu();
        if (!sub)
            continue;
        m_connections.append(connect(sub, &QMenu::aboutToShow, this, [this, menu, a, sub] {
            const int position = MenuApi::positionOf(menu, a);
            WindowSystem::sendMessage(m_owner, wm::InitMenuPopup, WPARAM(sub), makeLParam(position, 0));
        }));
        // When a submenu closes, the selection is back on its item in the parent.
        m_connections.append(connect(sub, &QMenu::aboutToHide, this, [this, menu] {
            if (menu->isVisible() && menu->activeAction())
                selected(menu, menu->activeAction());
        }));
        follow(sub);
    }
}

void PopupSession::selected(QMenu *menu, QAction *action)
{
    // A menu also repeats the selections made in its submenus; only the menu
    // that holds the item reports it.
    if (!action || !menu->actions().contains(action))
        return;
    UINT flags = mf::Hilite;
    int item = 0;
    if (action->menu()) {
        flags |= mf::Popup;
        item = MenuApi::positionOf(menu, action);
    } else {
        item = int(MenuApi::commandId(action) & 0xFFFF);
    }
    if (!action->isEnabled())
        flags |= mf::Grayed | mf::Disabled;
    if (action->isChecked())
        flags |= mf::Checked;
    if (action->isSeparator())
        flags |= mf::Separator;
    if (MenuApi::isOwnerDrawn(action))
        flags |= mf::OwnerDraw;
    WindowSystem::sendMessage(m_owner, wm::MenuSelect, WPARAM(makeLParam(item, int(flags))), LPARAM(menu));
}

bool PopupSession::exec(const QPoint &at, const WinRect *exclude)
{
    if (!m_popup)
        return false;
    WindowSystem::sendMessage(m_owner, wm::EnterMenuLoop, 1, 0);
    WindowSystem::sendMessage(m_owner, wm::InitMenu, WPARAM(m_popup.data()), 0);
    WindowSystem::sendMessage(m_owner, wm::InitMenuPopup, WPARAM(m_popup.data()), makeLParam(0, 0));
    QPoint pos = at;
    if (m_popup) {
        const QSize size = m_popup->sizeHint();
        const QScreen *screen = QGuiApplication::screenAt(at);
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen && exclude && pos.y() + size.height() > screen->availableGeometry().bottom() + 1)
            pos.setY(exclude->top - size.height());
    }
    QAction *chosen = m_popup ? m_popup->exec(pos) : nullptr;
    // The selection ends with the menu.
    WindowSystem::sendMessage(m_owner, wm::MenuSelect, WPARAM(makeLParam(0, 0xFFFF)), 0);
    WindowSystem::sendMessage(m_owner, wm::ExitMenuLoop, 1, 0);
    return chosen != nullptr;
}

} // namespace velmora::skin
