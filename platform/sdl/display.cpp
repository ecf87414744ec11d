// The SDL display: the changed rows of the 5-6-5 primary surface uploaded to a streaming
// texture, drawn with its aspect kept when something changed or the window needs it, with
// vertical sync and a 60 Hz cap for drivers without it.
#include "platform/display_backend.h"
#include "platform/sdl/audio.h"
#include "platform/sdl/video.h"

#include <SDL2/SDL.h>

#include <chrono>
#include <thread>

namespace plat {
namespace {
struct SdlDisplay;
constinit SdlDisplay* current = nullptr;

struct SdlDisplay final : DisplayBackend {
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    bool vsync = false;
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

    bool makeRenderer(SDL_Window* window, int width, int height, std::string& error)
    {
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
        if (!renderer)
            renderer = SDL_CreateRenderer(window, -1, 0);
        if (!renderer) {
            error = std::string("cannot create a renderer: ") + SDL_GetError();
            return false;
        }
        SDL_RendererInfo info{};
        vsync = SDL_GetRendererInfo(renderer, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC);
        SDL_RenderSetLogicalSize(renderer, width, height);
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, width, height);
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
            pace(false);
            return true;
        }
        changed = repaint = false;
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        pace(vsync);
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
        if (frame.format != format::Rgb565 ||
            SDL_UpdateTexture(texture, &rows, frame.pixels + static_cast<std::ptrdiff_t>(rows.y) * frame.pitch,
                              frame.pitch) != 0) {
            error = std::string("cannot upload the frame: ") + SDL_GetError();
            return false;
        }
        textureFilled = changed = true;
        return true;
    }

    // Fades count frames, so a frame must take about 1/60 s: without vertical sync, and
    // also where a driver claims it but does not wait, or the screen runs faster than
    // 60 Hz. Before a present with vertical sync the wait is a little shorter, so it never
    // costs a refresh.
    void pace(bool beforeSync)
    {
        const uint64_t frequency = SDL_GetPerformanceFrequency();
        const uint64_t frame = frequency / (beforeSync ? 66 : 60);
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
