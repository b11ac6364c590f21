#pragma once

#include "skin/WinDefs.h"

namespace velmora::skin {

// What the system does with a message nobody else handled: the previous
// window procedure of every window the skin subclasses. It sizes and
// hit-tests a plain frame, sets the cursor of frame zones, moves and resizes
// the window from its frame (through the window manager when there is one,
// by following the mouse otherwise), carries out the system commands, closes
// popups on cancel mode and lets Qt handle client-area mouse events.
class DefaultWindowProc {
public:
    static LRESULT proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    // The plain frame: margins of a frameless window that nobody sizes.
    static WinRect defaultMargins();
    // Hit code of a point (window coordinates) in a plain frame.
    static int plainHitCode(int x, int y, int width, int height, bool resizable);

private:
    static void systemMove(HWND hwnd);
    static void systemResize(HWND hwnd, int hitCode);
    static void systemCommand(HWND hwnd, UINT command);
    static void paintPlainFrame(HWND hwnd);
};

} // namespace velmora::skin
