#include "skin/ThreadHooks.h"

#include "skin/SystemEventFilter.h"

#include <vector>

namespace velmora::skin {

namespace {

struct Hook {
    quintptr handle;
    ThreadHooks::Kind kind;
    ThreadHooks::HookProc proc;
};

std::vector<Hook> &hooks()
{
    static std::vector<Hook> chain;
    return chain;
}

quintptr nextHandle = 1;

// The hook installed just before the given position, of the same kind.
const Hook *olderThan(std::size_t end, ThreadHooks::Kind kind)
{
    for (std::size_t i = end; i-- > 0;)
        if (hooks()[i].kind == kind)
            return &hooks()[i];
    return nullptr;
}

} // namespace

quintptr ThreadHooks::setHook(Kind kind, HookProc proc)
{
    SystemEventFilter::install();
    const quintptr handle = nextHandle++;
    hooks().push_back({handle, kind, proc});
    return handle;
}

bool ThreadHooks::unhook(quintptr hook)
{
    auto &chain = hooks();
    for (auto it = chain.begin(); it != chain.end(); ++it) {
        if (it->handle == hook) {
            chain.erase(it);
            return true;
        }
    }
    return false;
}

LRESULT ThreadHooks::callNextHook(quintptr hook, int code, WPARAM wp, LPARAM lp)
{
    const auto &chain = hooks();
    for (std::size_t i = 0; i < chain.size(); ++i) {
        if (chain[i].handle != hook)
            continue;
        if (const Hook *next = olderThan(i, chain[i].kind)) {
            const HookProc proc = next->proc;
            return proc(code, wp, lp);
        }
        return 0;
    }
    return 0;
}

bool ThreadHooks::isInstalled(Kind kind) { return olderThan(hooks().size(), kind) != nullptr; }

LRESULT ThreadHooks::run(Kind kind, int code, WPARAM wp, LPARAM lp)
{
    const Hook *newest = olderThan(hooks().size(), kind);
    if (!newest)
        return 0;
    const HookProc proc = newest->proc;
    return proc(code, wp, lp);
}

} // namespace velmora::skin
