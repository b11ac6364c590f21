#include "skin/WindowSystem.h"

#include "skin/DefaultWindowProc.h"
#include "skin/DeviceContext.h"
#include "skin/MenuApi.h"
#include "skin/MessageWindow.h"
#include "skin/SkinError.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <QWindow>

namespace velmora::skin {

// ------------------------------------------------------------------ handles

HWND WindowSystem::handleOf(QWidget *widget) { return widget ? HWND(widget->winId()) : 0; }

QWidget *WindowSystem::widgetOf(HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    // The layer's own record still knows a window whose destructor is running.
    if (MessageWindow *mw = MessageWindow::find(hwnd))
        return mw->widget() ? mw->widget() : nullptr;
    return QWidget::find(WId(hwnd));
}

bool WindowSystem::isWindow(HWND hwnd) { return widgetOf(hwnd) != nullptr; }

bool WindowSystem::isOwnWindow(HWND hwnd)
{
    QWidget *w = widgetOf(hwnd);
    return w && w->thread() == QCoreApplication::instance()->thread();
}

// ------------------------------------------------------------------ procedures and messages

WNDPROC WindowSystem::windowProc(HWND hwnd)
{
    if (MessageWindow *mw = MessageWindow::find(hwnd))
        return mw->proc();
    return isWindow(hwnd) ? &DefaultWindowProc::proc : nullptr;
}

WNDPROC WindowSystem::setWindowProc(HWND hwnd, WNDPROC proc)
{
    QWidget *w = widgetOf(hwnd);
    if (!w || !proc)
        return nullptr;
    MessageWindow *mw = MessageWindow::ensure(w);
    if (!mw || mw->isDying())
        return nullptr;
    const WNDPROC old = mw->proc();
    mw->setProc(proc);
    return old;
}

LRESULT WindowSystem::callWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    return (proc ? proc : &DefaultWindowProc::proc)(hwnd, msg, wp, lp);
}

LRESULT WindowSystem::sendMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (MessageWindow *mw = MessageWindow::find(hwnd))
        return mw->send(msg, wp, lp);
    return isWindow(hwnd) ? DefaultWindowProc::proc(hwnd, msg, wp, lp) : 0;
}

bool WindowSystem::postMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (!isWindow(hwnd))
        return false;
    QMetaObject::invokeMethod(
        qApp,
        [hwnd, msg, wp, lp] {
            if (!isWindow(hwnd))
                return;
            try {
                sendMessage(hwnd, msg, wp, lp);
            } catch (const SkinError &e) {
                qWarning("%s: %s", qPrintable(e.source()), qPrintable(e.description()));
            }
        },
        Qt::QueuedConnection);
    return true;
}

// ------------------------------------------------------------------ properties

qintptr WindowSystem::prop(HWND hwnd, const QByteArray &name)
{
    QWidget *w = widgetOf(hwnd);
    return w ? qintptr(w->property(name.constData()).toLongLong()) : 0;
}

bool WindowSystem::setProp(HWND hwnd, const QByteArray &name, qintptr value)
{
    QWidget *w = widgetOf(hwnd);
    if (!w)
        return false;
    w->setProperty(name.constData(), QVariant::fromValue(qlonglong(value)));
    return true;
}

qintptr WindowSystem::removeProp(HWND hwnd, const QByteArray &name)
{
    QWidget *w = widgetOf(hwnd);
    if (!w)
        return 0;
    const qintptr old = qintptr(w->property(name.constData()).toLongLong());
    w->setProperty(name.constData(), QVariant());
    return old;
}

// ------------------------------------------------------------------ style

quint32 WindowSystem::captionStyle(Qt::WindowFlags flags)
{
    const bool custom = flags.testFlag(Qt::CustomizeWindowHint);
    const bool dialog = (flags & Qt::WindowType_Mask) == Qt::Dialog;
    quint32 style = ws::Caption;
    if (!custom || flags.testFlag(Qt::WindowSystemMenuHint) || flags.testFlag(Qt::WindowCloseButtonHint))
        style |= ws::SysMenu;
    if (custom ? flags.testFlag(Qt::WindowMaximizeButtonHint) : !dialog)
        style |= ws::MaximizeBox;
    if (custom ? flags.testFlag(Qt::WindowMinimizeButtonHint) : !dialog)
        style |= ws::MinimizeBox;
    return style;
}

quint32 WindowSystem::style(HWND hwnd)
{
    QWidget *w = widgetOf(hwnd);
    MessageWindow *mw = w ? MessageWindow::ensure(w) : nullptr;
    return mw ? mw->style() : 0;
}

void WindowSystem::setStyle(HWND hwnd, quint32 style)
{
    QWidget *w = widgetOf(hwnd);
    if (MessageWindow *mw = w ? MessageWindow::ensure(w) : nullptr)
        mw->setStyle(style);
}

// ------------------------------------------------------------------ geometry

namespace {
WinRect toWinRect(const QRect &r) { return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; }

// A top-level window's outer rectangle. A frameless window (the skin draws
// its frame) has no frame of the window manager: its outer rectangle is its
// geometry. Its frameGeometry() would ask the X server for the frame, and
// asked while the window manager is still reparenting a newly mapped window
// the answer is a passing one (a 1 x 1 frame) that Qt then keeps for good.
QRect outerRect(const QWidget *w)
{
    if (w->windowFlags().testFlag(Qt::FramelessWindowHint))
        return w->geometry();
    return w->frameGeometry();
}
} // namespace

WinRect WindowSystem::windowRect(HWND hwnd)
{
    QWidget *w = widgetOf(hwnd);
    if (!w)
        return {};
    if (w->isWindow())
        return toWinRect(outerRect(w));
    return toWinRect(QRect(w->mapToGlobal(QPoint(0, 0)), w->size()));
}

WinRect WindowSystem::windowRectInParent(HWND hwnd)
{
    QWidget *w = widgetOf(hwnd);
    if (!w)
        return {};
    return w->isWindow() ? toWinRect(outerRect(w)) : toWinRect(w->geometry());
}

void WindowSystem::moveWindow(HWND hwnd, int x, int y)
{
    if (QWidget *w = widgetOf(hwnd))
        w->move(x, y);
}

void WindowSystem::setWindowPos(HWND hwnd, UINT flags)
{
    if (!(flags & swp::FrameChanged))
        return;
    if (MessageWindow *mw = MessageWindow::find(hwnd))
        mw->frameChanged();
}

bool WindowSystem::isVisible(HWND hwnd) { return style(hwnd) & ws::Visible; }

bool WindowSystem::isZoomed(HWND hwnd)
{
    QWidget *w = widgetOf(hwnd);
    return w && w->isMaximized();
}

WinRect WindowSystem::restoreRect(HWND hwnd)
{
    QWidget *w = widgetOf(hwnd);
    if (!w)
        return {};
    QRect r = w->normalGeometry();
    if (!r.isValid() || r.isEmpty()) {
        // Never shown at another size: two thirds of the screen.
        const QScreen *screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
        const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
        r = QRect(avail.topLeft(), avail.size() * 2 / 3);
        r.setSize(r.size().expandedTo(w->minimumSize()));
    }
    return toWinRect(r);
}

void WindowSystem::restoreTo(HWND hwnd, const WinRect &rect)
{
    QWidget *w = widgetOf(hwnd);
    if (!w)
        return;
    if (w->isMaximized() || w->isMinimized() || w->isFullScreen())
        w->showNormal();
    w->setGeometry(rect.left, rect.top, rect.width(), rect.height());
}

HWND WindowSystem::parent(HWND hwnd)
{
    QWidget *w = widgetOf(hwnd);
    if (!w || w->isWindow() || !w->parentWidget())
        return 0;
    // Asking a child for its id would make it a native window; only existing ids are reported.
    return HWND(w->parentWidget()->internalWinId());
}

QString WindowSystem::className(HWND hwnd)
{
    QWidget *w = widgetOf(hwnd);
    return w ? QString::fromLatin1(w->metaObject()->className()) : QString();
}

HWND WindowSystem::findChild(HWND parent, const QString &className)
{
    QWidget *w = widgetOf(parent);
    if (!w)
        return 0;
    const QList<QWidget *> children = w->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *child : children)
        if (child->internalWinId() && QLatin1String(child->metaObject()->className()) == className)
            return HWND(child->internalWinId());
    return 0;
}

QString WindowSystem::windowText(HWND hwnd)
{
    QWidget *w = widgetOf(hwnd);
    return w ? w->windowTitle() : QString();
}

// ------------------------------------------------------------------ activation

HWND WindowSystem::activeWindow()
{
    QWidget *w = QApplication::activeWindow();
    return w ? HWND(w->internalWinId()) : 0;
}

void WindowSystem::setForegroundWindow(HWND hwnd)
{
    QWidget *w = widgetOf(hwnd);
    if (!w)
        return;
    w->raise();
    w->activateWindow();
    // Activation arrives from the window system a moment later; wait for it briefly
    // so that the caller finds the window active, as it would on return elsewhere.
    QElapsedTimer t;
    t.start();
    while (QApplication::activeWindow() != w->window() && t.elapsed() < 100)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
}

void WindowSystem::setFocus(HWND hwnd)
{
    QWidget *w = widgetOf(hwnd);
    if (!w)
        return;
    // A form given the focus hands it to the control that had it last, or
    // else to its first control that takes the focus; the form itself takes
    // no keys.
    if (w->isWindow()) {
        QWidget *target = w->focusWidget();
        if (!target || target == w) {
            for (QWidget *next = w->nextInFocusChain(); next && next != w; next = next->nextInFocusChain()) {
                if (next->window() == w && next->isVisibleTo(w) && next->isEnabled()
                    && (next->focusPolicy() & Qt::TabFocus)) {
                    target = next;
                    break;
                }
            }
        }
        if (target && target != w) {
            target->setFocus(Qt::ActiveWindowFocusReason);
            return;
        }
    }
    w->setFocus();
}

bool WindowSystem::startSystemMove(HWND hwnd)
{
    QWidget *w = widgetOf(hwnd);
    QWindow *window = w && w->isWindow() ? w->windowHandle() : nullptr;
    return window && window->startSystemMove();
}

bool WindowSystem::startSystemResize(HWND hwnd, Qt::Edges edges)
{
    QWidget *w = widgetOf(hwnd);
    QWindow *window = w && w->isWindow() ? w->windowHandle() : nullptr;
    return window && window->startSystemResize(edges);
}

void WindowSystem::releaseCapture()
{
    if (QWidget *grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
}

// ------------------------------------------------------------------ painting

std::unique_ptr<DeviceContext> WindowSystem::windowDC(HWND hwnd)
{
    QWidget *w = widgetOf(hwnd);
    MessageWindow *mw = w ? MessageWindow::ensure(w) : nullptr;
    if (!mw) {
        static QImage nowhere(1, 1, QImage::Format_RGB32);
        return std::make_unique<DeviceContext>(&nowhere);
    }
    auto dc = std::make_unique<DeviceContext>(&mw->surface());
    QPointer<MessageWindow> record(mw);
    dc->setReleaseStep([record] {
        if (record)
            record->frameDrawn();
    });
    return dc;
}

void WindowSystem::redrawWindow(HWND hwnd, UINT flags)
{
    QWidget *w = widgetOf(hwnd);
    MessageWindow *mw = MessageWindow::find(hwnd);
    if (!w || (mw && mw->isDying()))
        return;
    if ((flags & rdw::Frame) && mw)
        mw->invalidateFrame();
    if (!(flags & (rdw::Invalidate | rdw::InternalPaint)))
        return;
    if ((flags & rdw::UpdateNow) && w->isVisible())
        w->repaint();
    else
        w->update();
}

void WindowSystem::refresh(HWND hwnd)
{
    QWidget *w = widgetOf(hwnd);
    MessageWindow *mw = MessageWindow::find(hwnd);
    if (w && w->isVisible() && !(mw && mw->isDying()))
        w->repaint();
}

bool WindowSystem::lockWindowUpdate(HWND hwnd)
{
    static QPointer<QWidget> locked;
    if (!hwnd) {
        if (locked)
            locked->setUpdatesEnabled(true);
        locked = nullptr;
        return true;
    }
    QWidget *w = widgetOf(hwnd);
    MessageWindow *mw = MessageWindow::find(hwnd);
    if (!w || (mw && mw->isDying()) || (locked && locked != w))
        return false;
    locked = w;
    w->setUpdatesEnabled(false);
    return true;
}

// ------------------------------------------------------------------ menus

HMENU WindowSystem::menu(HWND hwnd)
{
    if (MessageWindow *mw = MessageWindow::find(hwnd))
        return mw->menu();
    return MenuApi::discoverWindowMenu(widgetOf(hwnd));
}

bool WindowSystem::setMenu(HWND hwnd, HMENU menu)
{
    QWidget *w = widgetOf(hwnd);
    MessageWindow *mw = w ? MessageWindow::ensure(w) : nullptr;
    if (!mw)
        return false;
    mw->setMenu(menu);
    return true;
}

// ------------------------------------------------------------------ system values

int WindowSystem::systemMetric(int index)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    switch (index) {
    case sm::CxScreen:
        return screen ? screen->geometry().width() : 1024;
    case sm::CyScreen:
        return screen ? screen->geometry().height() : 768;
    case sm::CyCaption:
        // The caption strip of this window system: where a frame's drag zone
        // ends below its top edge.
        return 15;
    case sm::CxFrame:
    case sm::CyFrame:
        return 4;
    default:
        return 0;
    }
}

namespace {
COLORREF toColorRef(const QColor &c) { return COLORREF(c.red() | (c.green() << 8) | (c.blue() << 16)); }
} // namespace

COLORREF WindowSystem::sysColor(int index)
{
    const QPalette pal = QApplication::palette();
    switch (index) {
    case syscolor::ActiveCaption:
        return toColorRef(pal.color(QPalette::Active, QPalette::Highlight));
    case syscolor::InactiveCaption:
        return toColorRef(pal.color(QPalette::Mid));
    case syscolor::CaptionText:
        return toColorRef(pal.color(QPalette::Active, QPalette::HighlightedText));
    case syscolor::BtnFace:
        return toColorRef(pal.color(QPalette::Button));
    case syscolor::BtnShadow:
        return toColorRef(pal.color(QPalette::Dark));
    case syscolor::GrayText:
        return toColorRef(pal.color(QPalette::Disabled, QPalette::Text));
    case syscolor::BtnHighlight:
        return toColorRef(pal.color(QPalette::Light));
    case syscolor::DkShadow3D:
        return toColorRef(pal.color(QPalette::Shadow));
    case syscolor::Light3D:
        return toColorRef(pal.color(QPalette::Midlight));
    case syscolor::ActiveBorder:
    case syscolor::InactiveBorder:
    case syscolor::InactiveCaptionText:
    default:
        // Borders and the inactive caption text share the face colour of the windows.
        return toColorRef(pal.color(QPalette::Window));
    }
}

COLORREF WindowSystem::translateColor(OLE_COLOR color)
{
    if (color & 0x80000000u) {
        const quint32 index = color & 0x7FFFFFFFu;
        return index <= 30 ? sysColor(int(index)) : -1;
    }
    return color <= 0xFFFFFFu ? COLORREF(color) : -1;
}

int WindowSystem::screenLogPixelsY()
{
    if (auto *screen = QGuiApplication::primaryScreen())
        return qRound(screen->logicalDotsPerInchY());
    return 96;
}

} // namespace velmora::skin
