// Small sprites as a game draws them: 256 draws of one 16 x 16, 32 x 32 or 64 x 64 sprite at
// seeded positions on an 800 x 600 screen per iteration, through imgCTy::Draw / DrawEx against
// SDL_BlitSurface doing the same (plain copy, keyed copy, constant alpha 128; rgb565 and 32-bit;
// the keyed copies also with SDL's run-length coding), and the copies against memcpy of their
// rows (a sprite's rows on the screen have gaps between them).
// Each SDL screen is checked against ours once before it is timed.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_pictures.h"
#include "bench/sdl_pictures.h"
#include "sprite/imgRowCTy.h"

namespace {

constexpr int ScreenW = 800, ScreenH = 600, Draws = 256;

enum class Op { Copy, Keyed, Alpha };

// Where the draws go: inside the screen (DrawEx clips nothing), the same for both sides.
std::vector<std::pair<int, int>> positions(int side)
{
    std::vector<std::pair<int, int>> at;
    std::uint32_t seed = 11;
    for (int i = 0; i < Draws; ++i) {
        const int x = static_cast<int>(bench::next(seed) % static_cast<std::uint32_t>(ScreenW - side + 1));
        const int y = static_cast<int>(bench::next(seed) % static_cast<std::uint32_t>(ScreenH - side + 1));
        at.emplace_back(x, y);
    }
    return at;
}

std::size_t pels(int w, int h) { return static_cast<std::size_t>(w) * static_cast<std::size_t>(h); }

// A sprite with about 40% key pixels in runs (the key is pixel 0), and a noisy screen.
std::vector<std::uint8_t> spriteBytes(int side, int bytes) { return bench::spritePixels(pels(side, side), bytes, 7); }
std::vector<std::uint8_t> screenBytes(int bytes) { return bench::noise(pels(ScreenW, ScreenH) * bytes, 2); }

struct Ours {
    Ours(int kind, int side, Op op) : side(side), op(op)
    {
        const imgPelFmt fmt(kind, nullptr);
        sprite.Create(side, side, &fmt);
        screen.Create(ScreenW, ScreenH, &fmt);
        const auto s = spriteBytes(side, imgPelBytes(kind)), d = screenBytes(imgPelBytes(kind));
        std::memcpy(sprite.pels, s.data(), s.size());
        std::memcpy(screen.pels, d.data(), d.size());
        if (op == Op::Keyed) sprite.SetColorKey(0);
        params.mode = 1;
        params.alpha = 128;
    }

    void drawAll()
    {
        for (const auto& [x, y] : at) {
            if (op == Op::Alpha) sprite.DrawEx(&screen, x, y, nullptr, &params);
            else sprite.Draw(&screen, x, y, nullptr);
        }
    }

    int side;
    Op op;
    imgRowCTy sprite, screen;
    DrawParams params;
    std::vector<std::pair<int, int>> at = positions(side);
};

void ours(benchmark::State& state, int kind, Op op)
{
    Ours o(kind, static_cast<int>(state.range(0)), op);
    for (auto _ : state) {
        o.drawAll();
        benchmark::DoNotOptimize(o.screen.pels);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * Draws);
}

// `kind` is our kind of the same format. Copies blend nothing; the keyed copy keys pixel 0; the
// constant alpha blends with an alpha modulation of 128: ours computes (s * a + d * (256 - a)) >> 8
// per channel, which at 128 is SDL's 50% blend, (s + d) >> 1.
// With rle, the keyed sprite is run-length coded (SDL_SetSurfaceRLE) on the first draws, before the
// check, as a game codes a sprite that does not change.
void sdlBlit(benchmark::State& state, std::uint32_t format, int kind, Op op, bool rle)
{
    const int side = static_cast<int>(state.range(0)), bytes = imgPelBytes(kind);
    SDL_Surface* sprite = bench::sdlSurface(format, side, side, spriteBytes(side, bytes), bytes);
    SDL_Surface* screen = bench::sdlSurface(format, ScreenW, ScreenH, screenBytes(bytes), bytes);
    if (op == Op::Keyed) SDL_SetColorKey(sprite, SDL_TRUE, 0);
    if (op == Op::Alpha) {
        SDL_SetSurfaceBlendMode(sprite, SDL_BLENDMODE_BLEND);
        SDL_SetSurfaceAlphaMod(sprite, 128);
    }
    if (rle) SDL_SetSurfaceRLE(sprite, 1);
    const auto at = positions(side);
    auto drawAll = [&] {
        for (const auto& [x, y] : at) {
            SDL_Rect to{x, y, side, side};
            SDL_BlitSurface(sprite, nullptr, screen, &to);
        }
    };
    drawAll();
    if (rle && (sprite->flags & SDL_RLEACCEL) == 0) bench::fail("keyed RLE sprites", "SDL did not code the sprite's runs");
    const auto peer = bench::sdlPixels(screen, bytes);
    Ours o(kind, side, op);
    o.drawAll();
    bench::checkSame(state, std::string("sprites onto kind ") + std::to_string(kind) + ", op " + std::to_string(static_cast<int>(op)) +
                         ", side " + std::to_string(side),
                     kind == 4 ? bench::Layout::Rgb565 : bench::Layout::Bgrx32, bytes, o.screen.pels, peer.data(),
                     pels(ScreenW, ScreenH), 0);
    for (auto _ : state) {
        drawAll();
        benchmark::DoNotOptimize(screen->pixels);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(sprite);
    SDL_FreeSurface(screen);
    state.SetItemsProcessed(state.iterations() * Draws);
}

void sdl(benchmark::State& state, std::uint32_t format, int kind, Op op) { sdlBlit(state, format, kind, op, false); }
void sdlRle(benchmark::State& state, std::uint32_t format, int kind) { sdlBlit(state, format, kind, Op::Keyed, true); }

// The row size in bytes where the compiler cannot see it.
volatile std::size_t rowBytesAtRunTime = 0;

// The floor of a copy: each row of every draw a call of the C library's memcpy, its size known
// only at run time, the same sprite onto the same places (checked against ours before timing).
void memcpyRows(benchmark::State& state, int kind)
{
    const int side = static_cast<int>(state.range(0)), bytes = imgPelBytes(kind);
    const auto sprite = spriteBytes(side, bytes);
    auto screen = screenBytes(bytes);
    const auto at = positions(side);
    rowBytesAtRunTime = static_cast<std::size_t>(side) * static_cast<std::size_t>(bytes);
    const std::size_t row = rowBytesAtRunTime, pitch = static_cast<std::size_t>(ScreenW) * static_cast<std::size_t>(bytes);
    auto drawAll = [&] {
        for (const auto& [x, y] : at) {
            std::uint8_t* to = screen.data() + pitch * static_cast<std::size_t>(y) + static_cast<std::size_t>(x * bytes);
            for (int j = 0; j < side; ++j) std::memcpy(to + pitch * static_cast<std::size_t>(j), sprite.data() + row * static_cast<std::size_t>(j), row);
        }
    };
    drawAll();
    Ours o(kind, side, Op::Copy);
    o.drawAll();
    bench::checkSame(state, "memcpy rows onto kind " + std::to_string(kind) + ", side " + std::to_string(side),
                     kind == 4 ? bench::Layout::Rgb565 : bench::Layout::Bgrx32, bytes, o.screen.pels, screen.data(),
                     pels(ScreenW, ScreenH), 0);
    for (auto _ : state) {
        drawAll();
        benchmark::DoNotOptimize(screen.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * Draws);
}

void sides(benchmark::internal::Benchmark* b) { b->Arg(16)->Arg(32)->Arg(64); }

constexpr std::uint32_t sdl565 = SDL_PIXELFORMAT_RGB565, sdlx8888 = SDL_PIXELFORMAT_XRGB8888;

}  // namespace

BENCHMARK_CAPTURE(ours, copy_565, 4, Op::Copy)->Apply(sides);
BENCHMARK_CAPTURE(sdl, copy_565, sdl565, 4, Op::Copy)->Apply(sides);
BENCHMARK_CAPTURE(memcpyRows, copy_565, 4)->Apply(sides);
BENCHMARK_CAPTURE(ours, keyed_565, 4, Op::Keyed)->Apply(sides);
BENCHMARK_CAPTURE(sdl, keyed_565, sdl565, 4, Op::Keyed)->Apply(sides);
BENCHMARK_CAPTURE(sdlRle, keyed_565, sdl565, 4)->Apply(sides);
BENCHMARK_CAPTURE(ours, alpha_565, 4, Op::Alpha)->Apply(sides);
BENCHMARK_CAPTURE(sdl, alpha_565, sdl565, 4, Op::Alpha)->Apply(sides);
BENCHMARK_CAPTURE(ours, copy_8888, 2, Op::Copy)->Apply(sides);
BENCHMARK_CAPTURE(sdl, copy_xrgb8888, sdlx8888, 2, Op::Copy)->Apply(sides);
BENCHMARK_CAPTURE(memcpyRows, copy_8888, 2)->Apply(sides);
BENCHMARK_CAPTURE(ours, keyed_8888, 2, Op::Keyed)->Apply(sides);
BENCHMARK_CAPTURE(sdl, keyed_xrgb8888, sdlx8888, 2, Op::Keyed)->Apply(sides);
BENCHMARK_CAPTURE(sdlRle, keyed_xrgb8888, sdlx8888, 2)->Apply(sides);
BENCHMARK_CAPTURE(ours, alpha_8888, 2, Op::Alpha)->Apply(sides);
BENCHMARK_CAPTURE(sdl, alpha_xrgb8888, sdlx8888, 2, Op::Alpha)->Apply(sides);

BENCHMARK_MAIN();
