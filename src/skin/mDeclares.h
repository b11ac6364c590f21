#pragma once

#include "skin/WinDefs.h"

#include <vector>

namespace velmora::skin {

class cNCCalcSize;
class cToolbarMenu;

// The two thread hooks of the skin. The keyboard hook hands Alt+key presses
// to the non-client area manager of the active skinned window; the menu
// message filter hook hands the messages of an open popup menu to the one
// popup handler that is tracking it.
class mDeclares {
public:
    // Registering the first manager installs the keyboard hook; removing the last removes it.
    static void AttachKeyboardHook(cNCCalcSize *cNCS);
    static void DetachKeyboardHook(cNCCalcSize *cNCS);
    // The first registered manager whose window is active.
    static cNCCalcSize *ActiveNCCalcSize();

    static void AttachMsgHook(cToolbarMenu *cTBM);
    static void DetachMsgHook();

    static bool keyboardHookInstalled() { return m_hKeyHook != 0; }
    static int registeredManagers() { return int(m_cNCS.size()); }

private:
    static LRESULT KeyboardFilter(int nCode, WPARAM wParam, LPARAM lParam);
    static LRESULT MessageFilter(int nCode, WPARAM wParam, LPARAM lParam);

    static quintptr m_hKeyHook;
    static std::vector<cNCCalcSize *> m_cNCS;
    static quintptr m_hMsgHook;
    static cToolbarMenu *m_cTBM;
};

} // namespace velmora::skin
