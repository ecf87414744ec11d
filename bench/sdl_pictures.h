// SDL surfaces over the blit benchmarks' pixel bytes and back: rows copied in and out whatever
// SDL's pitch, blending off so that a copy peer copies.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace bench {

// A surface of the format over a copy of the bytes (rows of w pixels of `bytes` each).
inline SDL_Surface* sdlSurface(std::uint32_t format, int w, int h, const std::vector<std::uint8_t>& pixels, int bytes)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, SDL_BITSPERPIXEL(format), format);
    if (!s) std::abort();
    const std::size_t row = static_cast<std::size_t>(w) * bytes;
    for (int y = 0; y < h; ++y) std::memcpy(static_cast<std::uint8_t*>(s->pixels) + y * s->pitch, &pixels[row * y], row);
    // Whatever the format's default: a peer that blends would do another job.
    SDL_SetSurfaceBlendMode(s, SDL_BLENDMODE_NONE);
    return s;
}

// The surface's pixels as rows without padding.
inline std::vector<std::uint8_t> sdlPixels(const SDL_Surface* s, int bytes)
{
    const std::size_t row = static_cast<std::size_t>(s->w) * bytes;
    std::vector<std::uint8_t> out(row * s->h);
    for (int y = 0; y < s->h; ++y)
        std::memcpy(&out[row * y], static_cast<const std::uint8_t*>(s->pixels) + y * s->pitch, row);
    return out;
}

}  // namespace bench
