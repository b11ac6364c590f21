#include "skin/MenuApi.h"

#include "skin/OwnerDrawMenuStyle.h"
#include "skin/PopupSession.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QVariant>

#include <algorithm>

namespace velmora::skin {

namespace {

constexpr const char *CommandProperty = "skinCommandId";
constexpr const char *OwnerDrawProperty = "skinOwnerDraw";
constexpr const char *ItemDataProperty = "skinItemData";
constexpr const char *OwnerProperty = "skinPopupOwner";

QHash<UINT, QPointer<QAction>> &commands()
{
    static QHash<UINT, QPointer<QAction>> byId;
    return byId;
}

UINT nextCommand = 100;

} // namespace

HMENU MenuApi::discoverWindowMenu(QWidget *window)
{
    if (!window)
        return nullptr;
    if (auto *mw = qobject_cast<QMainWindow *>(window))
        return qobject_cast<QMenuBar *>(mw->menuWidget());
    if (window->layout())
        if (auto *bar = qobject_cast<QMenuBar *>(window->layout()->menuBar()))
            return bar;
    return window->findChild<QMenuBar *>(QString(), Qt::FindDirectChildrenOnly);
}

QList<QAction *> MenuApi::items(HMENU menu)
{
    QList<QAction *> visible;
    if (!menu)
        return visible;
    const QList<QAction *> all = menu->actions();
    for (QAction *a : all)
        if (a->isVisible())
            visible.append(a);
    return visible;
}

int MenuApi::itemCount(HMENU menu) { return int(items(menu).size()); }

QAction *MenuApi::itemAt(HMENU menu, int position)
{
    const QList<QAction *> list = items(menu);
    return position >= 0 && position < list.size() ? list[position] : nullptr;
}

int MenuApi::positionOf(const QWidget *menu, const QAction *action)
{
    return int(items(const_cast<QWidget *>(menu)).indexOf(const_cast<QAction *>(action)));
}

qint32 MenuApi::itemId(HMENU menu, int position)
{
    QAction *a = itemAt(menu, position);
    if (!a)
        return -1;
    if (a->menu())
        return -1;
    return qint32(commandId(a));
}

HMENU MenuApi::subMenu(HMENU menu, int position)
{
    QAction *a = itemAt(menu, position);
    return a ? a->menu() : nullptr;
}

UINT MenuApi::commandId(QAction *action)
{
    if (!action || action->isSeparator())
        return 0;
    const QVariant v = action->property(CommandProperty);
    if (v.isValid())
        return v.toUInt();
    const UINT id = nextCommand++;
    action->setProperty(CommandProperty, id);
    commands().insert(id, action);
    return id;
}

QAction *MenuApi::actionByCommand(UINT id) { return commands().value(id); }

QString MenuApi::itemText(const QAction *action)
{
    QString text = action->text();
    if (!text.contains(u'\t') && !action->shortcut().isEmpty())
        text += u'\t' + action->shortcut().toString(QKeySequence::NativeText);
    return text;
}

QAction *MenuApi::findItem(HMENU menu, UINT item, bool byPosition)
{
    if (byPosition)
        return itemAt(menu, int(item));
    QAction *a = actionByCommand(item);
    return a && (!menu || menu->actions().contains(a)) ? a : nullptr;
}

bool MenuApi::getItemInfo(HMENU menu, UINT item, bool byPosition, MenuItemInfo &info)
{
    QAction *a = findItem(menu, item, byPosition);
    if (!a)
        return false;
    info.fType = a->isSeparator() ? mft::Separator : mft::String;
    if (isOwnerDrawn(a))
        info.fType |= mft::OwnerDraw;
    if (a->actionGroup() && a->actionGroup()->isExclusive())
        info.fType |= mft::RadioCheck;
    info.fState = 0;
    if (!a->isEnabled())
        info.fState |= mfs::Grayed;
    if (a->isChecked())
        info.fState |= mfs::Checked;
    info.wID = commandId(a);
    info.hSubMenu = a->menu();
    info.hbmpChecked = 0;
    info.hbmpUnchecked = 0;
    info.dwItemData = quintptr(a->property(ItemDataProperty).toULongLong());
    info.dwTypeData = a->isSeparator() ? QString() : itemText(a);
    return true;
}

bool MenuApi::setItemInfo(HMENU menu, UINT item, bool byPosition, const MenuItemInfo &info)
{
    QAction *a = findItem(menu, item, byPosition);
    if (!a)
        return false;
    if (info.fMask & miim::State) {
        a->setEnabled(!(info.fState & mfs::Grayed));
        if (a->isCheckable())
            a->setChecked(info.fState & mfs::Checked);
    }
    if (info.fMask & miim::Data)
        a->setProperty(ItemDataProperty, qulonglong(info.dwItemData));
    if ((info.fMask & miim::Type) && isOwnerDrawn(a) != bool(info.fType & mft::OwnerDraw)) {
        a->setProperty(OwnerDrawProperty, bool(info.fType & mft::OwnerDraw));
        const QList<QObject *> owners = a->associatedObjects();
        for (QObject *o : owners)
            if (auto *m = qobject_cast<QMenu *>(o))
                refreshOwnerDraw(m);
    }
    return true;
}

bool MenuApi::isOwnerDrawn(const QAction *action) { return action && action->property(OwnerDrawProperty).toBool(); }

bool MenuApi::hasOwnerDrawnItems(const QMenu *menu)
{
    const QList<QAction *> all = menu->actions();
    return std::any_of(all.begin(), all.end(), [](const QAction *a) { return isOwnerDrawn(a); });
}

void MenuApi::refreshOwnerDraw(QMenu *menu)
{
    auto *current = qobject_cast<OwnerDrawMenuStyle *>(menu->style());
    const bool wanted = hasOwnerDrawnItems(menu);
    if (wanted && !current) {
        auto *style = new OwnerDrawMenuStyle;
        style->setParent(menu);
        menu->setStyle(style);
    } else if (!wanted && current) {
        menu->setStyle(nullptr);
        current->deleteLater();
    }
}

bool MenuApi::trackPopupMenu(HMENU popup, UINT flags, int x, int y, HWND owner, const WinRect *exclude)
{
    Q_UNUSED(flags);
    auto *menu = qobject_cast<QMenu *>(popup);
    if (!menu)
        return false;
    PopupSession session(menu, owner);
    return session.exec(QPoint(x, y), exclude);
}

HWND MenuApi::popupOwner(const QMenu *menu) { return menu ? HWND(menu->property(OwnerProperty).toULongLong()) : 0; }

void MenuApi::setPopupOwner(QMenu *menu, HWND owner)
{
    menu->setProperty(OwnerProperty, owner ? QVariant(qulonglong(owner)) : QVariant());
}

void MenuApi::executeItem(QMenu *menu, int position)
{
    QAction *a = itemAt(menu, position);
    if (!a || !a->isEnabled() || a->isSeparator())
        return;
    menu->setActiveAction(a);
    if (a->menu())
        return; // highlighting an item with a submenu opens it
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(menu, &press);
}

void MenuApi::selectItem(QMenu *menu, int position)
{
    if (QAction *a = itemAt(menu, position))
        menu->setActiveAction(a);
}

} // namespace velmora::skin
