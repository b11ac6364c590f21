#include "skin/cNCCalcSize.h"

#include "skin/DeviceContext.h"
#include "skin/INCAreaModifier.h"
#include "skin/SystemInput.h"
#include "skin/WindowSystem.h"
#include "skin/mDeclares.h"

#include <QApplication>
#include <QCoreApplication>
#include <QThread>

#include <algorithm>

namespace velmora::skin {

namespace {

using WS = WindowSystem;
constexpr const char *ImplementationProperty = "trumCNCImplementation";

// The messages attached, in order; wm::Size only for children of an "MDIClient" window.
constexpr UINT AttachedMessages[] = {
    wm::NcCalcSize,      wm::NcPaint,   wm::NcActivate,  wm::NcLButtonDown, wm::NcLButtonUp,
    wm::NcLButtonDblClk, wm::NcHitTest, wm::SetCursor,   wm::InitMenu,      wm::InitMenuPopup,
    wm::StyleChanged,    wm::SetText,   wm::ActivateApp, wm::EnterMenuLoop, wm::ExitMenuLoop,
};

} // namespace

cNCCalcSize::~cNCCalcSize() { Detach(); }

// ------------------------------------------------------------------ public members

void cNCCalcSize::Redraw(HWND hwnd)
{
    WS::redrawWindow(hwnd, rdw::UpdateNow | rdw::AllChildren | rdw::InternalPaint | rdw::Invalidate);
}

void cNCCalcSize::Display(QWidget *form)
{
    const HWND hwnd = WS::handleOf(form);
    WS::refresh(hwnd);
    WS::setWindowPos(hwnd, swp::NoSize | swp::NoMove | swp::NoZOrder | swp::FrameChanged | swp::NoOwnerZOrder);
}

void cNCCalcSize::TitleBarMouseDown()
{
    WS::releaseCapture();
    const QPoint pt = SystemInput::cursorPos();
    WS::sendMessage(m_hWnd, wm::NcLButtonDown, WPARAM(ht::Caption), makeLParam(pt.x(), pt.y()));
}

void cNCCalcSize::SysCommand(UINT command) { WS::postMessage(m_hWnd, wm::SysCommand, command, 0); }

bool cNCCalcSize::GetImplementation(INCAreaModifier *&implementation) const
{
    const qintptr address = m_hWnd ? WS::prop(m_hWnd, ImplementationProperty) : 0;
    if (!address)
        return false;
    implementation = reinterpret_cast<INCAreaModifier *>(quintptr(address));
    return true;
}

bool cNCCalcSize::AltKeyAccelerator(int vKey)
{
    INCAreaModifier *impl = nullptr;
    if (!GetImplementation(impl))
        return false;
    bool handled = false;
    impl->AltKeyAccelerator(vKey, handled);
    return handled;
}

bool cNCCalcSize::MenuKey(int vKey, bool bDown)
{
    INCAreaModifier *impl = nullptr;
    if (!GetImplementation(impl))
        return false;
    bool handled = false;
    impl->MenuKey(vKey, bDown, handled);
    return handled;
}

// ------------------------------------------------------------------ attach and detach

void cNCCalcSize::Attach(INCAreaModifier *implementation)
{
    Detach();
    m_hWnd = implementation->hwnd();
    m_hMenu = WS::menu(m_hWnd);
    m_bIsMDIChild = WS::className(WS::parent(m_hWnd)) == QLatin1String("MDIClient");

    for (UINT msg : AttachedMessages)
        m_gSubclass.AttachMessage(this, m_hWnd, msg);
    if (m_bIsMDIChild)
        m_gSubclass.AttachMessage(this, m_hWnd, wm::Size);
    m_gSubclass.AttachMessage(this, m_hWnd, wm::Destroy);

    // Room for the plain caption of DefaultNCPaint.
    m_cMemDC.setWidth(WS::systemMetric(sm::CxScreen));
    m_cMemDC.setHeight(WS::systemMetric(sm::CyCaption) * 4);

    m_hWndMDIClient = WS::findChild(m_hWnd, QStringLiteral("MDIClient"));
    WS::setProp(m_hWnd, ImplementationProperty, qintptr(reinterpret_cast<quintptr>(implementation)));
    mDeclares::AttachKeyboardHook(this);
}

void cNCCalcSize::Detach()
{
    mDeclares::DetachKeyboardHook(this);
    if (m_hWnd) {
        for (UINT msg : AttachedMessages)
            m_gSubclass.DetachMessage(this, m_hWnd, msg);
        if (m_bIsMDIChild) {
            m_gSubclass.DetachMessage(this, m_hWnd, wm::Size);
            m_bIsMDIChild = false;
        }
        m_gSubclass.DetachMessage(this, m_hWnd, wm::Destroy);
        WS::removeProp(m_hWnd, ImplementationProperty);
    }
    m_hWnd = 0;
    m_hWndMDIClient = 0;
    m_hMenu = nullptr;
}

// ------------------------------------------------------------------ messages

int cNCCalcSize::MsgResponse() const
{
    switch (m_gSubclass.CurrentMessage()) {
    case wm::Size:
    case wm::SetText:
    case wm::SetCursor:
    case wm::ChildActivate:
    case wm::StyleChanged:
    case wm::NcHitTest:
    case wm::NcPaint:
    case wm::NcLButtonDown:
    case wm::NcLButtonDblClk:
    case wm::InitMenu:
    case wm::InitMenuPopup:
    case wm::EnterMenuLoop:
    case wm::ExitMenuLoop:
        return Consume;
    default:
        return PreProcess;
    }
}

void cNCCalcSize::repaint()
{
    LRESULT ignored = 0;
    WindowProc(m_hWnd, wm::NcPaint, 0, 0, ignored);
}

bool cNCCalcSize::IsMDIChild() const { return m_bIsMDIChild; }

QPoint cNCCalcSize::cursorInWindow() const
{
    const WinRect rc = WS::windowRect(m_hWnd);
    return SystemInput::cursorPos() - QPoint(rc.left, rc.top);
}

void cNCCalcSize::WindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam, LRESULT &lReturn)
{
    INCAreaModifier *impl = nullptr;
    const bool hasImpl = GetImplementation(impl);

    switch (iMsg) {
    case wm::Destroy:
        Detach();
        break;
    case wm::Size:
        m_gSubclass.CallOldWindowProc(hwnd, iMsg, wParam, lParam);
        repaint();
        lReturn = 0;
        break;
    case wm::SetText:
    case wm::StyleChanged:
    case wm::NcLButtonDblClk:
        lReturn = m_gSubclass.CallOldWindowProc(hwnd, iMsg, wParam, lParam);
        if (!m_bInCursor)
            repaint();
        break;
    case wm::ActivateApp:
        m_bAppActive = wParam != 0;
        break;
    case wm::SetCursor: {
        // The window counts as invisible meanwhile, so nothing repaints the frame.
        m_bInCursor = true;
        const quint32 style = WS::style(hwnd);
        WS::setStyle(hwnd, style & ~ws::Visible);
        lReturn = m_gSubclass.CallOldWindowProc(hwnd, iMsg, wParam, lParam);
        // The menu is drawn in the caption, so it comes off the window.
        if (WS::menu(hwnd))
            WS::setMenu(hwnd, nullptr);
        WS::setStyle(hwnd, style);
        m_bInCursor = false;
        break;
    }
    case wm::ChildActivate:
        if (!m_bInChildActivate) {
            m_bInChildActivate = true;
            m_gSubclass.CallOldWindowProc(hwnd, iMsg, wParam, lParam);
            repaint();
            m_bInChildActivate = false;
        }
        break;
    case wm::NcCalcSize:
        calcSize(wParam, lParam, lReturn);
        break;
    case wm::NcHitTest:
        if (hasImpl) {
            const int code = HitTestCode();
            m_lLastHitTest = code;
            // The menu bar in the caption takes its mouse messages as client area.
            lReturn = code == ht::Menu ? ht::Client : code;
        } else {
            lReturn = m_gSubclass.CallOldWindowProc(hwnd, iMsg, wParam, lParam);
        }
        break;
    case wm::NcPaint: {
        if (!WS::isVisible(hwnd))
            break;
        m_bMaximisedMDIChild = WS::isZoomed(hwnd) && IsMDIChild();
        if (m_bMaximisedMDIChild) {
            lReturn = m_gSubclass.CallOldWindowProc(hwnd, iMsg, wParam, lParam);
            break;
        }
        auto dc = WS::windowDC(hwnd);
        const WinRect rc = WS::windowRect(hwnd);
        if (hasImpl)
            impl->NCPaint(dc.get(), 0, 0, rc.width(), rc.height());
        else
            DefaultNCPaint(dc.get(), 0, 0, rc.width(), rc.height());
        break;
    }
    case wm::NcActivate:
        m_bActive = wParam != 0;
        lReturn = m_gSubclass.CallOldWindowProc(hwnd, iMsg, wParam, lParam);
        repaint();
        break;
    case wm::NcLButtonDown:
        leftButtonDown(wParam, lParam, lReturn);
        break;
    case wm::NcLButtonUp:
        if (hasImpl) {
            const QPoint pt = cursorInWindow();
            const WinRect rc = WS::windowRect(hwnd);
            auto dc = WS::windowDC(hwnd);
            bool handled = false;
            // The press step first: a release over a button acts even if the press began elsewhere.
            impl->NCMouseDown(pt.x(), pt.y(), handled, dc.get(), 0, 0, rc.width(), rc.height());
            impl->NCMouseUp(pt.x(), pt.y(), dc.get(), 0, 0, rc.width(), rc.height());
        }
        lReturn = 0;
        break;
    case wm::InitMenu:
        m_gSubclass.CallOldWindowProc(hwnd, iMsg, wParam, lParam);
        repaint();
        break;
    case wm::InitMenuPopup:
        m_gSubclass.CallOldWindowProc(hwnd, iMsg, wParam, lParam);
        repaint();
        if (hiWord(lParam) == 0 && hasImpl)
            impl->InitMenuPopup(wParam, lParam);
        break;
    case wm::EnterMenuLoop:
    case wm::ExitMenuLoop:
        m_gSubclass.CallOldWindowProc(hwnd, iMsg, wParam, lParam);
        repaint();
        if (iMsg == wm::ExitMenuLoop && hasImpl)
            impl->ExitMenuLoop();
        break;
    default:
        break;
    }
}

void cNCCalcSize::calcSize(WPARAM wParam, LPARAM lParam, LRESULT &lReturn)
{
    m_bMaximisedMDIChild = WS::isZoomed(m_hWnd) && IsMDIChild();
    if (wParam == 0) {
        // The system's own sizing: the previous procedure already ran before
        // this client (the message is pre-processed) and lReturn holds its
        // answer. Running it again would shrink the rectangle twice.
        Q_UNUSED(lReturn);
        return;
    }
    auto *params = reinterpret_cast<NcCalcSizeParams *>(lParam);
    const WindowPos &pos = *params->lppos;
    WinRect rc{pos.x, pos.y, pos.x + pos.cx, pos.y + pos.cy};

    const int frameX = WS::systemMetric(sm::CxFrame);
    const int frameY = WS::systemMetric(sm::CyFrame);
    m_lLeft = frameX;
    m_lRight = frameX;
    m_lTop = WS::systemMetric(sm::CyCaption) + frameY;
    m_lBottom = frameY;
    INCAreaModifier *impl = nullptr;
    if (!m_bMaximisedMDIChild && GetImplementation(impl)) {
        m_lLeft = impl->GetLeftMarginWidth();
        m_lTop = impl->GetTopMarginHeight();
        m_lRight = impl->GetRightMarginWidth();
        m_lBottom = impl->GetBottomMarginHeight();
    }
    params->rgrc[0] = {rc.left + m_lLeft, rc.top + m_lTop, rc.right - m_lRight, rc.bottom - m_lBottom};
    params->rgrc[1] = params->rgrc[0];
    lReturn = 0x400;
}

int cNCCalcSize::HitCode(int x, int y, int w, int h, int L, int T, int R, int B, int captionHeight, bool resizable)
{
    int code = ht::Client;
    if (x < 0 || y < 0 || x >= w || y >= h)
        return code;
    if (x <= L) {
        if (resizable)
            code = y <= B ? ht::TopLeft : y < h - B ? ht::Left : ht::BottomLeft;
    } else if (x >= w - R) {
        if (resizable)
            code = y <= B ? ht::TopRight : y < h - B ? ht::Right : ht::BottomRight;
    } else if (y <= B) {
        // The bottom margin serves as the thickness of the top edge.
        if (resizable)
            code = ht::Top;
    } else if (y >= h - B) {
        if (resizable)
            code = ht::Bottom;
    } else if (y <= T) {
        if (y > captionHeight + B)
            code = ht::Client;
        else
            code = x <= captionHeight ? ht::SysMenu : ht::Caption;
    }
    return code;
}

int cNCCalcSize::HitTestCode()
{
    const bool resizable = WS::style(m_hWnd) & ws::ThickFrame;
    const QPoint pt = cursorInWindow();
    const WinRect rc = WS::windowRect(m_hWnd);
    int code = HitCode(pt.x(), pt.y(), rc.width(), rc.height(), m_lLeft, m_lTop, m_lRight, m_lBottom,
                       WS::systemMetric(sm::CyCaption), resizable);
    INCAreaModifier *impl = nullptr;
    if (GetImplementation(impl))
        impl->HitTest(pt.x(), pt.y(), code);
    return code;
}

void cNCCalcSize::leftButtonDown(WPARAM wParam, LPARAM lParam, LRESULT &lReturn)
{
    Q_UNUSED(wParam);
    // A one-pixel nudge of the mouse, alternating in direction.
    if (m_lNudgeX == 0)
        m_lNudgeX = 1;
    if (m_lNudgeY == 0)
        m_lNudgeY = 1;
    m_lNudgeX = -m_lNudgeX;
    m_lNudgeY = -m_lNudgeY;
    SystemInput::moveCursorBy(m_lNudgeX, m_lNudgeY);

    const int code = HitTestCode();
    INCAreaModifier *impl = nullptr;
    if (!GetImplementation(impl)) {
        lReturn = m_gSubclass.CallOldWindowProc(m_hWnd, wm::NcLButtonDown, WPARAM(code), lParam);
        repaint();
        return;
    }
    if (m_lLastHitTest == ht::Caption) {
        if (!m_bActive)
            WS::setForegroundWindow(m_hWnd);
        DragLoop();
        lReturn = 0;
        return;
    }
    const QPoint pt = cursorInWindow();
    const WinRect rc = WS::windowRect(m_hWnd);
    bool handled = false;
    {
        auto dc = WS::windowDC(m_hWnd);
        impl->NCMouseDown(pt.x(), pt.y(), handled, dc.get(), 0, 0, rc.width(), rc.height());
    }
    if (handled) {
        lReturn = 0;
        return;
    }
    lReturn = m_gSubclass.CallOldWindowProc(m_hWnd, wm::NcLButtonDown, WPARAM(code), lParam);
    repaint();
}

bool cNCCalcSize::RestoreForDrag()
{
    // A maximised window stays put until the mouse has really moved, so that
    // a click or a double click on its caption does not restore it.
    const HWND hwnd = m_hWnd;
    const QPoint grip = SystemInput::cursorPos();
    const int distance = std::max(2, QApplication::startDragDistance());
    QPoint now = grip;
    for (;;) {
        if (!SystemInput::isLeftButtonDown() || !WS::isWindow(hwnd) || !WS::isZoomed(hwnd))
            return false;
        now = SystemInput::cursorPos();
        if ((now - grip).manhattanLength() >= distance)
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    // The restore size, placed so that the pointer keeps its share of the
    // caption's width (clear of the icon and the buttons) and its height in it.
    const WinRect max = WS::windowRect(hwnd);
    const WinRect normal = WS::restoreRect(hwnd);
    const int w = normal.width(), h = normal.height();
    const double share = max.width() > 0 ? double(grip.x() - max.left) / max.width() : 0.5;
    int offsetX = int(share * w);
    offsetX = std::clamp(offsetX, std::min(50, w / 2), std::max(std::min(50, w / 2), w - 110));
    const int offsetY = std::clamp(grip.y() - max.top, 0, std::max(0, m_lTop - 1));
    const int left = now.x() - offsetX, top = now.y() - offsetY;
    WS::restoreTo(hwnd, {left, top, left + w, top + h});
    return true;
}

void cNCCalcSize::DragLoop()
{
    const HWND hwnd = m_hWnd;
    // A maximised window is restored first and then follows the mouse here:
    // a window manager would start its move from where it last saw the
    // window. Any other move is the window manager's when there is one.
    const bool restored = WS::isZoomed(hwnd);
    if (restored && !RestoreForDrag())
        return;
    if (!restored && WS::startSystemMove(hwnd))
        return;
    WinRect rc = WS::windowRectInParent(hwnd);
    QPoint pt = SystemInput::cursorPos();
    while (SystemInput::isLeftButtonDown() && WS::isWindow(hwnd) && WS::activeWindow() == hwnd) {
        const QPoint now = SystemInput::cursorPos();
        if (now != pt) {
            WS::moveWindow(hwnd, rc.left + now.x() - pt.x(), rc.top + now.y() - pt.y());
            rc = WS::windowRectInParent(hwnd);
            pt = now;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

// ------------------------------------------------------------------ plain frame

void cNCCalcSize::DefaultNCPaint(DeviceContext *hdc, int lLeft, int lTop, int lRight, int lBottom)
{
    const int frameX = WS::systemMetric(sm::CxFrame);
    const int frameY = WS::systemMetric(sm::CyFrame);
    const int captionHeight = WS::systemMetric(sm::CyCaption);
    const COLORREF border = WS::sysColor(m_bActive ? syscolor::ActiveBorder : syscolor::InactiveBorder);
    const COLORREF caption = WS::sysColor(m_bActive ? syscolor::ActiveCaption : syscolor::InactiveCaption);

    hdc->fillRect({lLeft, lTop, lLeft + frameX, lBottom}, border);
    hdc->fillRect({lLeft, lTop, lRight, lTop + frameY}, border);
    hdc->fillRect({lRight - frameX, lTop, lRight, lBottom}, border);
    hdc->fillRect({lLeft, lBottom - frameY, lRight, lBottom}, border);
    hdc->fillRect({lLeft + frameX, lTop + frameY + captionHeight - 1, lRight - frameX, lTop + frameY + captionHeight},
                  border);

    DeviceContext *mem = m_cMemDC.hdc();
    if (!mem)
        return;
    WinRect rc{0, 0, (lRight - frameX) - (lLeft + frameX), captionHeight - 1};
    const int buttons = 3 * rc.height() + 2;
    mem->fillRect(rc, caption);
    mem->setBkMode(DeviceContext::Transparent);
    mem->setTextColor(WS::sysColor(m_bActive ? syscolor::CaptionText : syscolor::InactiveCaptionText));
    WinRect text{rc.left + 4, rc.top, rc.right - buttons, rc.bottom};
    mem->drawText(WS::windowText(m_hWnd), text, dt::SingleLine | dt::VCenter | dt::NoPrefix | dt::EndEllipsis);

    // Close, maximise (or restore) and minimise buttons from the right.
    WinRect b = rc;
    b.top += 2;
    b.bottom -= 2;
    const int side = b.height() + 2;
    const QFont glyphs(QStringLiteral("Marlett"));
    const QFont oldFont = mem->selectFont(glyphs);
    mem->setTextColor(0);
    int right = rc.right - 2;
    const QChar faces[3] = {u'r', WS::isZoomed(m_hWnd) ? u'2' : u'1', u'0'};
    for (int i = 0; i < 3; ++i) {
        WinRect button{right - side, b.top, right, b.bottom};
        mem->fillRect(button, WS::sysColor(syscolor::BtnFace));
        mem->drawEdge(button, bdr::RaisedOuter | bdr::RaisedInner, bf::Rect);
        WinRect face = button;
        mem->drawText(QString(faces[i]), face, dt::SingleLine | dt::VCenter | dt::Center);
        right -= side + (i == 0 ? 2 : 0);
    }
    mem->selectFont(oldFont);

    hdc->bitBlt(lLeft + frameX, lTop + frameY, rc.width(), rc.height(), *mem, 0, 0);
    hdc->drawEdge({lLeft, lTop, lRight, lBottom}, bdr::RaisedOuter | bdr::RaisedInner, bf::Rect);
}

} // namespace velmora::skin
