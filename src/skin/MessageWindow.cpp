#include "skin/MessageWindow.h"

#include "skin/DefaultWindowProc.h"
#include "skin/MenuApi.h"
#include "skin/SkinError.h"
#include "skin/SystemEventFilter.h"
#include "skin/SystemInput.h"
#include "skin/WindowSystem.h"

#include <QCoreApplication>
#include <QHash>
#include <QMainWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QWidget>
#include <QWindowStateChangeEvent>

namespace velmora::skin {

namespace {

QHash<HWND, MessageWindow *> &registry()
{
    static QHash<HWND, MessageWindow *> windows;
    return windows;
}

constexpr int GwlStyle = -16;

} // namespace

MessageWindow *MessageWindow::find(HWND hwnd) { return registry().value(hwnd, nullptr); }

MessageWindow *MessageWindow::find(QWidget *widget)
{
    // A record whose widget is gone (and not going right now) is never
    // handed to a new widget that happens to live at the same address.
    for (MessageWindow *mw : std::as_const(registry()))
        if (mw->m_rawWidget == widget && (mw->m_dying || mw->m_widget == widget))
            return mw;
    return nullptr;
}

MessageWindow *MessageWindow::ensure(QWidget *widget)
{
    if (!widget)
        return nullptr;
    if (MessageWindow *mw = find(widget))
        return mw;
    return new MessageWindow(widget);
}

QList<MessageWindow *> MessageWindow::all() { return registry().values(); }

MessageWindow::MessageWindow(QWidget *widget)
    : m_widget(widget), m_rawWidget(widget), m_hwnd(HWND(widget->winId())), m_proc(&DefaultWindowProc::proc)
{
    registry().insert(m_hwnd, this);
    SystemEventFilter::install();

    m_style = widget->isWindow() ? WindowSystem::captionStyle(widget->windowFlags()) : ws::Child;
    m_menu = MenuApi::discoverWindowMenu(widget);

    widget->setMouseTracking(true);
    widget->installEventFilter(this);
    connect(widget, &QObject::destroyed, this, &MessageWindow::windowDestroyed);
}

MessageWindow::~MessageWindow() { registry().remove(m_hwnd); }

QWidget *MessageWindow::widget() const { return m_widget ? m_widget.data() : (m_dying ? m_rawWidget : nullptr); }

bool MessageWindow::drawsFrame() const
{
    return m_widget && m_widget->isWindow() && m_widget->windowFlags().testFlag(Qt::FramelessWindowHint)
           && m_widget->windowType() != Qt::Popup;
}

LRESULT MessageWindow::send(UINT msg, WPARAM wp, LPARAM lp)
{
    WNDPROC proc = m_proc ? m_proc : &DefaultWindowProc::proc;
    return proc(m_hwnd, msg, wp, lp);
}

// ------------------------------------------------------------------ style

quint32 MessageWindow::liveBits() const
{
    quint32 bits = 0;
    if (!m_widget)
        return bits;
    if (m_widget->isVisible() && !m_visibleCleared)
        bits |= ws::Visible;
    if (m_widget->isMaximized())
        bits |= ws::Maximize;
    if (m_widget->isMinimized())
        bits |= ws::Minimize;
    if (m_widget->isWindow() && m_widget->minimumSize() != m_widget->maximumSize())
        bits |= ws::ThickFrame;
    return bits;
}

quint32 MessageWindow::style() const { return m_style | liveBits(); }

void MessageWindow::setStyle(quint32 style)
{
    const quint32 old = this->style();
    constexpr quint32 live = ws::Visible | ws::Maximize | ws::Minimize | ws::ThickFrame;
    m_style = style & ~live;
    // Clearing the visible bit only makes the window count as invisible; it stays on screen.
    m_visibleCleared = !(style & ws::Visible);
    const quint32 now = this->style();
    if (now != old) {
        StyleStruct ss{old, now};
        send(wm::StyleChanged, WPARAM(GwlStyle), LPARAM(&ss));
    }
}

// ------------------------------------------------------------------ menu

HMENU MessageWindow::menu() const { return m_menuRemoved ? nullptr : m_menu.data(); }

namespace {

// The style of a menu bar taken off its window: the bar keeps no keyboard
// access of its own (Alt would otherwise open its menus at the window's
// top-left corner); the caption's menu bar gives it instead.
class NoKeyboardMenuBarStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

void takeOff(QWidget *bar, bool off)
{
    auto *current = dynamic_cast<NoKeyboardMenuBarStyle *>(bar->style());
    if (off && !current) {
        auto *style = new NoKeyboardMenuBarStyle;
        style->setParent(bar);
        bar->setStyle(style);
    } else if (!off && current) {
        bar->setStyle(nullptr);
        current->deleteLater();
    }
}

} // namespace

void MessageWindow::setMenu(HMENU menu)
{
    // A removed menu bar collapses to no height but stays "visible", so the
    // shortcuts of its commands keep working.
    if (m_menu && m_menuRemoved && m_menu != menu) {
        m_menu->setMaximumHeight(m_menuMaxHeight);
        takeOff(m_menu, false);
    }
    if (!menu) {
        if (m_menu && !m_menuRemoved) {
            m_menuMaxHeight = m_menu->maximumHeight();
            m_menu->setMaximumHeight(0);
            takeOff(m_menu, true);
            m_menuRemoved = true;
        }
        return;
    }
    if (m_menu == menu && m_menuRemoved) {
        menu->setMaximumHeight(m_menuMaxHeight);
        takeOff(menu, false);
    }
    m_menu = menu;
    m_menuRemoved = false;
}

// ------------------------------------------------------------------ frame

QImage &MessageWindow::surface()
{
    const QSize size = m_widget ? m_widget->size() : QSize();
    if (m_surface.size() != size) {
        m_surface = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
        m_surface.fill(m_widget ? m_widget->palette().color(QPalette::Window) : QColor(Qt::lightGray));
        m_surfaceValid = false;
    }
    return m_surface;
}

QRegion MessageWindow::frameRegion() const
{
    if (!m_widget || !drawsFrame())
        return {};
    return QRegion(m_widget->rect()).subtracted(QRegion(m_widget->contentsRect()));
}

void MessageWindow::invalidateFrame()
{
    m_surfaceValid = false;
    if (m_widget && !m_dying && m_widget->isVisible())
        m_widget->update(frameRegion());
}

void MessageWindow::frameChanged()
{
    if (!m_widget || m_dying || !drawsFrame())
        return;
    const WinRect wr = WindowSystem::windowRect(m_hwnd);
    WindowPos pos{m_hwnd, wr.left, wr.top, wr.width(), wr.height(), 0};
    NcCalcSizeParams params;
    params.rgrc[0] = wr;
    params.rgrc[1] = wr;
    params.rgrc[2] = wr;
    params.lppos = &pos;
    send(wm::NcCalcSize, 1, LPARAM(&params));
    const WinRect &client = params.rgrc[0];
    const QMargins margins(std::max(0, client.left - wr.left), std::max(0, client.top - wr.top),
                           std::max(0, wr.right - client.right), std::max(0, wr.bottom - client.bottom));
    if (m_widget->contentsMargins() != margins)
        m_widget->setContentsMargins(margins);
    invalidateFrame();
}

void MessageWindow::frameDrawn()
{
    if (m_widget && !m_dying && !m_inPaint && m_widget->isVisible())
        m_widget->update(frameRegion());
}

void MessageWindow::setFrameCursor(int hitCode)
{
    if (!m_widget || m_dying)
        return;
    Qt::CursorShape shape = Qt::ArrowCursor;
    switch (hitCode) {
    case ht::Left:
    case ht::Right:
        shape = Qt::SizeHorCursor;
        break;
    case ht::Top:
    case ht::Bottom:
        shape = Qt::SizeVerCursor;
        break;
    case ht::TopLeft:
    case ht::BottomRight:
        shape = Qt::SizeFDiagCursor;
        break;
    case ht::TopRight:
    case ht::BottomLeft:
        shape = Qt::SizeBDiagCursor;
        break;
    default:
        leaveFrameCursor();
        return;
    }
    m_widget->setCursor(shape);
    m_cursorSet = true;
}

void MessageWindow::leaveFrameCursor()
{
    // Child widgets inherit the window's cursor, so it is unset once the
    // pointer is back in the client area.
    if (m_cursorSet && m_widget && !m_dying) {
        m_widget->unsetCursor();
        m_cursorSet = false;
    }
}

// ------------------------------------------------------------------ events

int MessageWindow::hitTest(const QPoint &globalPos)
{
    return int(send(wm::NcHitTest, 0, makeLParam(globalPos.x(), globalPos.y())));
}

bool MessageWindow::sendClientMouse(UINT msg, const QMouseEvent *event)
{
    const QPoint local = event->position().toPoint() - (m_widget ? m_widget->contentsRect().topLeft() : QPoint());
    const WPARAM keys = (event->buttons() & Qt::LeftButton) ? 1 : 0;
    const bool saved = m_passThrough;
    m_passThrough = false;
    send(msg, keys, makeLParam(local.x(), local.y()));
    const bool pass = m_passThrough;
    m_passThrough = saved;
    return pass;
}

bool MessageWindow::mouseEvent(QMouseEvent *event)
{
    const QPoint global = event->globalPosition().toPoint();
    const bool left = event->button() == Qt::LeftButton;
    switch (event->type()) {
    case QEvent::MouseMove: {
        const int hit = hitTest(global);
        send(wm::SetCursor, m_hwnd, makeLParam(hit, int(wm::MouseMove)));
        if (hit == ht::Client)
            return !sendClientMouse(wm::MouseMove, event);
        send(wm::NcMouseMove, WPARAM(hit), makeLParam(global.x(), global.y()));
        return drawsFrame();
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        const int hit = hitTest(global);
        if (!left)
            return hit != ht::Client && drawsFrame();
        UINT client = wm::LButtonDown, frame = wm::NcLButtonDown;
        if (event->type() == QEvent::MouseButtonRelease) {
            client = wm::LButtonUp;
            frame = wm::NcLButtonUp;
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            client = wm::LButtonDblClk;
            frame = wm::NcLButtonDblClk;
        } else {
            send(wm::SetCursor, m_hwnd, makeLParam(hit, int(wm::LButtonDown)));
        }
        if (hit == ht::Client)
            return !sendClientMouse(client, event);
        send(frame, WPARAM(hit), makeLParam(global.x(), global.y()));
        return true;
    }
    default:
        return false;
    }
}

bool MessageWindow::paintEvent(QEvent *event)
{
    if (m_inPaint || !drawsFrame())
        return false;
    const QRegion frame = frameRegion();
    if (frame.isEmpty())
        return false;
    surface();
    if (!m_surfaceValid) {
        m_surfaceValid = true;
        m_inPaint = true;
        send(wm::NcPaint, 1, 0);
        m_inPaint = false;
    }
    // The window paints its client area first; the frame is laid over the margins.
    m_inPaint = true;
    QCoreApplication::sendEvent(m_widget, event);
    m_inPaint = false;
    QPainter p(m_widget);
    p.setClipRegion(frame.intersected(static_cast<QPaintEvent *>(event)->region()));
    p.drawImage(0, 0, m_surface);
    return true;
}

bool MessageWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_widget || m_dying)
        return false;
    try {
        switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return mouseEvent(static_cast<QMouseEvent *>(event));
        case QEvent::Paint:
            return paintEvent(event);
        case QEvent::Resize: {
            frameChanged();
            const int type = m_widget->isMaximized() ? 2 : m_widget->isMinimized() ? 1 : 0;
            const QRect client = m_widget->contentsRect();
            send(wm::Size, WPARAM(type), makeLParam(client.width(), client.height()));
            break;
        }
        case QEvent::Show: {
            m_visibleCleared = false;
            frameChanged();
            // Sent when a window appears, as when the cursor passes over it.
            const int hit = hitTest(SystemInput::cursorPos());
            send(wm::SetCursor, m_hwnd, makeLParam(hit, 0));
            break;
        }
        case QEvent::WindowTitleChange: {
            const QString title = m_widget->windowTitle();
            send(wm::SetText, 0, LPARAM(&title));
            break;
        }
        case QEvent::WindowActivate:
            send(wm::NcActivate, 1, 0);
            break;
        case QEvent::WindowDeactivate:
            send(wm::NcActivate, 0, 0);
            break;
        case QEvent::WindowStateChange: {
            const auto *se = static_cast<QWindowStateChangeEvent *>(event);
            quint32 old = style() & ~(ws::Maximize | ws::Minimize);
            if (se->oldState().testFlag(Qt::WindowMaximized))
                old |= ws::Maximize;
            if (se->oldState().testFlag(Qt::WindowMinimized))
                old |= ws::Minimize;
            StyleStruct ss{old, style()};
            if (ss.styleOld != ss.styleNew)
                send(wm::StyleChanged, WPARAM(GwlStyle), LPARAM(&ss));
            invalidateFrame();
            break;
        }
        default:
            break;
        }
    } catch (const SkinError &e) {
        // A message handler failed; the event ends here as the system would end it.
        qWarning("%s: %s", qPrintable(e.source()), qPrintable(e.description()));
    }
    return false;
}

void MessageWindow::windowDestroyed()
{
    m_dying = true;
    try {
        send(wm::Destroy, 0, 0);
    } catch (const SkinError &) {
    }
    delete this;
}

} // namespace velmora::skin
