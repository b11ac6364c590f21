#include "skin/SystemMenu.h"

#include "skin/WindowSystem.h"

#include <QAction>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QStyleHints>
#include <QWidget>

namespace velmora::skin {

namespace {

struct Entry {
    UINT command;
    const char *text;
    const char *name;
};

constexpr Entry Entries[] = {
    {sc::Restore, "还原", "sysRestore"},   {sc::Move, "移动", "sysMove"},
    {sc::Size, "大小", "sysSize"},         {sc::Minimize, "最小化", "sysMinimize"},
    {sc::Maximize, "最大化", "sysMaximize"}, {sc::Close, "关闭", "sysClose"},
};

// Watches the presses that close the open menu: one on the icon does not
// reach the window again (it would reopen the menu), and one soon after the
// opening press counts as a double click on the icon.
class IconPresses : public QObject {
public:
    IconPresses(QMenu *menu, const QRect &icon) : m_menu(menu), m_icon(icon) { m_since.start(); }
    bool doubleClicked = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_menu
            && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
            const auto *me = static_cast<QMouseEvent *>(event);
            const QPoint global = me->globalPosition().toPoint();
            if (me->button() == Qt::LeftButton && !m_menu->rect().contains(me->position().toPoint())
                && m_icon.contains(global)) {
                m_menu->setAttribute(Qt::WA_NoMouseReplay);
                // Timed from the opening press: the second press of a double
                // click may or may not come as a double-click event.
                if (m_since.elapsed() <= QGuiApplication::styleHints()->mouseDoubleClickInterval())
                    doubleClicked = true;
            }
        }
        return false;
    }

private:
    QMenu *m_menu;
    QRect m_icon;
    QElapsedTimer m_since;
};

} // namespace

bool SystemMenu::isEnabled(HWND hwnd, UINT command)
{
    const quint32 style = WindowSystem::style(hwnd);
    const bool zoomed = style & ws::Maximize;
    const bool iconic = style & ws::Minimize;
    switch (command) {
    case sc::Restore:
        return zoomed || iconic;
    case sc::Move:
        return !zoomed && !iconic;
    case sc::Size:
        return !zoomed && !iconic && (style & ws::ThickFrame);
    case sc::Minimize:
        return !iconic && (style & ws::MinimizeBox);
    case sc::Maximize:
        return !zoomed && (style & ws::MaximizeBox);
    case sc::Close:
        return true;
    default:
        return false;
    }
}

SystemMenu::Result SystemMenu::track(HWND hwnd, const QPoint &at, const QRect &iconOnScreen)
{
    QWidget *form = WindowSystem::widgetOf(hwnd);
    if (!form)
        return Dismissed;
    QPointer<QMenu> menu = new QMenu(form);
    menu->setObjectName(QStringLiteral("systemMenu"));
    UINT chosen = 0;
    for (const Entry &e : Entries) {
        if (e.command == sc::Close)
            menu->addSeparator();
        QAction *a = menu->addAction(QString::fromUtf8(e.text));
        a->setObjectName(QString::fromLatin1(e.name));
        a->setEnabled(isEnabled(hwnd, e.command));
        if (e.command == sc::Close) {
            // The default entry, as a double click on the icon does it.
            QFont bold = a->font();
            bold.setBold(true);
            a->setFont(bold);
        }
        const UINT command = e.command;
        QObject::connect(a, &QAction::triggered, menu, [&chosen, command] { chosen = command; });
    }
    IconPresses presses(menu, iconOnScreen);
    menu->installEventFilter(&presses);
    menu->exec(at);
    const bool doubleClicked = presses.doubleClicked;
    if (menu) {
        menu->removeEventFilter(&presses);
        menu->deleteLater();
    }
    if (!WindowSystem::isWindow(hwnd))
        return Dismissed;
    if (doubleClicked) {
        WindowSystem::postMessage(hwnd, wm::SysCommand, sc::Close, 0);
        return IconDoubleClicked;
    }
    if (chosen) {
        WindowSystem::postMessage(hwnd, wm::SysCommand, chosen, 0);
        return Chosen;
    }
    return Dismissed;
}

} // namespace velmora::skin
