#include "skin/cNeoCaption.h"

#include "skin/DeviceContext.h"
#include "skin/LogFont.h"
#include "skin/SystemInput.h"
#include "skin/SystemMenu.h"
#include "skin/WindowSystem.h"
#include "skin/cMenuBar.h"
#include "skin/cNCCalcSize.h"

#include <QWidget>

namespace velmora::skin {

namespace {
using WS = WindowSystem;
} // namespace

cNeoCaption::cNeoCaption()
{
    m_fntCaption = QFont(QStringLiteral("MS Sans Serif"));
    m_fntCaption.setPointSizeF(8);
    m_fntMenu = m_fntCaption;
}

cNeoCaption::~cNeoCaption() { Detach(); }

// ------------------------------------------------------------------ attach

void cNeoCaption::Attach(QWidget *form, const QImage &PicCaption, const QImage &PicBorder, int lButtonWidth,
                         int lButtonHeight, int lActiveLeftEnd, int lActiveRightStart, int lActiveRightEnd,
                         int lInactiveOffset)
{
    const HWND hwnd = WS::handleOf(form);
    WS::lockWindowUpdate(hwnd);
    Detach();

    m_cCaption.CreateFromPicture(PicCaption);
    m_cBorder.CreateFromPicture(PicBorder);

    m_lButtonWidth = lButtonWidth;
    m_lButtonHeight = lButtonHeight;
    m_lActiveLeftEnd = lActiveLeftEnd;
    m_lActiveRightStart = lActiveRightStart;
    m_lActiveRightEnd = lActiveRightEnd;
    m_lInactiveOffset = lInactiveOffset;
    m_hWnd = hwnd;

    m_cMenu = std::make_unique<cMenuBar>();
    m_cMenu->Attach(m_hWnd);
    // The menu bar's own attach unlocks drawing; keep the form locked until the end.
    WS::lockWindowUpdate(hwnd);
    m_cMenu->setMenuFont(m_fntMenu);
    m_cMenu->setActiveMenuColor(m_oActiveMenuColor);
    m_cMenu->setActiveMenuColorOver(m_oActiveMenuColorOver);
    m_cMenu->setInActiveMenuColor(m_oInActiveMenuColor);
    m_cMenu->setMenuBackgroundColor(m_oMenuBackgroundColor);
    m_cMenu->setCaptionHeight(m_cCaption.Height());

    m_cNCS = std::make_unique<cNCCalcSize>();
    m_cNCS->Attach(this);
    m_cNCS->Display(form);

    if (WS::isVisible(m_hWnd)) {
        WS::setForegroundWindow(m_hWnd);
        WS::setFocus(m_hWnd);
        WS::sendMessage(m_hWnd, wm::NcActivate, 1, 0);
    }
    WS::lockWindowUpdate(0);
}

void cNeoCaption::Detach()
{
    if (m_cNCS)
        m_cNCS->Detach();
    if (m_cMenu) {
        HMENU menu = m_cMenu->hMenu();
        m_cMenu->Detach();
        if (menu && m_hWnd)
            WS::setMenu(m_hWnd, menu);
    }
}

// ------------------------------------------------------------------ margins

int cNeoCaption::GetTopMarginHeight() { return m_cCaption.Height(); }
int cNeoCaption::GetLeftMarginWidth() { return m_cBorder.Height(); }
int cNeoCaption::GetRightMarginWidth() { return m_cBorder.Height(); }
int cNeoCaption::GetBottomMarginHeight() { return m_cBorder.Height(); }

// ------------------------------------------------------------------ painting

void cNeoCaption::refreshPresence()
{
    const quint32 style = WS::style(m_hWnd);
    m_bPresent[Close] = style & ws::SysMenu;
    m_bPresent[Maximise] = style & ws::MaximizeBox;
    m_bPresent[Minimise] = style & ws::MinimizeBox;
}

int cNeoCaption::glyphX(int button) const
{
    switch (button) {
    case Close:
        return 241;
    case Maximise:
        // The restore glyph while the window is maximised.
        return WS::style(m_hWnd) & ws::Maximize ? 240 + m_lButtonWidth : 240 + 2 * m_lButtonWidth;
    default:
        return 240 + 3 * m_lButtonWidth;
    }
}

void cNeoCaption::drawButton(DeviceContext *hdc, int button, bool pressed)
{
    if (!hdc || !m_cCaption.hdc())
        return;
    const WinRect &rc = m_rcButton[button];
    hdc->bitBlt(rc.left, rc.top, rc.width(), rc.height(), *m_cCaption.hdc(), glyphX(button),
                pressed ? m_lButtonHeight : 0);
}

void cNeoCaption::NCPaint(DeviceContext *hdc, int lLeft, int lTop, int lRight, int lBottom)
{
    DeviceContext *caption = m_cCaption.hdc();
    DeviceContext *border = m_cBorder.hdc();
    if (!hdc || !caption || !border)
        return;
    const int Hc = m_cCaption.Height();
    const int Hb = m_cBorder.Height();
    const bool active = m_cNCS && m_cNCS->WindowActive();
    const int o = active ? 0 : m_lInactiveOffset;

    // 1. Work surfaces.
    m_cCaptionWork.setWidth(lRight - lLeft + 1);
    m_cCaptionWork.setHeight(Hc);
    m_cBorderWork.setWidth(m_cBorder.Width() * 2);
    m_cBorderWork.setHeight(lBottom - lTop + 1);
    DeviceContext *work = m_cCaptionWork.hdc();
    DeviceContext *borderWork = m_cBorderWork.hdc();
    if (!work || !borderWork)
        return;

    // 2. The caption font, bold while active.
    LogFont lf = LogFont::fromFont(m_fntCaption, hdc->logPixelsY());
    if (active)
        lf.lfWeight = 700;
    const QFont oldFont = work->selectFont(lf.createFont());

    // 3. Left and right pieces.
    const int rightWidth = m_lActiveRightEnd - m_lActiveRightStart + 1;
    work->bitBlt(lLeft, lTop, m_lActiveLeftEnd, Hc, *caption, o, 0);
    int rightX = lRight - (m_lActiveRightEnd - m_lActiveRightStart);
    bool noTitle = false;
    if (rightX < lLeft + rightWidth) {
        rightX = lLeft + rightWidth;
        noTitle = true;
    }
    work->bitBlt(rightX, lTop, rightWidth, Hc, *caption, o + m_lActiveRightStart, 0);

    // 4. The buttons, from the right; an absent button leaves no gap.
    refreshPresence();
    int slotRight = (rightX + (m_lActiveRightEnd - m_lActiveRightStart)) - Hb + 4;
    for (int b : {Close, Maximise, Minimise}) {
        if (!m_bPresent[b])
            continue;
        m_rcButton[b] = {slotRight - (m_lButtonWidth + 1), lTop + 5, slotRight, lTop + 5 + m_lButtonHeight};
        slotRight = m_rcButton[b].left;
        drawButton(work, b, false);
    }

    // 5. The middle, tiled.
    const int tileX = o + m_lActiveLeftEnd + 1;
    for (int x = lLeft + 90; x < rightX; x += 52)
        work->bitBlt(x, 0, std::min(52, rightX - x), Hc, *caption, tileX, 0);

    // 6. The title in the upper half.
    if (!noTitle) {
        work->setBkMode(DeviceContext::Transparent);
        work->setTextColor(WS::translateColor(active ? m_oActiveCaptionColor : m_oInActiveCaptionColor));
        const QString title = WS::windowText(m_hWnd);
        if (!title.isEmpty()) {
            WinRect rc{lLeft + 92, Hb + 1, lRight - 96, Hb + 1 + (Hc - Hb - 2) / 2};
            work->drawText(title, rc, dt::SingleLine | dt::NoPrefix | dt::EndEllipsis);
        }
    }

    // 7. The menu bar in the lower half. Keyboard access to it ends when the
    // window is no longer active.
    if (m_cMenu && !active && m_cMenu->KeyboardMode())
        m_cMenu->ExitKeyboardMode(false);
    if (m_cMenu) {
        m_cMenu->setHMenu(m_cNCS ? m_cNCS->hMenu() : nullptr);
        LogFont menuLf = lf;
        menuLf.lfWeight = 400;
        m_cMenu->Render(menuLf.createFont(), work, m_lActiveLeftEnd, Hc / 2, rightX - m_lActiveLeftEnd, Hc / 2,
                        2 - Hc / 2);
    }

    // 8. The caption onto the window.
    hdc->bitBlt(0, 0, m_cCaptionWork.Width(), Hc, *work, 0, 0);

    // 9. Side edges: a tile, then the filled run doubled until the column is full.
    const int sideHeight = lBottom - (lTop + Hc);
    if (sideHeight > 0) {
        const int top = lTop + Hc;
        borderWork->bitBlt(0, top, Hb, Hb, *border, 0, 0);
        borderWork->bitBlt(Hb, top, Hb, Hb, *border, 4 * Hb, 0);
        for (int filled = Hb; filled < sideHeight; filled *= 2)
            borderWork->bitBlt(0, top + filled, 2 * Hb, std::min(filled, sideHeight - filled), *borderWork, 0, top);
        hdc->bitBlt(lLeft, top, Hb, sideHeight, *borderWork, 0, top);
        hdc->bitBlt(lRight - Hb, top, Hb, sideHeight, *borderWork, Hb, top);
    }

    // 10. Bottom edge with its corners, built in the caption surface's first rows.
    const int bottomY = std::max(lBottom - Hb, Hc);
    for (int x = lLeft + Hb; x < lRight - Hb; x += Hb)
        work->bitBlt(x, 0, std::min(Hb, lRight - Hb - x), Hb, *border, 3 * Hb, 0);
    work->bitBlt(lLeft, 0, Hb, Hb, *border, 2 * Hb, 0);
    work->bitBlt(lRight - Hb, 0, Hb, Hb, *border, 6 * Hb, 0);
    hdc->bitBlt(lLeft, bottomY, lRight - lLeft, Hb, *work, lLeft, 0);

    // 11.
    work->selectFont(oldFont);
}

// ------------------------------------------------------------------ mouse

namespace {
// The window icon in the caption, window coordinates.
constexpr WinRect IconRect{12, 11, 42, 43};
} // namespace

void cNeoCaption::HitTest(int x, int y, int &eHitTest)
{
    // The window icon.
    if (IconRect.contains(x, y))
        eHitTest = ht::SysMenu;
    // All of the caption strip that is not the icon, a button or a menu
    // entry moves the window, the menu row beside the entries too.
    if (eHitTest == ht::SysMenu && !IconRect.contains(x, y))
        eHitTest = ht::Caption; // the sliver left of the icon; a button sets it again below
    if (eHitTest == ht::Client && y >= 0 && y < m_cCaption.Height() && m_hWnd) {
        const WinRect wr = WS::windowRect(m_hWnd);
        if (x >= 0 && x < wr.width() && !(m_cMenu && m_cMenu->EntryAt(QPoint(wr.left + x, wr.top + y)) > 0))
            eHitTest = ht::Caption;
    }
    bool over[3] = {false, false, false};
    for (int b : {Close, Maximise, Minimise}) {
        if (m_bPresent[b] && m_rcButton[b].contains(x, y)) {
            eHitTest = ht::SysMenu;
            over[b] = true;
        }
    }
    // A button under the pointer or pressed is redrawn: pressed while the
    // mouse button is still held over it, normal otherwise.
    const bool held = SystemInput::isLeftButtonDown();
    bool any = false;
    for (int b : {Close, Maximise, Minimise})
        any |= m_bPresent[b] && (m_bPressed[b] || over[b]);
    if (any) {
        auto dc = WS::windowDC(m_hWnd);
        for (int b : {Close, Maximise, Minimise})
            if (m_bPresent[b] && (m_bPressed[b] || over[b]))
                drawButton(dc.get(), b, m_bPressed[b] && over[b] && held);
    }
    // A press that ended outside the frame leaves nothing pressed.
    if (!held)
        for (bool &pressed : m_bPressed)
            pressed = false;
}

void cNeoCaption::NCMouseDown(int x, int y, bool &bHandled, DeviceContext *hdc, int lLeft, int lTop, int lRight,
                              int lBottom)
{
    Q_UNUSED(lLeft);
    Q_UNUSED(lTop);
    Q_UNUSED(lRight);
    Q_UNUSED(lBottom);
    for (int b : {Close, Maximise, Minimise}) {
        if (m_bPresent[b] && m_rcButton[b].contains(x, y)) {
            drawButton(hdc, b, true);
            m_bPressed[b] = true;
            bHandled = true;
        }
    }
    // A press on the icon opens the window menu (the press step of a
    // release, with the button already up, does not).
    if (!bHandled && IconRect.contains(x, y) && SystemInput::isLeftButtonDown()) {
        bHandled = true;
        ShowSystemMenu();
    }
}

void cNeoCaption::ShowSystemMenu()
{
    if (!m_hWnd)
        return;
    const WinRect wr = WS::windowRect(m_hWnd);
    // Below the caption at the window's left edge.
    const QPoint at(wr.left + m_cBorder.Height(), wr.top + m_cCaption.Height());
    const QRect icon(wr.left + IconRect.left, wr.top + IconRect.top, IconRect.width(), IconRect.height());
    SystemMenu::track(m_hWnd, at, icon);
}

void cNeoCaption::NCMouseUp(int x, int y, DeviceContext *hdc, int lLeft, int lTop, int lRight, int lBottom)
{
    Q_UNUSED(lLeft);
    Q_UNUSED(lTop);
    Q_UNUSED(lRight);
    Q_UNUSED(lBottom);
    for (int b : {Close, Maximise, Minimise}) {
        if (!m_bPresent[b] || !m_bPressed[b] || !m_rcButton[b].contains(x, y) || !m_cNCS)
            continue;
        switch (b) {
        case Close:
            m_cNCS->SysCommand(sc::Close);
            break;
        case Maximise:
            m_cNCS->SysCommand(WS::style(m_hWnd) & ws::Maximize ? sc::Restore : sc::Maximize);
            break;
        default:
            m_cNCS->SysCommand(sc::Minimize);
            break;
        }
    }
    for (int b : {Close, Maximise, Minimise}) {
        if (m_bPresent[b])
            drawButton(hdc, b, false);
        m_bPressed[b] = false;
    }
}

// ------------------------------------------------------------------ menu

void cNeoCaption::InitMenuPopup(WPARAM wParam, LPARAM lParam)
{
    Q_UNUSED(lParam);
    if (m_cMenu)
        m_cMenu->InitMenuPopup(reinterpret_cast<HMENU>(wParam));
}

void cNeoCaption::ExitMenuLoop()
{
    if (m_cMenu)
        m_cMenu->ExitMenuLoop();
}

void cNeoCaption::AltKeyAccelerator(int vKey, bool &bHandled)
{
    if (m_cMenu)
        bHandled = m_cMenu->AltKeyAccelerator(vKey);
    // Alt+Space opens the window menu, unless a popup of the bar is open.
    if (!bHandled && vKey == vk::Space && !(m_cMenu && m_cMenu->Tracking())) {
        bHandled = true;
        ShowSystemMenu();
    }
}

void cNeoCaption::MenuKey(int vKey, bool bDown, bool &bHandled)
{
    if (m_cMenu)
        bHandled = m_cMenu->KeyboardKey(vKey, bDown);
}

} // namespace velmora::skin
