// The sprite blitter's rgb565 loops through imgCTy::DrawEx against pixman, memcpy and SDL2 on
// the same sizes (64 x 64 and 800 x 600) in the same run: compare the peers' times per row.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "sprite/imgRowCTy.h"

namespace {

// Pixel bytes from a fixed pattern, the same for every peer.
void fill(std::uint8_t* p, std::size_t n, std::uint32_t seed)
{
    for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
}

// The source side of a destination side drawn at the scale (0: unscaled).
int sourceSize(int destination, float scale)
{
    return scale > 0 ? static_cast<int>(static_cast<float>(destination) / scale) : destination;
}

std::unique_ptr<imgRowCTy> image(int kind, int w, int h, std::uint32_t seed)
{
    auto img = std::make_unique<imgRowCTy>();
    const imgPelFmt fmt(kind, nullptr);
    img->Create(w, h, &fmt);
    fill(img->pels, static_cast<std::size_t>(imgCTy::PelBlockBytes(w, h, kind)), seed);
    return img;
}

// One DrawEx per iteration; scale > 0 draws the stretch copy with the destination's size.
void drawEx(benchmark::State& state, int srcKind, int dstKind, int mode, int alpha, float scale, bool keyed)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    auto src = image(srcKind, sourceSize(w, scale), sourceSize(h, scale), 1), dst = image(dstKind, w, h, 2);
    if (keyed) src->SetColorKey(0x0000);
    DrawParams params;
    params.mode = mode, params.alpha = alpha;
    params.scaleX = params.scaleY = scale > 0 ? scale : 1.0f;
    const imgRect rect{0, 0, w, h};
    for (auto _ : state) {
        src->DrawEx(dst.get(), 0, 0, &rect, &params);
        benchmark::DoNotOptimize(dst->pels);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}

void pixman(benchmark::State& state, pixman_op_t op, pixman_format_code_t dstFmt, bool solidMask)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const int dstBytes = PIXMAN_FORMAT_BPP(dstFmt) / 8;
    const std::size_t pels = static_cast<std::size_t>(w) * h;
    std::vector<std::uint32_t> srcBits(pels / 2 + 1), dstBits(pels * dstBytes / 4 + 1);
    fill(reinterpret_cast<std::uint8_t*>(srcBits.data()), pels * 2, 1);
    pixman_image_t* src = pixman_image_create_bits(PIXMAN_r5g6b5, w, h, srcBits.data(), w * 2);
    pixman_image_t* dst = pixman_image_create_bits(dstFmt, w, h, dstBits.data(), w * dstBytes);
    const pixman_color_t half{0, 0, 0, 0x8000};
    pixman_image_t* mask = solidMask ? pixman_image_create_solid_fill(&half) : nullptr;
    for (auto _ : state) {
        pixman_image_composite32(op, src, mask, dst, 0, 0, 0, 0, 0, 0, w, h);
        benchmark::DoNotOptimize(dstBits.data());
        benchmark::ClobberMemory();
    }
    if (mask) pixman_image_unref(mask);
    pixman_image_unref(src);
    pixman_image_unref(dst);
    state.SetItemsProcessed(state.iterations() * w * h);
}

void rowMemcpy(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const std::size_t row = static_cast<std::size_t>(w) * 2;
    std::vector<std::uint8_t> src(row * h), dst(src.size());
    fill(src.data(), src.size(), 1);
    for (auto _ : state) {
        for (int y = 0; y < h; ++y) std::memcpy(dst.data() + row * y, src.data() + row * y, row);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}

// SDL_BlitSurface with a colour key, or SDL_BlitScaled from a source of the destination's size / scale.
void sdl(benchmark::State& state, float scale, bool keyed)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    SDL_Surface* src = SDL_CreateRGBSurfaceWithFormat(0, sourceSize(w, scale), sourceSize(h, scale), 16, SDL_PIXELFORMAT_RGB565);
    SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormat(0, w, h, 16, SDL_PIXELFORMAT_RGB565);
    for (int y = 0; y < src->h; ++y) fill(static_cast<std::uint8_t*>(src->pixels) + y * src->pitch, std::size_t(src->w) * 2, 1u + y);
    if (keyed) SDL_SetColorKey(src, SDL_TRUE, 0x0000);
    for (auto _ : state) {
        SDL_Rect to{0, 0, w, h};
        if (scale > 0)
            SDL_BlitScaled(src, nullptr, dst, &to);
        else
            SDL_BlitSurface(src, nullptr, dst, &to);
        benchmark::DoNotOptimize(dst->pixels);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
    state.SetItemsProcessed(state.iterations() * w * h);
}

void sizes(benchmark::internal::Benchmark* b) { b->Args({64, 64})->Args({800, 600}); }

}  // namespace

// The screenshot's copy: rgb565 onto rgb888.
BENCHMARK_CAPTURE(drawEx, copy_565_to_888, 4, 1, 0, 0, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, src_r5g6b5_to_r8g8b8, PIXMAN_OP_SRC, PIXMAN_r8g8b8, false)->Apply(sizes);
// Same-format copy.
BENCHMARK_CAPTURE(drawEx, copy_565_to_565, 4, 4, 0, 0, 0.0f, false)->Apply(sizes);
BENCHMARK(rowMemcpy)->Apply(sizes);
// Keyed copy.
BENCHMARK_CAPTURE(drawEx, keyed_copy_565_to_565, 4, 4, 0, 0, 0.0f, true)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, keyed_blit_565, 0.0f, true)->Apply(sizes);
// Stretch copies.
BENCHMARK_CAPTURE(drawEx, stretch_2_565, 4, 4, 13, 0, 2.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, blit_scaled_2_565, 2.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, stretch_half_565, 4, 4, 13, 0, 0.5f, false)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, blit_scaled_half_565, 0.5f, false)->Apply(sizes);
// Blends onto 32-bit.
BENCHMARK_CAPTURE(drawEx, alpha_565_to_x8888, 4, 2, 1, 128, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, over_solid_mask_r5g6b5_to_x8r8g8b8, PIXMAN_OP_OVER, PIXMAN_x8r8g8b8, true)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, add_565_to_x8888, 4, 2, 7, 0, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, add_r5g6b5_to_x8r8g8b8, PIXMAN_OP_ADD, PIXMAN_x8r8g8b8, false)->Apply(sizes);

BENCHMARK_MAIN();
