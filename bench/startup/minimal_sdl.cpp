// The yardstick for the game's start-up, idle CPU and memory: the least SDL2 program that shows
// an 800 x 600 5-6-5 frame the way the game does (borderless full-screen desktop window, the
// software renderer on the window's framebuffer, logical size, an 8-8-8 streaming texture the
// frame is converted into every frame, 60 Hz cap).
#include <SDL2/SDL.h>

#include <cstdint>
#include <vector>

int main()
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return 1;
    SDL_DisplayMode desktop{};
    SDL_GetDesktopDisplayMode(0, &desktop);
    SDL_Window* window = SDL_CreateWindow("minimal", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, desktop.w,
                                          desktop.h, SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS);
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE) : nullptr;
    if (!renderer)
        return 1;
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    SDL_RenderSetLogicalSize(renderer, 800, 600);
    SDL_Texture* texture =
        SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, 800, 600);
    std::vector<uint16_t> frame(800 * 600);
    for (std::size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<uint16_t>(i * 2654435761u >> 16);
    const uint64_t frequency = SDL_GetPerformanceFrequency();
    uint64_t last = 0;
    for (bool running = true; running;) {
        SDL_Event e;
        while (SDL_PollEvent(&e))
            running = running && e.type != SDL_QUIT;
        void* pixels = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(texture, nullptr, &pixels, &pitch) == 0) {
            SDL_ConvertPixels(800, 600, SDL_PIXELFORMAT_RGB565, frame.data(), 1600, SDL_PIXELFORMAT_RGB888, pixels,
                              pitch);
            SDL_UnlockTexture(texture);
        }
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        SDL_RenderCopy(renderer, texture, nullptr, nullptr);
        while (last != 0 && SDL_GetPerformanceCounter() - last < frequency / 60)
            SDL_Delay(1);
        last = SDL_GetPerformanceCounter();
        SDL_RenderPresent(renderer);
    }
    SDL_Quit();
    return 0;
}
