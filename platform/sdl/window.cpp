// The SDL window: borderless full-screen on the desktop; SDL events become window messages.
#include "platform/sdl/keymap.h"
#include "platform/sdl/video.h"
#include "platform/window_backend.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

namespace plat {
namespace {
constinit SDL_Window* window = nullptr;
using CloseListener = void (*)();
constinit CloseListener closeListener = nullptr;
using RepaintListener = void (*)(bool);
constinit RepaintListener repaintListener = nullptr;

void askRepaint(bool contentsLost)
{
    if (repaintListener)
        repaintListener(contentsLost);
}

// Windows-1252 byte for a code point the keyboard typed, 0 for none.
uint8_t charFromCodePoint(uint32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<uint8_t>(c);
    return 0;
}

// Decodes the first code point of SDL's UTF-8 text.
uint32_t firstCodePoint(const char* text)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    if (s[0] < 0x80)
        return s[0];
    if ((s[0] & 0xE0) == 0xC0 && (s[1] & 0xC0) == 0x80)
        return ((s[0] & 0x1Fu) << 6) | (s[1] & 0x3Fu);
    return 0x110000; // outside what a character message carries
}

struct SdlWindow final : WindowBackend {
    std::deque<Message> pending;

    bool open(const WindowDesc& desc, std::string& error) override
    {
        if (!sdl::acquireVideo(error))
            return false;
        window = SDL_CreateWindow(desc.title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, desc.width,
                                  desc.height, SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS);
        if (!window) {
            error = std::string("cannot create the window: ") + SDL_GetError();
            sdl::releaseVideo();
            return false;
        }
        pending.clear();
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE); // to hear of the window's destruction
        SDL_StartTextInput();
        return true;
    }

    void post(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0)
    {
        pending.push_back(Message{message, wParam, lParam});
    }

    void translate(const SDL_Event& e)
    {
        if (sdl::destroysWindow(e, window))
            endOnDisplayLost("another program destroyed the game window");
        switch (e.type) {
        case SDL_QUIT:
            post(msg::Close);
            break;
        case SDL_RENDER_TARGETS_RESET:
        case SDL_RENDER_DEVICE_RESET:
            askRepaint(e.type == SDL_RENDER_DEVICE_RESET);
            break;
        case SDL_WINDOWEVENT:
            // Shown, exposed, resized, restored and the rest: the screen is drawn again even
            // when the frame stays the same.
            askRepaint(false);
            if (e.window.event == SDL_WINDOWEVENT_CLOSE)
                post(msg::Close);
            else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
                post(msg::Activate, 1);
            else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
                post(msg::Activate, 0);
            break;
        case SDL_MOUSEMOTION:
            // Motion is folded into one pending message, as the system the framework was
            // written for did: the pump takes one message a frame, and a fast mouse would
            // otherwise queue faster than frames drain it.
            if (!pending.empty() && pending.back().message == msg::MouseMove)
                pending.back().lParam = packPoint(e.motion.x, e.motion.y);
            else
                post(msg::MouseMove, 0, packPoint(e.motion.x, e.motion.y));
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const bool down = e.type == SDL_MOUSEBUTTONDOWN;
            const intptr_t at = packPoint(e.button.x, e.button.y);
            if (e.button.button == SDL_BUTTON_LEFT)
                post(down ? msg::LButtonDown : msg::LButtonUp, 0, at);
            else if (e.button.button == SDL_BUTTON_RIGHT)
                post(down ? msg::RButtonDown : msg::RButtonUp, 0, at);
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const int vk = sdl::virtualKeyFromScancode(e.key.keysym.scancode);
            if (vk != 0)
                post(e.type == SDL_KEYDOWN ? msg::KeyDown : msg::KeyUp, static_cast<uintptr_t>(vk));
            // Keys that type control characters, which SDL's text events leave out.
            if (e.type == SDL_KEYDOWN) {
                switch (e.key.keysym.sym) {
                case SDLK_RETURN: post(msg::Char, '\r'); break;
                case SDLK_BACKSPACE: post(msg::Char, 8); break;
                case SDLK_TAB: post(msg::Char, '\t'); break;
                case SDLK_ESCAPE: post(msg::Char, 27); break;
                default: break;
                }
            }
            break;
        }
        case SDL_TEXTINPUT:
            if (const uint8_t c = charFromCodePoint(firstCodePoint(e.text.text)))
                post(msg::Char, c);
            break;
        default:
            break;
        }
    }

    std::optional<Message> take() override
    {
        SDL_Event e;
        while (SDL_PollEvent(&e))
            translate(e);
        if (pending.empty())
            return std::nullopt;
        Message m = pending.front();
        pending.pop_front();
        return m;
    }

    void wait(uint32_t ms) override
    {
        // SDL sleeps in the X connection until an event comes; messages already translated
        // must not wait.
        if (pending.empty())
            (void)SDL_WaitEventTimeout(nullptr, static_cast<int>(ms));
    }

    void close() override
    {
        if (closeListener)
            closeListener();
        if (window) {
            SDL_StopTextInput();
            SDL_DestroyWindow(window);
            sdl::releaseVideo();
        }
        if (heldForDesktop) {
            heldForDesktop = false;
            sdl::releaseVideo();
        }
        window = nullptr;
        pending.clear();
    }

    int screenWidth() override { return desktopSize().w; }
    int screenHeight() override { return desktopSize().h; }

    // Asked once: the video reference taken for the question is kept, so the window opened
    // next does not start video (and connect to the display) all over again. The window's
    // close gives it back.
    SDL_DisplayMode desktopSize()
    {
        if (desktop.w > 0)
            return desktop;
        std::string error;
        if (!sdl::acquireVideo(error))
            return SDL_DisplayMode{0, 800, 600, 0, nullptr};
        if (SDL_GetDesktopDisplayMode(0, &desktop) != 0)
            desktop.w = 800, desktop.h = 600;
        heldForDesktop = true;
        return desktop;
    }

    SDL_DisplayMode desktop{};
    bool heldForDesktop = false;
};

// libwayland finds a display only through WAYLAND_SOCKET, an absolute WAYLAND_DISPLAY or an
// absolute XDG_RUNTIME_DIR; without any (a root console, a chroot) SDL's try of Wayland cannot
// connect, and libwayland says so on stderr at every try.
bool waylandCanBeThere()
{
    const char* display = SDL_getenv("WAYLAND_DISPLAY");
    const char* runtime = SDL_getenv("XDG_RUNTIME_DIR");
    return SDL_getenv("WAYLAND_SOCKET") || (display && display[0] == '/') || (runtime && runtime[0] == '/');
}

// The value of DISPLAY, or null when it is unset or empty.
const char* xDisplay()
{
    const char* display = SDL_getenv("DISPLAY");
    return display && *display ? display : nullptr;
}

// SDL's own choice among its drivers, in its order (X11 before Wayland), with Wayland left out
// where it cannot be; a driver the environment names is left to SDL as it was. X11 is left out
// too when its display refuses the game, which is then told in `xRefusal`: SDL's try would put
// libxcb's words on stderr and end with no reason of its own.
bool startVideo(std::string& xRefusal)
{
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    const bool named = asked && *asked;
    std::vector<std::string> drivers;
    if (named) {
        std::string rest = asked;
        for (std::size_t comma; (comma = rest.find(',')) != std::string::npos; rest.erase(0, comma + 1))
            drivers.push_back(rest.substr(0, comma));
        drivers.push_back(rest);
    } else {
        for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i)
            drivers.emplace_back(SDL_GetVideoDriver(i));
    }
    const auto isX11 = [](const std::string& driver) { return SDL_strcasecmp(driver.c_str(), "x11") == 0; };
    // Asked when the subsystem first comes up only, where SDL makes its connection.
    if (xDisplay() && SDL_WasInit(SDL_INIT_VIDEO) == 0 && std::any_of(drivers.begin(), drivers.end(), isX11))
        xRefusal = sdl::x11DisplayRefusal(xDisplay());
    const bool withoutWayland = !named && !waylandCanBeThere();
    if (xRefusal.empty() && !withoutWayland)
        return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    std::string others;
    for (const std::string& driver : drivers)
        if (!(withoutWayland && driver == "wayland") && !(!xRefusal.empty() && isX11(driver)))
            others += (others.empty() ? "" : ",") + driver;
    if (others.empty())
        return false;
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, others.c_str(), SDL_HINT_OVERRIDE);
    const bool started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    return started;
}
} // namespace

WindowBackend* makeSdlWindowBackend() { return new SdlWindow; }

namespace sdl {
SDL_Window* nativeWindow() { return window; }

void setWindowCloseListener(void (*listener)()) { closeListener = listener; }

void setRepaintListener(void (*listener)(bool contentsLost)) { repaintListener = listener; }

bool acquireVideo(std::string& error)
{
    std::string xRefusal;
    catchLostX11Display();
    const bool started = startVideo(xRefusal);
    // Read before the settling asks SDL for its driver, which leaves an error of its own.
    const std::string failure = started ? "" : SDL_GetError();
    settleLostX11Display();
    const char* driver = started ? SDL_GetCurrentVideoDriver() : nullptr;
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    const bool invisible = driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0);
    if (started && !(invisible && !(asked && SDL_strcasecmp(asked, driver) == 0)))
        return true;
    if (started)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    error = "cannot open a display: ";
    if (!xRefusal.empty())
        error += xRefusal;
    else if (!started)
        error += failure;
    else if (xDisplay())
        error += std::string("no X11 or Wayland display came up (DISPLAY is ") + sdl::displayInLine(xDisplay()) + ")";
    else
        error += "no X11 or Wayland display found (is DISPLAY set?)";
    return false;
}

void releaseVideo()
{
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    // With no area left on SDL, let it shut down what it started on the side (D-Bus).
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
        SDL_Quit();
}
} // namespace sdl

} // namespace plat
