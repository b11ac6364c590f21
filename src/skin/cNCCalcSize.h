#pragma once

#include "skin/GSubclass.h"
#include "skin/ISubclass.h"
#include "skin/cMemDC.h"

class QWidget;

namespace velmora::skin {

class DeviceContext;
class INCAreaModifier;

// Takes over the non-client area of one top-level window: sizes the client
// area inside the margins of an INCAreaModifier implementation and hands it
// the painting, hit testing, presses, menu notifications and Alt
// accelerators of that area. Presses on the caption move the window with the
// mouse. The implementation is not owned; its address is kept in the window
// property "trumCNCImplementation".
class cNCCalcSize : public ISubclass {
public:
    cNCCalcSize() = default;
    ~cNCCalcSize() override;
    cNCCalcSize(const cNCCalcSize &) = delete;
    cNCCalcSize &operator=(const cNCCalcSize &) = delete;

    void Redraw(HWND hwnd);
    void Display(QWidget *form);
    bool WindowActive() const { return m_bActive; }
    bool AppActive() const { return m_bAppActive; }
    void TitleBarMouseDown();
    void SysCommand(UINT command);
    void Attach(INCAreaModifier *implementation);
    HMENU hMenu() const { return m_hMenu; }
    void Detach();
    void DefaultNCPaint(DeviceContext *hdc, int lLeft, int lTop, int lRight, int lBottom);
    bool GetImplementation(INCAreaModifier *&implementation) const;

    // Alt plus a key, from the keyboard hook; true if the implementation used it.
    bool AltKeyAccelerator(int vKey);
    // Any key while the window is active, for keyboard access to its menu; true if used.
    bool MenuKey(int vKey, bool bDown);
    // The hit code of the last hit-test message.
    int LastHitCode() const { return m_lLastHitTest; }

    int MsgResponse() const override;
    void WindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam, LRESULT &lReturn) override;

    // The hit code of a point in a window of w x h with margins L, T, R, B:
    // frame zones when resizable, the caption below the top edge, the system
    // menu at its left end, the client area elsewhere.
    static int HitCode(int x, int y, int w, int h, int L, int T, int R, int B, int captionHeight, bool resizable);

private:
    void DragLoop();
    // Waits for the mouse to move with the button held, then restores the
    // maximised window under the pointer; false if the button came up first.
    bool RestoreForDrag();
    bool IsMDIChild() const;
    int HitTestCode();
    void repaint();
    void calcSize(WPARAM wParam, LPARAM lParam, LRESULT &lReturn);
    void leftButtonDown(WPARAM wParam, LPARAM lParam, LRESULT &lReturn);
    QPoint cursorInWindow() const;

    GSubclass m_gSubclass;
    HWND m_hWnd = 0;
    HWND m_hWndMDIClient = 0;
    bool m_bIsMDIChild = false;
    HMENU m_hMenu = nullptr;
    bool m_bActive = false;
    bool m_bAppActive = false;
    bool m_bMaximisedMDIChild = false;
    cMemDC m_cMemDC;
    int m_lLeft = 0;
    int m_lTop = 0;
    int m_lRight = 0;
    int m_lBottom = 0;
    int m_lLastHitTest = 0;
    int m_lNudgeX = 0;
    int m_lNudgeY = 0;
    bool m_bInCursor = false;
    bool m_bInChildActivate = false;
};

} // namespace velmora::skin
