#pragma once

#include "skin/WinDefs.h"

#include <QByteArray>

namespace velmora::skin {

class ISubclass;

// The message-interception service. All bookkeeping lives in the subclassed
// window's own property list: W holds the window's previous procedure, "C"W
// the number of registrations on the window, W#M"C" the number of clients of
// message M and W#M#i the i-th client (a plain address, not counted). While a
// window has registrations its procedure is the dispatcher WindowProc.
class MSubclass {
public:
    static void AttachMessage(ISubclass *iwp, HWND hwnd, UINT iMsg);
    static void DetachMessage(ISubclass *iwp, HWND hwnd, UINT iMsg);
    static UINT CurrentMessage() { return m_iCurrentMessage; }
    // Calls the previous procedure of the window last dispatched to a client.
    static LRESULT CallOldWindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam);
    // The dispatcher that replaces a subclassed window's procedure.
    static LRESULT WindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam);

    // Property names of the registry.
    static QByteArray procName(HWND hwnd);
    static QByteArray windowCountName(HWND hwnd);
    static QByteArray clientCountName(HWND hwnd, UINT iMsg);
    static QByteArray clientName(HWND hwnd, UINT iMsg, int index);

private:
    static UINT m_iCurrentMessage;
    static WNDPROC m_iProcOld;
};

} // namespace velmora::skin
