#pragma once

#include "skin/WinDefs.h"

namespace velmora::skin {

class ISubclass;

// The service object through which a client registers for messages of a
// window; every member forwards to the module MSubclass.
class GSubclass {
public:
    void AttachMessage(ISubclass *iwp, HWND hwnd, UINT iMsg);
    void DetachMessage(ISubclass *iwp, HWND hwnd, UINT iMsg);
    UINT CurrentMessage() const;
    LRESULT CallOldWindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam);
};

} // namespace velmora::skin
