#include "skin/GSubclass.h"

#include "skin/MSubclass.h"

namespace velmora::skin {

void GSubclass::AttachMessage(ISubclass *iwp, HWND hwnd, UINT iMsg) { MSubclass::AttachMessage(iwp, hwnd, iMsg); }

void GSubclass::DetachMessage(ISubclass *iwp, HWND hwnd, UINT iMsg) { MSubclass::DetachMessage(iwp, hwnd, iMsg); }

UINT GSubclass::CurrentMessage() const { return MSubclass::CurrentMessage(); }

LRESULT GSubclass::CallOldWindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam)
{
    return MSubclass::CallOldWindowProc(hwnd, iMsg, wParam, lParam);
}

} // namespace velmora::skin
