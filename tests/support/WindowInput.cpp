#include "support/WindowInput.h"

#include <QAction>
#include <QApplication>
#include <QInputMethodEvent>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionToolButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <QWindow>

namespace velmora::test::input {

bool showActive(QWidget *window)
{
    window = window->window();
    if (!window->isVisible())
        window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return false;
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return false;
    // The window system's focus window and the widgets' active window are
    // two records; keys go to the focus widget of the latter.
    return QTest::qWaitFor([window] { return window->isActiveWindow(); }, 2000);
}

QWindow *windowOf(QWidget *widget)
{
    QWidget *top = widget->window();
    if (!top->isVisible() || !top->isActiveWindow())
        showActive(top);
    else if (!QTest::qWaitForWindowExposed(top))
        qWarning("window not exposed");
    return top->windowHandle();
}

QPoint inWindow(QWidget *widget, QPoint local)
{
    if (local == QPoint(-1, -1))
        local = widget->rect().center();
    return widget->mapTo(widget->window(), local);
}

void click(QWidget *widget, QPoint local, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    QWindow *window = windowOf(widget);
    const QPoint at = inWindow(widget, local);
    QTest::mouseMove(window, at);
    QTest::mouseClick(window, button, modifiers, at);
}

void doubleClick(QWidget *widget, QPoint local)
{
    QWindow *window = windowOf(widget);
    const QPoint at = inWindow(widget, local);
    QTest::mouseMove(window, at);
    // Two clicks in quick succession; the window system makes the second
    // press a double-click.
    QTest::mouseDClick(window, Qt::LeftButton, {}, at);
}

void drag(QWidget *widget, QPoint from, QPoint to)
{
    QWindow *window = windowOf(widget);
    const QPoint start = inWindow(widget, from);
    const QPoint end = widget->mapTo(widget->window(), to);
    QTest::mouseMove(window, start);
    QTest::mousePress(window, Qt::LeftButton, {}, start);
    QTest::mouseMove(window, (start + end) / 2);
    QTest::mouseMove(window, end);
    QTest::mouseRelease(window, Qt::LeftButton, {}, end);
}

void key(QWidget *anyInWindow, Qt::Key code, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(windowOf(anyInWindow), code, modifiers);
}

void keys(QWidget *anyInWindow, const QString &text)
{
    QWindow *window = windowOf(anyInWindow);
    for (const QChar ch : text) {
        Qt::Key code = Qt::Key_unknown;
        if (ch.unicode() < 0x80) {
            const QChar upper = ch.toUpper();
            code = Qt::Key(upper.unicode());
        }
        QTest::sendKeyEvent(QTest::Click, window, code, QString(ch), Qt::NoModifier);
    }
}

void commit(const QString &text)
{
    QObject *focus = QGuiApplication::focusObject();
    if (!focus)
        return;
    // An input method first shows the text being composed, then commits it.
    QInputMethodEvent preedit(text, {});
    QCoreApplication::sendEvent(focus, &preedit);
    QInputMethodEvent committed;
    committed.setCommitString(text);
    QCoreApplication::sendEvent(focus, &committed);
}

void typeInto(QWidget *widget, const QString &text)
{
    click(widget);
    type(widget, text);
}

void type(QWidget *widget, const QString &text)
{
    QString ascii;
    auto flush = [&] {
        if (!ascii.isEmpty())
            keys(widget, ascii);
        ascii.clear();
    };
    QString other;
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80) {
            if (!other.isEmpty()) {
                commit(other);
                other.clear();
            }
            ascii += ch;
        } else {
            flush();
            other += ch;
        }
    }
    flush();
    if (!other.isEmpty())
        commit(other);
}

void clickMenuEntry(QMenu *menu, QAction *action)
{
    QWindow *window = menu->windowHandle();
    if (!window)
        return;
    const QPoint at = menu->actionGeometry(action).center();
    QTest::mouseMove(window, at);
    QTest::mouseClick(window, Qt::LeftButton, {}, at);
}

bool chooseFromPopup(const std::function<void()> &open, const QString &entry)
{
    bool chosen = false;
    // The popup runs its own loop once open; the entry is clicked from there.
    QTimer *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [&chosen, entry, poll] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible())
            return;
        poll->stop();
        if (!QTest::qWaitForWindowExposed(menu))
            return;
        for (QAction *a : menu->actions()) {
            if (a->objectName() == entry || a->text() == entry) {
                clickMenuEntry(menu, a);
                chosen = true;
                break;
            }
        }
        if (!chosen)
            menu->close();
    });
    poll->start();
    open();
    const bool done = QTest::qWaitFor([&] { return chosen || !poll->isActive(); }, 5000);
    Q_UNUSED(done);
    delete poll;
    return chosen;
}

bool chooseFromButtonMenu(QToolButton *button, const QString &entry)
{
    // The arrow part of the button opens the menu.
    QStyleOptionToolButton option;
    option.initFrom(button);
    option.features = QStyleOptionToolButton::MenuButtonPopup;
    option.subControls = QStyle::SC_ToolButton | QStyle::SC_ToolButtonMenu;
    const QRect arrow =
        button->style()->subControlRect(QStyle::CC_ToolButton, &option, QStyle::SC_ToolButtonMenu, button);
    return chooseFromPopup(
        [&] { click(button, arrow.isValid() ? arrow.center() : QPoint(button->width() - 4, button->height() / 2)); },
        entry);
}

} // namespace velmora::test::input
