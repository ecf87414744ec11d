// Run-length sprites: DrawEx mode 0 keyed onto rgb565 and 32-bit images against SDL2's RLE
// colour-key blits of the same picture in the destination's format, in the same run; each SDL
// output is checked against ours once before it is timed.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/bench_pictures.h"
#include "bench/sdl_pictures.h"
#include "sprite/imgRle8CTy.h"
#include "sprite/imgRowCTy.h"
#include "sprite/palCTy.h"

namespace {

constexpr std::uint8_t keyIndex = 0;

using bench::next;

// About 40% key pixels in runs, the rest literal noise and repeated spans.
std::vector<std::uint8_t> picture(int w, int h) { return bench::spriteIndices(static_cast<std::size_t>(w) * h, 7); }

std::vector<std::uint8_t> colours()
{
    std::vector<std::uint8_t> c(256 * 4);
    std::uint32_t seed = 3;
    for (auto& b : c) b = static_cast<std::uint8_t>(next(seed));
    c[0] = 255, c[1] = 0, c[2] = 255;  // the key: magenta, used by no other entry
    for (int i = 1; i < 256; ++i) c[4 * i + 1] |= 1;
    return c;
}

struct Sprite {
    imgRle8CTy image;
    Sprite(int w, int h)
    {
        const auto pels = picture(w, h);
        const auto cols = colours();
        palCTy pal;
        pal.Set(cols.data(), 256);
        imgPelFmt fmt(9, &pal);
        image.Create(w, h, &fmt);
        image.SetColorKey(keyIndex);
        image.Lock(nullptr, 0);
        std::memcpy(image.lockBuffer, pels.data(), pels.size());
        image.Unlock();
    }
};

// Our destination of the kind after one draw of the sprite, from every byte 0x55.
std::vector<std::uint8_t> oursOnce(int kind, int w, int h)
{
    Sprite sprite(w, h);
    imgRowCTy dst;
    const imgPelFmt fmt(kind, nullptr);
    dst.Create(w, h, &fmt);
    const auto bytes = static_cast<std::size_t>(imgCTy::PelBlockBytes(w, h, kind));
    std::memset(dst.pels, 0x55, bytes);
    DrawParams params;
    sprite.image.DrawEx(&dst, 0, 0, nullptr, &params);
    return {dst.pels, dst.pels + bytes};
}

void ours(benchmark::State& state, int kind, int mode, bool mirror)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Sprite sprite(w, h);
    imgRowCTy dst;
    const imgPelFmt fmt(kind, nullptr);
    dst.Create(w, h, &fmt);
    std::memset(dst.pels, 0x55, static_cast<std::size_t>(imgCTy::PelBlockBytes(w, h, kind)));
    DrawParams params;
    params.mode = mode;
    params.alpha = 128;
    for (auto _ : state) {
        if (mirror) sprite.image.DrawExMirrorH(&dst, 0, 0, nullptr, &params);
        else sprite.image.DrawEx(&dst, 0, 0, nullptr, &params);
        benchmark::DoNotOptimize(dst.pels);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}

// The picture converted with blending off (the conversion would otherwise blend the opaque
// ARGB8888 picture into the new surface), keyed and run-length coded by SDL, onto a destination
// of every byte 0x55 like ours. `kind` is our destination kind of the same format.
void sdl(benchmark::State& state, Uint32 format, int kind)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const auto pels = picture(w, h);
    const auto cols = colours();
    SDL_Surface* argb = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(argb->pixels) + y * argb->pitch);
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* e = cols.data() + 4 * pels[static_cast<std::size_t>(y) * w + x];
            row[x] = 0xFF000000u | e[2] << 16 | e[1] << 8 | e[0];
        }
    }
    SDL_SetSurfaceBlendMode(argb, SDL_BLENDMODE_NONE);
    SDL_Surface* src = SDL_ConvertSurfaceFormat(argb, format, 0);
    SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_NONE);
    SDL_SetColorKey(src, SDL_TRUE, SDL_MapRGB(src->format, 255, 0, 255));
    SDL_SetSurfaceRLE(src, 1);
    SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormat(0, w, h, SDL_BITSPERPIXEL(format), format);
    const int bytes = imgPelBytes(kind);
    for (int y = 0; y < h; ++y) std::memset(static_cast<std::uint8_t*>(dst->pixels) + y * dst->pitch, 0x55, static_cast<std::size_t>(w) * bytes);
    SDL_BlitSurface(src, nullptr, dst, nullptr);
    const auto peer = bench::sdlPixels(dst, bytes);
    const auto expected = oursOnce(kind, w, h);
    bench::checkSame(state, "run-length sprite onto kind " + std::to_string(kind) + " at " + std::to_string(w) + " x " + std::to_string(h),
                     kind == 4 ? bench::Layout::Rgb565 : bench::Layout::Bgrx32, bytes, expected.data(), peer.data(),
                     static_cast<std::size_t>(w) * h, 0);
    for (auto _ : state) {
        SDL_BlitSurface(src, nullptr, dst, nullptr);
        benchmark::DoNotOptimize(dst->pixels);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(dst);
    SDL_FreeSurface(src);
    SDL_FreeSurface(argb);
    state.SetItemsProcessed(state.iterations() * w * h);
}

void sizes(benchmark::internal::Benchmark* b) { b->Args({64, 64})->Args({256, 256})->Args({800, 600}); }

BENCHMARK_CAPTURE(ours, copy_key_rgb565, 4, 0, false)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, rle_key_rgb565, SDL_PIXELFORMAT_RGB565, 4)->Apply(sizes);
BENCHMARK_CAPTURE(ours, copy_key_x8888, 2, 0, false)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, rle_key_x8888, SDL_PIXELFORMAT_XRGB8888, 2)->Apply(sizes);
BENCHMARK_CAPTURE(ours, alpha_key_rgb565, 4, 1, false)->Apply(sizes);
BENCHMARK_CAPTURE(ours, add_key_rgb565, 4, 7, false)->Apply(sizes);
BENCHMARK_CAPTURE(ours, copy_key_mirror_rgb565, 4, 0, true)->Apply(sizes);
BENCHMARK_CAPTURE(ours, alpha_key_x8888, 2, 1, false)->Apply(sizes);
BENCHMARK_CAPTURE(ours, add_key_x8888, 2, 7, false)->Apply(sizes);
BENCHMARK_CAPTURE(ours, copy_key_mirror_x8888, 2, 0, true)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
