// A lost X display ends the game through endOnDisplayLost: Xlib's own fatal handlers call
// exit(), whose destructors then call into a dead connection and can spin there forever.
#include "platform/sdl/video.h"
#include "platform/window.h"

#include <SDL2/SDL_syswm.h>

#include <X11/Xlib.h>
#include <dlfcn.h>

#include <cstdio>

namespace plat::sdl {
namespace {

[[noreturn]] int onIoError(Display*) { endOnDisplayLost("the connection to the X server broke"); }

// Errors that SDL expects it catches with handlers of its own; one that reaches here would
// have made Xlib end the process.
int onError(Display*, XErrorEvent* e)
{
    static char reason[96];
    if (e->error_code == BadWindow || e->error_code == BadDrawable)
        std::snprintf(reason, sizeof reason, "the game window was destroyed (X request %d)", e->request_code);
    else
        std::snprintf(reason, sizeof reason, "the X server refused request %d (error %d)", e->request_code,
                      e->error_code);
    endOnDisplayLost(reason);
}

} // namespace

void catchLostX11Display()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || SDL_strcmp(driver, "x11") != 0)
        return;
    // SDL loads Xlib itself; take the copy it loaded rather than linking another. The
    // reference keeps it loaded for the handlers' lifetime.
    using SetIo = XIOErrorHandler (*)(XIOErrorHandler);
    using SetError = XErrorHandler (*)(XErrorHandler);
    static void* const xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    static const auto setIo = xlib ? reinterpret_cast<SetIo>(dlsym(xlib, "XSetIOErrorHandler")) : nullptr;
    static const auto setError = xlib ? reinterpret_cast<SetError>(dlsym(xlib, "XSetErrorHandler")) : nullptr;
    // Again on every start of SDL's video: its shutdown puts back the handlers it found.
    if (setIo)
        setIo(onIoError);
    if (setError)
        setError(onError);
}

bool destroysWindow(const SDL_Event& e, SDL_Window* window)
{
    if (e.type != SDL_SYSWMEVENT || !window || !e.syswm.msg || e.syswm.msg->subsystem != SDL_SYSWM_X11)
        return false;
    const XEvent& x = e.syswm.msg->msg.x11.event;
    if (x.type != DestroyNotify)
        return false;
    // SDL swaps the X window when a renderer needs another kind; only the current one counts.
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    return SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11 &&
           x.xdestroywindow.window == info.info.x11.window;
}

} // namespace plat::sdl
