#include "skin/SystemEventFilter.h"

#include "skin/MenuApi.h"
#include "skin/MessageWindow.h"
#include "skin/SkinError.h"
#include "skin/SystemInput.h"
#include "skin/ThreadHooks.h"
#include "skin/WindowSystem.h"

#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace velmora::skin {

namespace {

SystemEventFilter *theFilter = nullptr;

int virtualKey(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key; // the same codes
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return vk::F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Escape:
        return vk::Escape;
    case Qt::Key_Delete:
        return vk::Delete;
    case Qt::Key_Left:
        return vk::Left;
    case Qt::Key_Up:
        return vk::Up;
    case Qt::Key_Right:
        return vk::Right;
    case Qt::Key_Down:
        return vk::Down;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vk::Return;
    case Qt::Key_Space:
        return vk::Space;
    case Qt::Key_Alt:
        return vk::Menu;
    case Qt::Key_Control:
        return vk::Control;
    case Qt::Key_Shift:
        return vk::Shift;
    default:
        return (key > 0x20 && key < 0x7F) ? QChar(key).toUpper().unicode() : 0;
    }
}

// Repeat count, context (Alt held) and transition (key going up) bits.
LPARAM keyData(const QKeyEvent *event, bool up)
{
    quint32 data = 1;
    if (event->modifiers() & Qt::AltModifier)
        data |= 1u << 29;
    if (event->isAutoRepeat())
        data |= 1u << 30;
    if (up)
        data |= 1u << 31;
    return LPARAM(qint32(data));
}

quint32 now() { return quint32(QDateTime::currentMSecsSinceEpoch()); }

} // namespace

void SystemEventFilter::install()
{
    if (theFilter || !QCoreApplication::instance())
        return;
    theFilter = new SystemEventFilter;
    theFilter->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(theFilter);
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        QObject::connect(app, &QGuiApplication::applicationStateChanged, theFilter, [](Qt::ApplicationState state) {
            const WPARAM active = state == Qt::ApplicationActive ? 1 : 0;
            for (MessageWindow *mw : MessageWindow::all())
                if (!mw->isDying())
                    mw->send(wm::ActivateApp, active, 0);
        });
    }
}

bool SystemEventFilter::eventFilter(QObject *watched, QEvent *event)
{
    SystemInput::observe(event);
    try {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (auto *menu = qobject_cast<QMenu *>(watched); menu && event->type() == QEvent::KeyPress)
                if (popupEvent(menu, event))
                    return true;
            return keyEvent(watched, static_cast<QKeyEvent *>(event));
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
            if (auto *menu = qobject_cast<QMenu *>(watched))
                return popupEvent(menu, event);
            if (event->type() == QEvent::MouseMove)
                pointerOverWindow(watched, event);
            return false;
        default:
            return false;
        }
    } catch (const SkinError &e) {
        qWarning("%s: %s", qPrintable(e.source()), qPrintable(e.description()));
        return false;
    }
}

bool SystemEventFilter::keyEvent(QObject *watched, QKeyEvent *event)
{
    if (!ThreadHooks::isInstalled(ThreadHooks::Keyboard))
        return false;
    const int vkey = virtualKey(event->key());
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // The hooks see a key before Qt looks for a shortcut; the key press
        // that follows is then only let through or swallowed. One key may
        // be offered for overriding more than once.
        if (m_pending.valid && m_pending.key == event->key() && m_pending.modifiers == int(event->modifiers())) {
            if (m_pending.swallowed)
                event->accept();
            return m_pending.swallowed;
        }
        const bool swallowed = ThreadHooks::run(ThreadHooks::Keyboard, hc::Action, WPARAM(vkey), keyData(event, false));
        m_pending = {true, event->key(), int(event->modifiers()), swallowed};
        if (swallowed)
            event->accept();
        return swallowed;
    }
    case QEvent::KeyPress: {
        if (!watched->isWidgetType())
            return false;
        if (m_pending.valid && m_pending.key == event->key() && m_pending.modifiers == int(event->modifiers())) {
            m_pending.valid = false;
            return m_pending.swallowed;
        }
        m_pending.valid = false;
        return ThreadHooks::run(ThreadHooks::Keyboard, hc::Action, WPARAM(vkey), keyData(event, false)) != 0;
    }
    case QEvent::KeyRelease:
        if (!watched->isWidgetType())
            return false;
        m_pending.valid = false;
        return ThreadHooks::run(ThreadHooks::Keyboard, hc::Action, WPARAM(vkey), keyData(event, true)) != 0;
    default:
        return false;
    }
}

bool SystemEventFilter::popupEvent(QMenu *menu, QEvent *event)
{
    if (!menu->isVisible())
        return false;
    Msg msg;
    msg.hwnd = HWND(menu->internalWinId());
    msg.time = now();
    msg.pt = SystemInput::cursorPos();
    if (event->type() == QEvent::KeyPress) {
        auto *ke = static_cast<QKeyEvent *>(event);
        msg.message = wm::KeyDown;
        msg.wParam = WPARAM(virtualKey(ke->key()));
        msg.lParam = keyData(ke, false);
    } else {
        auto *me = static_cast<QMouseEvent *>(event);
        if (event->type() == QEvent::MouseButtonPress && me->button() != Qt::LeftButton)
            return false;
        msg.message = event->type() == QEvent::MouseMove ? wm::MouseMove : wm::LButtonDown;
        msg.wParam = (me->buttons() & Qt::LeftButton) ? 1 : 0;
        msg.lParam = makeLParam(me->position().toPoint().x(), me->position().toPoint().y());
        msg.pt = me->globalPosition().toPoint();
    }
    if (ThreadHooks::isInstalled(ThreadHooks::MessageFilter)
        && ThreadHooks::run(ThreadHooks::MessageFilter, msgf::Menu, 0, LPARAM(&msg)) != 0)
        return true;
    if (event->type() == QEvent::KeyPress)
        return menuCharacter(menu, static_cast<QKeyEvent *>(event));
    return false;
}

bool SystemEventFilter::menuCharacter(QMenu *menu, QKeyEvent *event)
{
    // Owner-drawn items have no text of their own to match a typed letter
    // against, so the owner window is asked which item the letter means.
    const HWND owner = MenuApi::popupOwner(menu);
    if (!owner || !MenuApi::hasOwnerDrawnItems(menu) || event->text().isEmpty()
        || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    const QChar ch = event->text().at(0);
    if (!ch.isPrint() || ch.isSpace())
        return false;
    const WPARAM character = WPARAM(makeLParam(ch.unicode(), int(mf::Popup)));
    const LRESULT answer = WindowSystem::sendMessage(owner, wm::MenuChar, character, LPARAM(menu));
    const int position = loWord(answer);
    switch (hiWord(answer)) {
    case mnc::Execute:
        MenuApi::executeItem(menu, position);
        return true;
    case mnc::Select:
        MenuApi::selectItem(menu, position);
        return true;
    case mnc::Close:
        menu->close();
        return true;
    default:
        return true;
    }
}

void SystemEventFilter::pointerOverWindow(QObject *watched, QEvent *event)
{
    auto *window = qobject_cast<QWindow *>(watched);
    if (!window)
        return;
    MessageWindow *mw = MessageWindow::find(HWND(window->winId()));
    if (!mw || !mw->widget())
        return;
    const QPoint local = static_cast<QMouseEvent *>(event)->position().toPoint();
    if (mw->widget()->contentsRect().contains(local))
        mw->leaveFrameCursor();
}

} // namespace velmora::skin
