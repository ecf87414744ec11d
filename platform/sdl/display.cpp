// The SDL display: the changed rows of the 5-6-5 primary surface uploaded to a streaming
// texture, drawn with its aspect kept when something changed or the window needs it, at most
// 60 times a second.
#include "platform/display_backend.h"
#include "platform/sdl/audio.h"
#include "platform/sdl/video.h"

#include <SDL2/SDL.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace plat {
namespace {
// 5-6-5 rows to 8-8-8, each field's top bits repeated below it, so white stays white (SDL's
// own conversion turns the greens' top step into 254).
void widenRows(const uint8_t* from, int32_t fromPitch, uint8_t* to, int toPitch, int width, int rows)
{
    for (int y = 0; y < rows; ++y) {
        const uint8_t* s = from + static_cast<std::ptrdiff_t>(y) * fromPitch;
        uint8_t* d = to + static_cast<std::ptrdiff_t>(y) * toPitch;
        for (int x = 0; x < width; ++x) {
            uint16_t v;
            std::memcpy(&v, s + 2 * x, 2);
            const uint32_t r = v >> 11, g = (v >> 5) & 0x3Fu, b = v & 0x1Fu;
            const uint32_t wide = (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
            std::memcpy(d + 4 * x, &wide, 4);
        }
    }
}

struct SdlDisplay;
constinit SdlDisplay* current = nullptr;

struct SdlDisplay final : DisplayBackend {
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    uint64_t lastPresent = 0;
    bool opened = false;
    bool textureFilled = false; // the texture holds a whole frame
    bool changed = false;       // rows uploaded since the last present
    bool repaint = false;       // the window must be drawn again (exposed, resized, reset)

    bool available() override
    {
        std::string error;
        if (!sdl::acquireVideo(error))
            return false;
        const bool any = SDL_GetNumVideoDisplays() > 0;
        sdl::releaseVideo();
        return any;
    }

    bool open(std::string& error) override
    {
        if (opened) {
            error = "the display is already open";
            return false;
        }
        if (!sdl::acquireVideo(error))
            return false;
        opened = true;
        return true;
    }

    bool setMode(WindowId, int width, int height, int bits, PixelFormat& format, std::string& error) override
    {
        if (bits != 16) {
            error = "only the 16-bit display mode is offered";
            return false;
        }
        SDL_Window* window = sdl::nativeWindow();
        if (!window) {
            error = "no window to show the display in";
            return false;
        }
        destroyRenderer();
        current = this;
        sdl::setWindowCloseListener([] { current->destroyRenderer(); });
        sdl::setRepaintListener([](bool contentsLost) {
            current->repaint = true;
            if (contentsLost)
                current->textureFilled = false;
        });
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
        // The audio device opens while the renderer starts; both take a while.
        sdl::startAudioEarly();
        const bool ok = makeRenderer(window, width, height, error);
        sdl::finishAudioStart();
        if (!ok)
            return false;
        format = format::Rgb565;
        return true;
    }

    // SDL's software renderer on the window's framebuffer: the one path that loads no OpenGL.
    // The GL library crashes in its own code when the X server goes away while it starts (SDL's
    // other renderers load it, and so does its accelerated framebuffer); this path talks to the
    // server through Xlib alone, whose lost connection ends the game with its one line. Taken
    // by its index and with the hint forced, so SDL_RENDER_DRIVER or SDL_FRAMEBUFFER_ACCELERATION
    // in the environment cannot bring GL back.
    bool makeRenderer(SDL_Window* window, int width, int height, std::string& error)
    {
        SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_OVERRIDE);
        int software = -1;
        for (int i = 0; i < SDL_GetNumRenderDrivers() && software < 0; ++i) {
            SDL_RendererInfo info{};
            if (SDL_GetRenderDriverInfo(i, &info) == 0 && SDL_strcmp(info.name, "software") == 0)
                software = i;
        }
        renderer = software < 0 ? nullptr : SDL_CreateRenderer(window, software, 0);
        if (!renderer) {
            error = std::string("cannot create a renderer: ") + SDL_GetError();
            return false;
        }
        SDL_RenderSetLogicalSize(renderer, width, height);
        // 8-8-8 as the X framebuffer holds it, so drawing it scaled is one filtered copy (a
        // 5-6-5 texture took twice as long); the upload widens the rows that changed.
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height);
        textureFilled = false;
        repaint = true;
        if (!texture) {
            error = std::string("cannot create the screen texture: ") + SDL_GetError();
            destroyRenderer();
            return false;
        }
        return true;
    }

    bool present(const FrameView& frame, std::string& error) override
    {
        // Not shown yet: the whole frame goes up (the present's view covers every row).
        if ((!frame.shown || !textureFilled) && !upload(frame, error))
            return false;
        // Nothing new and nothing to repair: the screen shows this frame already, and the
        // frame only takes its time.
        if (!changed && !repaint) {
            pace();
            return true;
        }
        changed = repaint = false;
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        pace();
        SDL_RenderPresent(renderer);
        return true;
    }

    bool uploadsDirectly() override { return true; }

    bool upload(const FrameView& frame, std::string& error) override
    {
        if (!texture) {
            error = "no display mode set";
            return false;
        }
        // A texture not filled yet takes the whole frame.
        const bool whole = !textureFilled || (frame.top == 0 && frame.rows >= frame.height);
        const SDL_Rect rows{0, whole ? 0 : frame.top, frame.width, whole ? frame.height : frame.rows};
        void* pixels = nullptr;
        int pitch = 0;
        if (frame.format != format::Rgb565 || SDL_LockTexture(texture, &rows, &pixels, &pitch) != 0) {
            error = std::string("cannot upload the frame: ") + SDL_GetError();
            return false;
        }
        widenRows(frame.pixels + static_cast<std::ptrdiff_t>(rows.y) * frame.pitch, frame.pitch,
                  static_cast<uint8_t*>(pixels), pitch, rows.w, rows.h);
        SDL_UnlockTexture(texture);
        textureFilled = changed = true;
        return true;
    }

    // Fades count frames, so a frame must take about 1/60 s; the software renderer does not
    // wait for the screen's refresh.
    void pace()
    {
        const uint64_t frequency = SDL_GetPerformanceFrequency();
        const uint64_t frame = frequency / 60;
        uint64_t now = SDL_GetPerformanceCounter();
        if (lastPresent != 0 && now - lastPresent < frame) {
            // One sleep to the frame's end: the timer is precise to well under a millisecond,
            // and waiting out the rest by spinning would keep a core busy in an idle menu.
            const uint64_t waitNs = (frame - (now - lastPresent)) * 1'000'000'000 / frequency;
            std::this_thread::sleep_for(std::chrono::nanoseconds(waitNs));
            now = SDL_GetPerformanceCounter();
        }
        lastPresent = now;
    }

    void destroyRenderer()
    {
        if (texture)
            SDL_DestroyTexture(texture);
        if (renderer)
            SDL_DestroyRenderer(renderer);
        texture = nullptr;
        renderer = nullptr;
    }

    void close() override
    {
        sdl::dropEarlyAudio();
        destroyRenderer();
        if (opened)
            sdl::releaseVideo();
        opened = false;
    }
};
} // namespace

DisplayBackend* makeSdlDisplayBackend() { return new SdlDisplay; }

} // namespace plat
