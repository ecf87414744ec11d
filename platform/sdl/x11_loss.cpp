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

using SetIo = XIOErrorHandler (*)(XIOErrorHandler);
using SetError = XErrorHandler (*)(XErrorHandler);

// Xlib as SDL loads it, by its name rather than linked in as another copy; the reference keeps it
// loaded for the handlers' lifetime. Null without Xlib.
void* xlib()
{
    static void* const library = dlopen("libX11.so.6", RTLD_LAZY);
    return library;
}

// The handlers found before the first start of SDL's video, put back when it chose no X11.
constinit XIOErrorHandler foundIo = nullptr;
constinit XErrorHandler foundError = nullptr;

void setHandlers(XIOErrorHandler io, XErrorHandler error, bool keepFound)
{
    static const auto setIo = xlib() ? reinterpret_cast<SetIo>(dlsym(xlib(), "XSetIOErrorHandler")) : nullptr;
    static const auto setError = xlib() ? reinterpret_cast<SetError>(dlsym(xlib(), "XSetErrorHandler")) : nullptr;
    if (setIo) {
        const XIOErrorHandler found = setIo(io);
        if (keepFound && found != onIoError)
            foundIo = found;
    }
    if (setError) {
        const XErrorHandler found = setError(error);
        if (keepFound && found != onError)
            foundError = found;
    }
}
} // namespace

void catchLostX11Display()
{
    // Xlib's handlers belong to the process, not to a connection: set now, they already guard
    // the connection SDL is about to make, and an X server lost during SDL's own start gets the
    // game's line instead of Xlib's two and its exit().
    setHandlers(onIoError, onError, true);
}

void settleLostX11Display()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && SDL_strcmp(driver, "x11") == 0)
        setHandlers(onIoError, onError, false); // over the error handler SDL's start set
    else
        setHandlers(foundIo, foundError, false);
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
