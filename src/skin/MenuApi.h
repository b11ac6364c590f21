#pragma once

#include "skin/WinDefs.h"

#include <QList>

class QAction;
class QMenu;

namespace velmora::skin {

// Menus as the skin sees them, over Qt's menus: a window's menu is its
// QMenuBar, a popup is a QMenu, an item is a visible QAction (hidden actions
// are not part of the menu). Every item gets a command identifier; an item
// that opens a submenu reports -1 as its identifier. Items can be marked
// owner-drawn: their menu then asks its owner window to measure and draw
// them (wm::MeasureItem, wm::DrawItem).
class MenuApi {
public:
    // The menu bar a window shows, without creating one.
    static HMENU discoverWindowMenu(QWidget *window);

    static QList<QAction *> items(HMENU menu);
    static int itemCount(HMENU menu);
    static QAction *itemAt(HMENU menu, int position);
    static int positionOf(const QWidget *menu, const QAction *action);
    // -1 for an item that opens a submenu, 0 for a separator.
    static qint32 itemId(HMENU menu, int position);
    static HMENU subMenu(HMENU menu, int position);
    static UINT commandId(QAction *action);
    static QAction *actionByCommand(UINT id);
    // The item's text with its shortcut after a tab.
    static QString itemText(const QAction *action);

    // Item information by position or by command identifier (miim masks apply when setting).
    static bool getItemInfo(HMENU menu, UINT item, bool byPosition, MenuItemInfo &info);
    static bool setItemInfo(HMENU menu, UINT item, bool byPosition, const MenuItemInfo &info);
    static bool isOwnerDrawn(const QAction *action);
    static bool hasOwnerDrawnItems(const QMenu *menu);

    // Shows a popup at (x, y) for an owner window and returns when it closes;
    // true if an item was chosen. A popup that does not fit below y opens
    // above the excluded rectangle.
    static bool trackPopupMenu(HMENU popup, UINT flags, int x, int y, HWND owner, const WinRect *exclude);
    // The window that tracks a popup (0 when it is not tracked).
    static HWND popupOwner(const QMenu *menu);
    static void setPopupOwner(QMenu *menu, HWND owner);
    // Chooses or highlights an item of an open popup, as the keyboard would.
    static void executeItem(QMenu *menu, int position);
    static void selectItem(QMenu *menu, int position);

private:
    static QAction *findItem(HMENU menu, UINT item, bool byPosition);
    static void refreshOwnerDraw(QMenu *menu);
};

} // namespace velmora::skin
