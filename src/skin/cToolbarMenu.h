#pragma once

#include "skin/GSubclass.h"
#include "skin/ISubclass.h"

#include <QPoint>

namespace velmora::skin {

class cMenuBar;

// Runs the popup loop of the caption menu bar: opens the popup of an entry
// below it and, while it is open, lets Left and Right and the mouse over the
// bar move on to a neighbouring entry's popup. It sees the open popup's
// messages through the menu message filter hook and the menu-selection
// message of its window.
class cToolbarMenu : public ISubclass {
public:
    cToolbarMenu() = default;
    ~cToolbarMenu() override;
    cToolbarMenu(const cToolbarMenu &) = delete;
    cToolbarMenu &operator=(const cToolbarMenu &) = delete;

    void Initialise(HWND hwnd, cMenuBar *bar);
    void Terminate();
    // Opens entry iEntry's popup and follows the user to other entries; returns the last popup's result.
    // From the keyboard, each popup opens with its first item selected.
    int TrackPopup(int iEntry, bool bKeyboard = false);
    bool Tracking() const { return m_bTracking; }
    // How the last loop ended: its last entry, and whether Escape closed its popup.
    int LastEntry() const { return m_iLastEntry; }
    bool Escaped() const { return m_bEscaped; }
    // A message of the open popup; true if it is used up here.
    bool MenuMessage(const Msg &msg);

    int MsgResponse() const override;
    void WindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam, LRESULT &lReturn) override;

private:
    void SwitchTo(int iEntry);
    void SetState(int iState, int iCurrent);

    GSubclass m_gSubclass;
    HWND m_hWnd = 0;
    cMenuBar *m_cMenuBar = nullptr;
    bool m_bTracking = false;
    int m_iState = 0;
    int m_iCurrent = 0;
    int m_iNext = -1;
    HMENU m_hTrackPopup = nullptr;
    bool m_bNoSubmenu = true;
    bool m_bInTrackedPopup = true;
    QPoint m_ptLast;
    int m_iLastEntry = 0;
    bool m_bEscaped = false;
};

} // namespace velmora::skin
