#pragma once

#include "skin/WinDefs.h"

namespace velmora::skin {

// A client of the message-interception service. MsgResponse says, for the
// message being dispatched, how the window's previous procedure combines
// with the client: consume (the client alone), post-process (previous
// procedure after the client) or pre-process (before it, its result handed
// to the client as the initial return value).
class ISubclass {
public:
    enum Response { Consume = 0, PostProcess = 1, PreProcess = 2 };

    virtual ~ISubclass() = default;
    virtual int MsgResponse() const = 0;
    virtual void setMsgResponse(int response) { Q_UNUSED(response); }
    // Whatever the client leaves in lReturn becomes the result of the message.
    virtual void WindowProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam, LRESULT &lReturn) = 0;
};

} // namespace velmora::skin
