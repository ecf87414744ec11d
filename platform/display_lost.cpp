// The end of the process when its display is gone: the owner's hook, one line, _exit.
#include "platform/window.h"
#include "platform/window_backend.h"

#include <atomic>
#include <cstdio>
#include <unistd.h>

namespace plat {
namespace {
constinit std::atomic<DisplayLostHook> hook{nullptr};
constinit std::atomic<bool> ending{false};
} // namespace

void setDisplayLostHook(DisplayLostHook h) { hook = h; }

void endOnDisplayLost(const char* reason)
{
    // A second loss noticed while the hook runs (another connection, another thread) must
    // not run the hook twice.
    if (ending.exchange(true))
        _exit(1);
    if (!reason)
        reason = "no reason given";
    std::fprintf(stderr, "%s: the display was lost: %s\n", windowTitle(), reason);
    if (const DisplayLostHook h = hook.load())
        h(reason);
    std::fflush(nullptr);
    _exit(1);
}

} // namespace plat
