#include "skin/MSubclass.h"

#include "skin/ISubclass.h"
#include "skin/SkinError.h"
#include "skin/WindowSystem.h"

namespace velmora::skin {

UINT MSubclass::m_iCurrentMessage = 0;
WNDPROC MSubclass::m_iProcOld = nullptr;

namespace {
using WS = WindowSystem;

qintptr clientAddress(ISubclass *iwp) { return qintptr(reinterpret_cast<quintptr>(iwp)); }
} // namespace

QByteArray MSubclass::procName(HWND hwnd) { return QByteArray::number(quint64(hwnd)); }
QByteArray MSubclass::windowCountName(HWND hwnd) { return "C" + procName(hwnd); }
QByteArray MSubclass::clientCountName(HWND hwnd, UINT iMsg)
{
    return procName(hwnd) + '#' + QByteArray::number(iMsg) + 'C';
}
QByteArray MSubclass::clientName(HWND hwnd, UINT iMsg, int index)
{
    return procName(hwnd) + '#' + QByteArray::number(iMsg) + '#' + QByteArray::number(index);
}

void MSubclass::AttachMessage(ISubclass *iwp, HWND hwnd, UINT iMsg)
{
    // Both checks come before any change to the window.
    if (!WS::isWindow(hwnd))
        throw SkinError(SkinError::InvalidWindow);
    if (!WS::isOwnWindow(hwnd))
        throw SkinError(SkinError::ExternalWindow);

    // A pair that is attached already is refused before the window count
    // changes, so a refused attach leaves nothing to undo.
    const qintptr n = WS::prop(hwnd, clientCountName(hwnd, iMsg));
    for (int i = 1; i <= n; ++i)
        if (WS::prop(hwnd, clientName(hwnd, iMsg, i)) == clientAddress(iwp))
            throw SkinError(SkinError::AlreadyHandled);

    const qintptr count = WS::prop(hwnd, windowCountName(hwnd));
    if (count > 0) {
        WS::setProp(hwnd, windowCountName(hwnd), count + 1);
    } else {
        const WNDPROC old = WS::setWindowProc(hwnd, &MSubclass::WindowProc);
        if (!old)
            throw SkinError(SkinError::CantSubclass);
        WS::setProp(hwnd, procName(hwnd), qintptr(reinterpret_cast<quintptr>(old)));
        WS::setProp(hwnd, windowCountName(hwnd), 1);
    }

    WS::setProp(hwnd, clientCountName(hwnd, iMsg), n + 1);
    WS::setProp(hwnd, clientName(hwnd, iMsg, int(n + 1)), clientAddress(iwp));
}

void MSubclass::DetachMessage(ISubclass *iwp, HWND hwnd, UINT iMsg)
{
    const qintptr count = WS::prop(hwnd, windowCountName(hwnd));
    if (count == 1) {
        const auto old = reinterpret_cast<WNDPROC>(quintptr(WS::prop(hwnd, procName(hwnd))));
        WS::setWindowProc(hwnd, old);
        WS::removeProp(hwnd, procName(hwnd));
        WS::removeProp(hwnd, windowCountName(hwnd));
    } else {
        WS::setProp(hwnd, windowCountName(hwnd), count - 1);
    }

    const qintptr n = WS::prop(hwnd, clientCountName(hwnd, iMsg));
    if (n <= 0)
        return;
    int found = 0;
    for (int i = 1; i <= n; ++i) {
        if (WS::prop(hwnd, clientName(hwnd, iMsg, i)) == clientAddress(iwp)) {
            found = i;
            break;
        }
    }
    if (!found)
        return;
    for (int i = found; i < n; ++i)
        WS::setProp(hwnd, clientName(hwnd, iMsg, i), WS::prop(hwnd, clientName(hwnd, iMsg, i + 1)));
    WS::removeProp(hwnd, clientName(hwnd, iMsg, int(n)));
    if (n - 1 > 0)
        WS::setProp(hwnd, clientCountName(hwnd, iMsg), n - 1);
    else
        WS::removeProp(hwnd, clientCountName(hwnd, iMsg));
}

LRESULT MSubclass::CallOldWindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam)
{
    return WS::callWindowProc(m_iProcOld, hwnd, iMsg, wParam, lParam);
}

LRESULT MSubclass::WindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam)
{
    const auto procOld = reinterpret_cast<WNDPROC>(quintptr(WS::prop(hwnd, procName(hwnd))));
    const qintptr n = WS::prop(hwnd, clientCountName(hwnd, iMsg));
    if (n < 1)
        return WS::callWindowProc(procOld, hwnd, iMsg, wParam, lParam);

    LRESULT result = 0;
    bool calledOld = false;
    for (int i = 1; i <= n; ++i) {
        const qintptr address = WS::prop(hwnd, clientName(hwnd, iMsg, i));
        if (!address) {
            // The entry went away during this dispatch.
            result = WS::callWindowProc(procOld, hwnd, iMsg, wParam, lParam);
            calledOld = true;
            continue;
        }
        auto *client = reinterpret_cast<ISubclass *>(quintptr(address));
        m_iCurrentMessage = iMsg;
        m_iProcOld = procOld;
        // Only the first client may ask for pre-processing, only the last for post-processing.
        if (i == 1 && client->MsgResponse() == ISubclass::PreProcess && !calledOld) {
            result = WS::callWindowProc(procOld, hwnd, iMsg, wParam, lParam);
            calledOld = true;
        }
        client->WindowProc(hwnd, iMsg, wParam, lParam, result);
        if (i == n && client->MsgResponse() == ISubclass::PostProcess && !calledOld) {
            result = WS::callWindowProc(procOld, hwnd, iMsg, wParam, lParam);
            calledOld = true;
        }
    }
    return result;
}

} // namespace velmora::skin
