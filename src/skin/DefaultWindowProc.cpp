#include "skin/DefaultWindowProc.h"

#include "skin/DeviceContext.h"
#include "skin/MessageWindow.h"
#include "skin/SystemInput.h"
#include "skin/WindowSystem.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QVariant>
#include <QThread>
#include <QWidget>
#include <QWindow>

namespace velmora::skin {

WinRect DefaultWindowProc::defaultMargins()
{
    const int frameX = WindowSystem::systemMetric(sm::CxFrame);
    const int frameY = WindowSystem::systemMetric(sm::CyFrame);
    return {frameX, WindowSystem::systemMetric(sm::CyCaption) + frameY, frameX, frameY};
}

int DefaultWindowProc::plainHitCode(int x, int y, int width, int height, bool resizable)
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return ht::Nowhere;
    const WinRect m = defaultMargins();
    const int corner = WindowSystem::systemMetric(sm::CyCaption);
    const bool left = x < m.left, right = x >= width - m.right;
    const bool top = y < m.bottom, bottom = y >= height - m.bottom;
    if (resizable && (left || right || top || bottom)) {
        const bool nearTop = y < corner, nearBottom = y >= height - corner;
        const bool nearLeft = x < corner, nearRight = x >= width - corner;
        if ((top || left) && nearTop && nearLeft)
            return ht::TopLeft;
        if ((top || right) && nearTop && nearRight)
            return ht::TopRight;
        if ((bottom || left) && nearBottom && nearLeft)
            return ht::BottomLeft;
        if ((bottom || right) && nearBottom && nearRight)
            return ht::BottomRight;
        return left ? ht::Left : right ? ht::Right : top ? ht::Top : ht::Bottom;
    }
    if (y < m.top && !left && !right)
        return x < m.left + corner ? ht::SysMenu : ht::Caption;
    if (left || right || y < m.top || bottom)
        return ht::Nowhere;
    return ht::Client;
}

void DefaultWindowProc::systemMove(HWND hwnd)
{
    QWidget *w = WindowSystem::widgetOf(hwnd);
    if (!w || w->isMaximized())
        return;
    if (QWindow *window = w->windowHandle(); window && window->startSystemMove())
        return;
    // No window manager to do it: follow the mouse while the button is held.
    QPoint last = SystemInput::cursorPos();
    while (SystemInput::isLeftButtonDown() && WindowSystem::isWindow(hwnd)) {
        const QPoint now = SystemInput::cursorPos();
        if (now != last) {
            w->move(w->pos() + now - last);
            last = now;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

void DefaultWindowProc::systemResize(HWND hwnd, int hitCode)
{
    QWidget *w = WindowSystem::widgetOf(hwnd);
    if (!w || w->isMaximized() || !(WindowSystem::style(hwnd) & ws::ThickFrame))
        return;
    Qt::Edges edges;
    if (hitCode == ht::Left || hitCode == ht::TopLeft || hitCode == ht::BottomLeft)
        edges |= Qt::LeftEdge;
    if (hitCode == ht::Right || hitCode == ht::TopRight || hitCode == ht::BottomRight)
        edges |= Qt::RightEdge;
    if (hitCode == ht::Top || hitCode == ht::TopLeft || hitCode == ht::TopRight)
        edges |= Qt::TopEdge;
    if (hitCode == ht::Bottom || hitCode == ht::BottomLeft || hitCode == ht::BottomRight)
        edges |= Qt::BottomEdge;
    if (QWindow *window = w->windowHandle(); window && window->startSystemResize(edges))
        return;
    const QPoint start = SystemInput::cursorPos();
    const QRect from = w->geometry();
    while (SystemInput::isLeftButtonDown() && WindowSystem::isWindow(hwnd)) {
        const QPoint d = SystemInput::cursorPos() - start;
        QRect r = from;
        if (edges & Qt::LeftEdge)
            r.setLeft(std::min(from.left() + d.x(), from.right() - w->minimumWidth()));
        if (edges & Qt::RightEdge)
            r.setRight(from.right() + d.x());
        if (edges & Qt::TopEdge)
            r.setTop(std::min(from.top() + d.y(), from.bottom() - w->minimumHeight()));
        if (edges & Qt::BottomEdge)
            r.setBottom(from.bottom() + d.y());
        r.setSize(r.size().expandedTo(w->minimumSize()).boundedTo(w->maximumSize()));
        if (r != w->geometry())
            w->setGeometry(r);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

namespace {

// Moving or sizing a window from its window menu. The pointer goes to the
// middle of the caption (moving) or to the lower right corner (sizing) and
// the window follows it and the arrow keys, 8 pixels a press; Enter or a
// click ends it where it is, Escape puts the window back.
class MoveSizeMode : public QObject {
public:
    MoveSizeMode(QWidget *w, bool size) : m_w(w), m_size(size), m_start(w->geometry())
    {
        setParent(w);
        const QRect r = w->frameGeometry();
        const QPoint anchor = size ? r.bottomRight() - QPoint(1, 1)
                                   : QPoint(r.center().x(), r.top() + std::max(4, w->contentsMargins().top() / 2));
        SystemInput::setCursorPos(anchor);
        m_last = anchor;
        w->setProperty("skinMoveSize", size ? QStringLiteral("size") : QStringLiteral("move"));
        w->grabMouse(size ? Qt::SizeFDiagCursor : Qt::SizeAllCursor);
        w->grabKeyboard();
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~MoveSizeMode() override
    {
        QCoreApplication::instance()->removeEventFilter(this);
        if (m_w) {
            m_w->releaseMouse();
            m_w->releaseKeyboard();
            m_w->setProperty("skinMoveSize", QVariant());
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_w) {
            deleteLater();
            return false;
        }
        QWindow *window = m_w->windowHandle();
        switch (event->type()) {
        case QEvent::MouseMove:
            if (watched == window) {
                const QPoint now = static_cast<QMouseEvent *>(event)->globalPosition().toPoint();
                follow(now - m_last);
                m_last = now;
            }
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
            if (event->type() == QEvent::MouseButtonPress && watched == window)
                finish(false);
            return true;
        case QEvent::ShortcutOverride:
            event->accept();
            return true;
        case QEvent::KeyPress:
            if (watched == window)
                key(static_cast<QKeyEvent *>(event)->key());
            return true;
        case QEvent::KeyRelease:
            return true;
        case QEvent::WindowDeactivate:
            if (watched == m_w)
                finish(false);
            return false;
        default:
            return false;
        }
    }

private:
    void key(int k)
    {
        QPoint step;
        switch (k) {
        case Qt::Key_Left:
            step = {-8, 0};
            break;
        case Qt::Key_Right:
            step = {8, 0};
            break;
        case Qt::Key_Up:
            step = {0, -8};
            break;
        case Qt::Key_Down:
            step = {0, 8};
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            finish(false);
            return;
        case Qt::Key_Escape:
            finish(true);
            return;
        default:
            return;
        }
        follow(step);
        m_last += step;
        SystemInput::setCursorPos(m_last);
    }

    void follow(const QPoint &delta)
    {
        if (delta.isNull())
            return;
        if (!m_size) {
            m_w->move(m_w->pos() + delta);
            return;
        }
        const QSize size = (m_w->size() + QSize(delta.x(), delta.y()))
                               .expandedTo(m_w->minimumSize())
                               .boundedTo(m_w->maximumSize());
        m_w->resize(size);
    }

    void finish(bool back)
    {
        if (back && m_w)
            m_w->setGeometry(m_start);
        QCoreApplication::instance()->removeEventFilter(this);
        if (m_w) {
            m_w->releaseMouse();
            m_w->releaseKeyboard();
            m_w->setProperty("skinMoveSize", QVariant());
        }
        m_w = nullptr;
        deleteLater();
    }

    QPointer<QWidget> m_w;
    bool m_size;
    QRect m_start;
    QPoint m_last;
};

} // namespace

void DefaultWindowProc::systemCommand(HWND hwnd, UINT command)
{
    QWidget *w = WindowSystem::widgetOf(hwnd);
    if (!w)
        return;
    switch (command & 0xFFF0) {
    case sc::Move:
        if (!w->isMaximized() && !w->isMinimized() && !w->property("skinMoveSize").isValid())
            new MoveSizeMode(w, false);
        break;
    case sc::Size:
        if (!w->isMaximized() && !w->isMinimized() && !w->property("skinMoveSize").isValid()
            && (WindowSystem::style(hwnd) & ws::ThickFrame))
            new MoveSizeMode(w, true);
        break;
    case sc::Minimize:
        w->showMinimized();
        break;
    case sc::Maximize:
        w->showMaximized();
        break;
    case sc::Restore:
        w->showNormal();
        break;
    case sc::Close:
        w->close();
        break;
    default:
        break;
    }
}

void DefaultWindowProc::paintPlainFrame(HWND hwnd)
{
    MessageWindow *mw = MessageWindow::find(hwnd);
    if (!mw || !mw->drawsFrame())
        return;
    auto dc = WindowSystem::windowDC(hwnd);
    const WinRect r = WindowSystem::windowRect(hwnd).moved(0, 0);
    const int w = r.width(), h = r.height();
    const WinRect m = defaultMargins();
    const bool active = WindowSystem::activeWindow() == hwnd;
    const COLORREF border = WindowSystem::sysColor(active ? syscolor::ActiveBorder : syscolor::InactiveBorder);
    const COLORREF caption = WindowSystem::sysColor(active ? syscolor::ActiveCaption : syscolor::InactiveCaption);
    dc->fillRect({0, 0, w, m.top}, caption);
    dc->fillRect({0, m.top, m.left, h}, border);
    dc->fillRect({w - m.right, m.top, w, h}, border);
    dc->fillRect({0, h - m.bottom, w, h}, border);
    WinRect text{m.left + 4, m.bottom, w - m.right, m.top};
    dc->setBkMode(DeviceContext::Transparent);
    dc->setTextColor(WindowSystem::sysColor(active ? syscolor::CaptionText : syscolor::InactiveCaptionText));
    dc->drawText(WindowSystem::windowText(hwnd), text, dt::SingleLine | dt::VCenter | dt::NoPrefix | dt::EndEllipsis);
}

LRESULT DefaultWindowProc::proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    MessageWindow *mw = MessageWindow::find(hwnd);
    switch (msg) {
    case wm::NcCalcSize: {
        // Only a frameless window has a frame of the program's own.
        const WinRect m = mw && mw->drawsFrame() ? defaultMargins() : WinRect{};
        WinRect *r = wp ? &reinterpret_cast<NcCalcSizeParams *>(lp)->rgrc[0] : reinterpret_cast<WinRect *>(lp);
        if (r)
            *r = {r->left + m.left, r->top + m.top, r->right - m.right, r->bottom - m.bottom};
        return 0;
    }
    case wm::NcHitTest: {
        const WinRect wr = WindowSystem::windowRect(hwnd);
        const int x = xOf(lp) - wr.left, y = yOf(lp) - wr.top;
        if (!mw || !mw->drawsFrame())
            return wr.contains(xOf(lp), yOf(lp)) ? ht::Client : ht::Nowhere;
        return plainHitCode(x, y, wr.width(), wr.height(), WindowSystem::style(hwnd) & ws::ThickFrame);
    }
    case wm::NcPaint:
        paintPlainFrame(hwnd);
        return 0;
    case wm::NcActivate:
        if (mw)
            mw->invalidateFrame();
        return 1;
    case wm::SetCursor:
        if (mw && HWND(wp) == hwnd)
            mw->setFrameCursor(loWord(lp));
        return 0;
    case wm::NcLButtonDown:
        if (int(wp) == ht::Caption)
            systemMove(hwnd);
        else if (int(wp) >= ht::Left && int(wp) <= ht::BottomRight)
            systemResize(hwnd, int(wp));
        return 0;
    case wm::NcLButtonDblClk:
        // A double click on the caption maximises or restores; nothing else.
        if (int(wp) == ht::Caption && (WindowSystem::style(hwnd) & ws::MaximizeBox))
            WindowSystem::sendMessage(hwnd, wm::SysCommand,
                                      WindowSystem::isZoomed(hwnd) ? sc::Restore : sc::Maximize, 0);
        return 0;
    case wm::SysCommand:
        systemCommand(hwnd, UINT(wp));
        return 0;
    case wm::CancelMode:
        while (QWidget *popup = QApplication::activePopupWidget())
            if (!popup->close())
                break;
        return 0;
    case wm::MouseMove:
    case wm::LButtonDown:
    case wm::LButtonUp:
    case wm::LButtonDblClk:
        if (mw)
            mw->passToWidget();
        return 0;
    case wm::SetText:
        return 1;
    default:
        return 0;
    }
}

} // namespace velmora::skin
