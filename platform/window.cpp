// The window area: one window's bookkeeping and dispatch above the chosen backend.
#include "platform/window.h"

#include "platform/clock.h"
#include "platform/display_backend.h"
#include "platform/platform.h"
#include "platform/window_backend.h"

#include <cerrno>
#include <cstdio>

namespace plat {
namespace {
// Plain constant-initialised state: the framework's global objects may call in
// before main and after it, when no dynamic initialisation can be relied on.
struct WindowState {
    WindowId id = 0;
    WindowId lastId = 0;
    WindowProc proc = nullptr;
    void* context = nullptr;
};
constinit WindowState state{};
constinit std::string* lastError = nullptr;
// Kept in plain memory, readable from an error handler at any moment.
constinit char title[64] = "";

void setError(const std::string& text)
{
    if (!lastError)
        lastError = new std::string; // lives to the end of the process
    *lastError = text;
}
} // namespace

WindowBackend& windowBackend()
{
    return chosenBackend<WindowBackend, makeSdlWindowBackend, makeHeadlessWindowBackend>();
}

WindowId createWindow(const WindowDesc& desc)
{
    if (state.id != 0) {
        setError("a window is already open");
        return 0;
    }
    std::string error;
    if (!windowBackend().open(desc, error)) {
        setError(error);
        return 0;
    }
    state.id = ++state.lastId;
    if (desc.title && *desc.title)
        std::snprintf(title, sizeof title, "%s", desc.title);
    state.proc = desc.proc;
    state.context = desc.context;
    return state.id;
}

bool isWindow(WindowId window) { return window != 0 && window == state.id; }

bool dispatchOneMessage(WindowId window)
{
    if (!isWindow(window))
        return false;
    std::optional<Message> m = windowBackend().take();
    if (!m)
        return false;
    if (state.proc)
        state.proc(state.context, *m);
    // The default handling of a close request, as the framework's window relied on.
    if (m->message == msg::Close && isWindow(window))
        destroyWindow(window);
    return true;
}

void waitForMessage(WindowId window, uint32_t ms)
{
    if (isWindow(window))
        windowBackend().wait(ms);
    else
        sleep(ms);
}

void destroyWindow(WindowId window)
{
    if (!isWindow(window))
        return;
    WindowProc proc = state.proc;
    void* context = state.context;
    state = WindowState{0, state.lastId, nullptr, nullptr};
    windowBackend().close();
    if (proc)
        proc(context, Message{msg::Destroy, 0, 0});
}

void forgetWindow()
{
    if (state.id != 0)
        windowBackend().close();
    state = WindowState{0, state.lastId, nullptr, nullptr};
}

// Before the first window (the display lost while the game looks at the screen's size) the
// program's own name stands in.
const char* windowTitle() { return title[0] != '\0' ? title : program_invocation_short_name; }

std::string lastWindowError() { return lastError ? *lastError : std::string(); }

int screenWidth()
{
    int w, h;
    return currentDisplayMode(w, h) ? w : windowBackend().screenWidth();
}

int screenHeight()
{
    int w, h;
    return currentDisplayMode(w, h) ? h : windowBackend().screenHeight();
}

} // namespace plat
