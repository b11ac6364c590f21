#include "skin/OwnerDrawMenuStyle.h"

#include "skin/DeviceContext.h"
#include "skin/MenuApi.h"
#include "skin/WindowSystem.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionMenuItem>

namespace velmora::skin {

QAction *OwnerDrawMenuStyle::itemAt(const QMenu *menu, const QStyleOption *option)
{
    // When drawing, the option's rectangle is the item's own.
    return menu->actionAt(option->rect.center());
}

QAction *OwnerDrawMenuStyle::itemNamed(const QMenu *menu, const QStyleOption *option)
{
    // While the menu measures its items, the option names an item only by
    // its kind and text (its rectangle is the whole menu's).
    const auto *mi = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    if (!mi)
        return nullptr;
    const bool separator = mi->menuItemType == QStyleOptionMenuItem::Separator;
    const QString caption = mi->text.section(u'\t', 0, 0);
    QAction *fallback = nullptr;
    const QList<QAction *> items = MenuApi::items(const_cast<QMenu *>(menu));
    for (QAction *a : items) {
        if (a->isSeparator() != separator || !MenuApi::isOwnerDrawn(a))
            continue;
        if (!fallback)
            fallback = a;
        if (separator || a->text().section(u'\t', 0, 0) == caption)
            return a;
    }
    return fallback;
}

int OwnerDrawMenuStyle::shortcutColumn(const QMenu *menu)
{
    const QFontMetrics fm = menu->fontMetrics();
    int width = 0;
    const QList<QAction *> actions = menu->actions();
    for (const QAction *a : actions) {
        if (!a->isVisible() || a->isSeparator())
            continue;
        const QString text = a->text();
        if (const qsizetype tab = text.indexOf(u'\t'); tab >= 0)
            width = std::max(width, fm.horizontalAdvance(text.mid(tab + 1)));
        else if (a->isShortcutVisibleInContextMenu() && !a->shortcut().isEmpty())
            width = std::max(width, fm.horizontalAdvance(a->shortcut().toString(QKeySequence::NativeText)));
    }
    return width;
}

void OwnerDrawMenuStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                                     const QWidget *widget) const
{
    const auto *menu = qobject_cast<const QMenu *>(widget);
    const HWND owner = MenuApi::popupOwner(menu);
    QAction *item = element == CE_MenuItem && owner ? itemAt(menu, option) : nullptr;
    if (!item || !MenuApi::isOwnerDrawn(item)) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    DeviceContext dc(painter);
    dc.selectFont(menu->font());
    DrawItemStruct dis;
    dis.CtlType = odt::Menu;
    dis.itemID = MenuApi::commandId(item);
    dis.itemAction = 1; // draw the entire item
    if (option->state & State_Selected)
        dis.itemState |= ods::Selected;
    if (!(option->state & State_Enabled))
        dis.itemState |= ods::Grayed | ods::Disabled;
    if (item->isChecked())
        dis.itemState |= ods::Checked;
    dis.hwndItem = const_cast<QMenu *>(menu);
    dis.hDC = &dc;
    const QRect r = option->rect;
    dis.rcItem = {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    MenuItemInfo info;
    MenuApi::getItemInfo(dis.hwndItem, UINT(MenuApi::positionOf(dis.hwndItem, item)), true, info);
    dis.itemData = info.dwItemData;
    WindowSystem::sendMessage(owner, wm::DrawItem, 0, LPARAM(&dis));
    if (item->menu()) {
        // The system adds the submenu arrow to an owner-drawn item.
        QStyleOption arrow(*option);
        const int side = std::min(r.height(), 12);
        arrow.rect = QRect(r.right() - side - 4, r.top() + (r.height() - side) / 2, side, side);
        arrow.palette.setColor(QPalette::ButtonText, DeviceContext::toColor(dc.textColor()));
        QProxyStyle::drawPrimitive(PE_IndicatorArrowRight, &arrow, painter, widget);
    }
}

QSize OwnerDrawMenuStyle::sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                                           const QWidget *widget) const
{
    const auto *menu = qobject_cast<const QMenu *>(widget);
    const HWND owner = MenuApi::popupOwner(menu);
    QAction *item = type == CT_MenuItem && owner ? itemNamed(menu, option) : nullptr;
    if (!item || !MenuApi::isOwnerDrawn(item))
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    MeasureItemStruct mis;
    mis.CtlType = odt::Menu;
    mis.itemID = MenuApi::commandId(item);
    MenuItemInfo info;
    MenuApi::getItemInfo(const_cast<QMenu *>(menu), UINT(MenuApi::positionOf(menu, item)), true, info);
    mis.itemData = info.dwItemData;
    WindowSystem::sendMessage(owner, wm::MeasureItem, 0, LPARAM(&mis));
    // The menu widens every item by its shortcut column afterwards; the
    // measured width already holds the shortcuts.
    const int width = int(mis.itemWidth) - shortcutColumn(menu);
    return QSize(std::max(1, width), std::max(1, int(mis.itemHeight)));
}

} // namespace velmora::skin
