#pragma once

#include "skin/WinDefs.h"

namespace velmora::skin {

class DeviceContext;

// What a non-client area manager asks of the object that shapes a window's
// frame: its margins, its painting, hit codes, presses, menu notifications
// and Alt accelerators. Points are in window coordinates.
class INCAreaModifier {
public:
    virtual ~INCAreaModifier() = default;
    virtual HWND hwnd() const = 0;
    virtual int GetTopMarginHeight() = 0;
    virtual int GetLeftMarginWidth() = 0;
    virtual int GetRightMarginWidth() = 0;
    virtual int GetBottomMarginHeight() = 0;
    virtual void NCPaint(DeviceContext *hdc, int lLeft, int lTop, int lRight, int lBottom) = 0;
    virtual void HitTest(int x, int y, int &eHitTest) = 0;
    virtual void NCMouseDown(int x, int y, bool &bHandled, DeviceContext *hdc, int lLeft, int lTop, int lRight,
                             int lBottom) = 0;
    virtual void NCMouseUp(int x, int y, DeviceContext *hdc, int lLeft, int lTop, int lRight, int lBottom) = 0;
    virtual void InitMenuPopup(WPARAM wParam, LPARAM lParam) = 0;
    virtual void ExitMenuLoop() = 0;
    virtual void AltKeyAccelerator(int vKey, bool &bHandled) = 0;
    // Any key while the window is active, for keyboard access to its menu
    // (Alt alone, F10, then the arrows); by default not used.
    virtual void MenuKey(int vKey, bool bDown, bool &bHandled)
    {
        (void)vKey;
        (void)bDown;
        (void)bHandled;
    }
};

} // namespace velmora::skin
