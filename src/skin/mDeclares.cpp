#include "skin/mDeclares.h"

#include "skin/SkinError.h"
#include "skin/SystemInput.h"
#include "skin/ThreadHooks.h"
#include "skin/cNCCalcSize.h"
#include "skin/cToolbarMenu.h"

#include <algorithm>

namespace velmora::skin {

quintptr mDeclares::m_hKeyHook = 0;
std::vector<cNCCalcSize *> mDeclares::m_cNCS;
quintptr mDeclares::m_hMsgHook = 0;
cToolbarMenu *mDeclares::m_cTBM = nullptr;

void mDeclares::AttachKeyboardHook(cNCCalcSize *cNCS)
{
    if (!m_hKeyHook)
        m_hKeyHook = ThreadHooks::setHook(ThreadHooks::Keyboard, &mDeclares::KeyboardFilter);
    if (std::find(m_cNCS.begin(), m_cNCS.end(), cNCS) == m_cNCS.end())
        m_cNCS.push_back(cNCS);
}

void mDeclares::DetachKeyboardHook(cNCCalcSize *cNCS)
{
    m_cNCS.erase(std::remove(m_cNCS.begin(), m_cNCS.end(), cNCS), m_cNCS.end());
    if (m_cNCS.empty() && m_hKeyHook) {
        ThreadHooks::unhook(m_hKeyHook);
        m_hKeyHook = 0;
    }
}

cNCCalcSize *mDeclares::ActiveNCCalcSize()
{
    for (cNCCalcSize *cNCS : m_cNCS)
        if (cNCS->WindowActive())
            return cNCS;
    return nullptr;
}

void mDeclares::AttachMsgHook(cToolbarMenu *cTBM)
{
    DetachMsgHook();
    m_cTBM = cTBM;
    m_hMsgHook = ThreadHooks::setHook(ThreadHooks::MessageFilter, &mDeclares::MessageFilter);
}

void mDeclares::DetachMsgHook()
{
    if (m_hMsgHook)
        ThreadHooks::unhook(m_hMsgHook);
    m_hMsgHook = 0;
    m_cTBM = nullptr;
}

LRESULT mDeclares::KeyboardFilter(int nCode, WPARAM wParam, LPARAM lParam)
{
    try {
        if (nCode == hc::Action) {
            const int key = int(wParam);
            const bool altHeld = lParam & (1 << 29);
            const bool goingDown = !(quint32(lParam) & (1u << 31));
            const bool ctrlHeld = SystemInput::isKeyDown(vk::Control);
            const bool excluded = (key >= vk::F1 && key <= vk::F12) || key == vk::Escape || key == vk::Delete;
            // Keyboard access to the caption menu bar sees every key first.
            if (cNCCalcSize *cNCS = ActiveNCCalcSize(); cNCS && key > 0 && cNCS->MenuKey(key, goingDown))
                return 1;
            if (altHeld && key > 0 && key != vk::Menu && goingDown && !ctrlHeld && !excluded) {
                if (cNCCalcSize *cNCS = ActiveNCCalcSize(); cNCS && cNCS->AltKeyAccelerator(key))
                    return 1;
            }
        }
    } catch (const SkinError &) {
        // A failure here ends this key's notification quietly.
    }
    return ThreadHooks::callNextHook(m_hKeyHook, nCode, wParam, lParam);
}

LRESULT mDeclares::MessageFilter(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == msgf::Menu && m_cTBM) {
        const Msg msg = *reinterpret_cast<const Msg *>(lParam);
        if (m_cTBM->MenuMessage(msg))
            return 1;
    }
    return ThreadHooks::callNextHook(m_hMsgHook, nCode, wParam, lParam);
}

} // namespace velmora::skin
