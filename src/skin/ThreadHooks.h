#pragma once

#include "skin/WinDefs.h"

namespace velmora::skin {

// Hooks of the user-interface thread: a keyboard hook that sees every key
// before the focused widget, and a message filter hook that sees the
// messages of an open popup menu. Hooks of one kind form a chain, the most
// recently installed first; a hook passes a message on with callNextHook.
// The application-wide event filter runs the chains.
class ThreadHooks {
public:
    using HookProc = LRESULT (*)(int code, WPARAM wp, LPARAM lp);
    enum Kind { Keyboard, MessageFilter };

    // Returns the hook's handle, never 0.
    static quintptr setHook(Kind kind, HookProc proc);
    static bool unhook(quintptr hook);
    static LRESULT callNextHook(quintptr hook, int code, WPARAM wp, LPARAM lp);
    static bool isInstalled(Kind kind);
    // Runs the chain of one kind; a non-zero result swallows the message.
    static LRESULT run(Kind kind, int code, WPARAM wp, LPARAM lp);
};

} // namespace velmora::skin
