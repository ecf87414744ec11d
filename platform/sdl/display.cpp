// The SDL display: the 5-6-5 primary surface uploaded to a streaming texture and drawn
// with its aspect kept, with vertical sync and a 60 Hz cap for drivers without it.
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
        if (!texture) {
            error = std::string("cannot create the screen texture: ") + SDL_GetError();
            destroyRenderer();
            return false;
        }
        return true;
    }

    bool present(const FrameView& frame, std::string& error) override
    {
        if (!frame.onScreen && !upload(frame, error))
            return false;
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        capAt60Hz();
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
        if (frame.format != format::Rgb565 || SDL_UpdateTexture(texture, nullptr, frame.pixels, frame.pitch) != 0) {
            error = std::string("cannot upload the frame: ") + SDL_GetError();
            return false;
        }
        return true;
    }

    // Draws the texture 1:1 into a target of the same format and reads that: the same bytes,
    // as no scaling or blending takes part.
    bool readBack(uint8_t* pixels, int32_t pitch, int width, int height) override
    {
        if (!texture)
            return false;
        SDL_Texture* target =
            SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_TARGET, width, height);
        if (!target)
            return false;
        SDL_BlendMode blend = SDL_BLENDMODE_NONE;
        SDL_GetTextureBlendMode(texture, &blend);
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
        const bool ok = SDL_SetRenderTarget(renderer, target) == 0 &&
                        SDL_RenderCopy(renderer, texture, nullptr, nullptr) == 0 &&
                        SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_RGB565, pixels, pitch) == 0;
        SDL_SetRenderTarget(renderer, nullptr);
        SDL_SetTextureBlendMode(texture, blend);
        SDL_DestroyTexture(target);
        return ok;
    }

    // Fades count frames, so a frame must take about 1/60 s: without vertical sync, and
    // also where a driver claims it but does not wait, or the screen runs faster than
    // 60 Hz. With vertical sync the cap is a little shorter, so it never costs a refresh.
    void capAt60Hz()
    {
        const uint64_t frequency = SDL_GetPerformanceFrequency();
        const uint64_t frame = frequency / (vsync ? 66 : 60);
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
