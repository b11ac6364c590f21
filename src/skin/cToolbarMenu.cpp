#include "skin/cToolbarMenu.h"

#include "skin/MenuApi.h"
#include "skin/WindowSystem.h"
#include "skin/cMenuBar.h"
#include "skin/mDeclares.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QTimer>

namespace velmora::skin {

cToolbarMenu::~cToolbarMenu() { Terminate(); }

void cToolbarMenu::Initialise(HWND hwnd, cMenuBar *bar)
{
    Terminate();
    m_hWnd = hwnd;
    WindowSystem::sendMessage(m_hWnd, wm::EnterMenuLoop, 0, 0);
    m_gSubclass.AttachMessage(this, m_hWnd, wm::MenuSelect);
    m_cMenuBar = bar;
}

void cToolbarMenu::Terminate()
{
    if (m_hWnd) {
        WindowSystem::sendMessage(m_hWnd, wm::ExitMenuLoop, 0, 0);
        m_gSubclass.DetachMessage(this, m_hWnd, wm::MenuSelect);
    }
    m_hWnd = 0;
    m_cMenuBar = nullptr;
}

int cToolbarMenu::MsgResponse() const
{
    return m_gSubclass.CurrentMessage() == wm::MenuSelect ? PreProcess : Consume;
}

void cToolbarMenu::WindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam, LRESULT &lReturn)
{
    Q_UNUSED(hwnd);
    Q_UNUSED(lReturn);
    if (iMsg == wm::MenuSelect && m_iState > 0) {
        m_bNoSubmenu = !(hiWord(qint64(wParam)) & mf::Popup);
        m_bInTrackedPopup = reinterpret_cast<HMENU>(lParam) == m_hTrackPopup;
    }
}

void cToolbarMenu::SetState(int iState, int iCurrent)
{
    m_iState = iState;
    m_iCurrent = iCurrent;
    if (iState == 2) {
        m_cMenuBar->setHoverEntry(iCurrent);
        m_bNoSubmenu = true;
        m_bInTrackedPopup = true;
    } else {
        m_cMenuBar->setHoverEntry(-1);
    }
}

int cToolbarMenu::TrackPopup(int iEntry, bool bKeyboard)
{
    if (m_bTracking || !m_cMenuBar)
        return 0;
    m_bTracking = true;
    int result = 0;
    int a = iEntry;
    int next = a;
    while (next >= 0) {
        m_iNext = -1;
        m_iLastEntry = a;
        m_bEscaped = false;
        m_cMenuBar->setCurrentEntry(a);
        SetState(2, a);
        mDeclares::AttachMsgHook(this);
        m_hTrackPopup = m_cMenuBar->EntryPopup(a);
        if (m_hTrackPopup && bKeyboard) {
            // Once the popup is up, its first item is selected, as the keyboard opened it.
            QPointer<QMenu> popup = qobject_cast<QMenu *>(m_hTrackPopup);
            QTimer::singleShot(0, popup, [popup] {
                if (!popup || !popup->isVisible() || popup->activeAction())
                    return;
                const QList<QAction *> actions = popup->actions();
                for (QAction *item : actions) {
                    if (item->isVisible() && item->isEnabled() && !item->isSeparator()) {
                        popup->setActiveAction(item);
                        break;
                    }
                }
            });
        }
        if (m_hTrackPopup) {
            const WinRect r = m_cMenuBar->EntryScreenRect(a);
            result = MenuApi::trackPopupMenu(m_hTrackPopup, tpm::LeftAlign | tpm::Vertical, r.left, r.bottom, m_hWnd,
                                             &r)
                         ? 1
                         : 0;
        }
        mDeclares::DetachMsgHook();
        if (!m_cMenuBar)
            break; // the bar went away while the popup was open
        if (m_cMenuBar->CurrentEntry() == a)
            m_cMenuBar->setCurrentEntry(0);
        SetState(0, 0);
        next = m_iNext;
        a = next;
    }
    m_hTrackPopup = nullptr;
    m_bTracking = false;
    return result;
}

void cToolbarMenu::SwitchTo(int iEntry)
{
    if (iEntry > 0 && iEntry != m_iCurrent && m_cMenuBar->EntryPopup(iEntry)) {
        // Cancel mode closes the open popup; the loop then opens the next one.
        WindowSystem::postMessage(m_hWnd, wm::CancelMode, 0, 0);
        m_iNext = iEntry;
    }
}

bool cToolbarMenu::MenuMessage(const Msg &msg)
{
    if (!m_cMenuBar)
        return false;
    switch (msg.message) {
    case wm::KeyDown:
        if (int(msg.wParam) == vk::Escape && m_bInTrackedPopup)
            m_bEscaped = true; // the popup closes as usual; the bar learns how
        if (int(msg.wParam) == vk::Left && m_bInTrackedPopup) {
            const int count = m_cMenuBar->EntryCount();
            SwitchTo(m_iCurrent > 1 ? m_iCurrent - 1 : count);
            return true;
        }
        if (int(msg.wParam) == vk::Right && m_bNoSubmenu) {
            const int count = m_cMenuBar->EntryCount();
            SwitchTo(m_iCurrent < count ? m_iCurrent + 1 : 1);
            return true;
        }
        return false;
    case wm::MouseMove: {
        const int entry = m_cMenuBar->EntryAt(msg.pt);
        if (entry >= 1 && entry != m_iCurrent)
            SwitchTo(entry);
        m_ptLast = msg.pt;
        return false;
    }
    case wm::LButtonDown:
        // A press on the open entry leaves its popup open.
        return m_cMenuBar->EntryAt(msg.pt) == m_iCurrent;
    default:
        return false;
    }
}

} // namespace velmora::skin
