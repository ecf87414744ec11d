// The sprite blitter's loops through imgCTy::DrawEx against pixman, memcpy and SDL2 on the same
// sizes (64 x 64 and 800 x 600) in the same run: compare each row with the peers below it.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "sprite/imgRowCTy.h"
#include "sprite/palCTy.h"

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

// One DrawEx per iteration; scale > 0 draws the stretch copy with the destination's size. Kind 9
// sources carry a 256-colour palette.
void drawEx(benchmark::State& state, int srcKind, int dstKind, int mode, int alpha, float scale, bool keyed)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    auto src = image(srcKind, sourceSize(w, scale), sourceSize(h, scale), 1), dst = image(dstKind, w, h, 2);
    auto map = image(9, w, h, 3);
    if (srcKind == 9 && dstKind != 9) {
        std::uint8_t colours[256 * 4];
        fill(colours, sizeof colours, 4);
        palCTy palette;
        palette.Set(colours, 256);
        src->SetPalette(palette);
    }
    if (keyed) src->SetColorKey(0x0000);
    DrawParams params;
    params.mode = mode, params.alpha = alpha, params.alphaMap = map.get();
    params.scaleX = params.scaleY = scale > 0 ? scale : 1.0f;
    const imgRect rect{0, 0, w, h};
    for (auto _ : state) {
        src->DrawEx(dst.get(), 0, 0, &rect, &params);
        benchmark::DoNotOptimize(dst->pels);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}

enum class Mask { None, Solid, A8 };

// pixman_image_composite32 of a source of srcFmt onto dstFmt; scale > 0: SRC through a scale
// transform with the nearest filter, from a source of the destination's size / scale.
void pixman(benchmark::State& state, pixman_op_t op, pixman_format_code_t srcFmt, pixman_format_code_t dstFmt, Mask maskKind,
            float scale)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const int sw = sourceSize(w, scale), sh = sourceSize(h, scale);
    const int srcBytes = PIXMAN_FORMAT_BPP(srcFmt) / 8, dstBytes = PIXMAN_FORMAT_BPP(dstFmt) / 8;
    // Strides are whole 32-bit words.
    const int srcStride = (sw * srcBytes + 3) / 4 * 4, dstStride = (w * dstBytes + 3) / 4 * 4, maskStride = (w + 3) / 4 * 4;
    std::vector<std::uint32_t> srcBits(static_cast<std::size_t>(srcStride) * sh / 4 + 1),
        dstBits(static_cast<std::size_t>(dstStride) * h / 4 + 1), maskBits(static_cast<std::size_t>(maskStride) * h / 4 + 1);
    fill(reinterpret_cast<std::uint8_t*>(srcBits.data()), srcBits.size() * 4, 1);
    fill(reinterpret_cast<std::uint8_t*>(maskBits.data()), maskBits.size() * 4, 3);
    pixman_image_t* src = pixman_image_create_bits(srcFmt, sw, sh, srcBits.data(), srcStride);
    pixman_image_t* dst = pixman_image_create_bits(dstFmt, w, h, dstBits.data(), dstStride);
    const pixman_color_t half{0, 0, 0, 0x8000};
    pixman_image_t* mask = maskKind == Mask::Solid ? pixman_image_create_solid_fill(&half)
                           : maskKind == Mask::A8  ? pixman_image_create_bits(PIXMAN_a8, w, h, maskBits.data(), maskStride)
                                                   : nullptr;
    if (scale > 0) {
        pixman_transform_t t;
        pixman_transform_init_scale(&t, pixman_double_to_fixed(1.0 / scale), pixman_double_to_fixed(1.0 / scale));
        pixman_image_set_transform(src, &t);
        pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
    }
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

// n bytes starting on 64 bytes, like the sprite library's pixel blocks, so that neither side of a
// copy row starts with the luck of the heap.
std::unique_ptr<std::uint8_t, decltype(&std::free)> lineAligned(std::size_t n)
{
    return {static_cast<std::uint8_t*>(std::aligned_alloc(64, (n + 63) / 64 * 64)), &std::free};
}

// memcpy of each row of bytes-per-pixel wide pixels: the floor of every same-format copy.
void rowMemcpy(benchmark::State& state, int bytes)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const std::size_t row = static_cast<std::size_t>(w) * static_cast<std::size_t>(bytes);
    const auto src = lineAligned(row * h), dst = lineAligned(row * h);
    fill(src.get(), row * h, 1);
    for (auto _ : state) {
        for (int y = 0; y < h; ++y) std::memcpy(dst.get() + row * y, src.get() + row * y, row);
        benchmark::DoNotOptimize(dst.get());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}

// SDL_BlitSurface (keyed with colour 0 when asked) or SDL_BlitScaled from a source of the
// destination's size / scale. An INDEX8 source gets a 256-colour palette.
void sdl(benchmark::State& state, std::uint32_t srcFmt, std::uint32_t dstFmt, float scale, bool keyed)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    SDL_Surface* src = SDL_CreateRGBSurfaceWithFormat(0, sourceSize(w, scale), sourceSize(h, scale), 32, srcFmt);
    SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, dstFmt);
    for (int y = 0; y < src->h; ++y)
        fill(static_cast<std::uint8_t*>(src->pixels) + y * src->pitch, static_cast<std::size_t>(src->pitch), 1u + y);
    if (srcFmt == SDL_PIXELFORMAT_INDEX8) {
        SDL_Color colours[256];
        fill(reinterpret_cast<std::uint8_t*>(colours), sizeof colours, 4);
        SDL_SetPaletteColors(src->format->palette, colours, 0, 256);
    }
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

constexpr std::uint32_t sdl565 = SDL_PIXELFORMAT_RGB565, sdl888 = SDL_PIXELFORMAT_RGB24, sdl8888 = SDL_PIXELFORMAT_ARGB8888;

}  // namespace

// The screenshot's copy: rgb565 onto rgb888.
BENCHMARK_CAPTURE(drawEx, copy_565_to_888, 4, 1, 0, 0, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, src_r5g6b5_to_r8g8b8, PIXMAN_OP_SRC, PIXMAN_r5g6b5, PIXMAN_r8g8b8, Mask::None, 0.0f)->Apply(sizes);
// Same-format copies against memcpy of the same bytes.
BENCHMARK_CAPTURE(drawEx, copy_565_to_565, 4, 4, 0, 0, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, copy_x5551_to_x5551, 5, 5, 0, 0, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(rowMemcpy, memcpy_2, 2)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, copy_888_to_888, 1, 1, 0, 0, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(rowMemcpy, memcpy_3, 3)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, copy_8888_to_8888, 2, 2, 0, 0, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(rowMemcpy, memcpy_4, 4)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, copy_index_to_index, 9, 9, 0, 0, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(rowMemcpy, memcpy_1, 1)->Apply(sizes);
// Keyed copies against SDL_BlitSurface with SDL_SetColorKey.
BENCHMARK_CAPTURE(drawEx, keyed_copy_565_to_565, 4, 4, 0, 0, 0.0f, true)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, keyed_blit_565, sdl565, sdl565, 0.0f, true)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, keyed_copy_888_to_565, 1, 4, 0, 0, 0.0f, true)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, keyed_blit_888_to_565, sdl888, sdl565, 0.0f, true)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, keyed_copy_8888_to_8888, 2, 2, 0, 0, 0.0f, true)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, keyed_blit_8888, sdl8888, sdl8888, 0.0f, true)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, keyed_copy_pal8_to_565, 9, 4, 0, 0, 0.0f, true)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, keyed_blit_index8_to_565, SDL_PIXELFORMAT_INDEX8, sdl565, 0.0f, true)->Apply(sizes);
// Palettized copy against SDL's INDEX8 blit.
BENCHMARK_CAPTURE(drawEx, copy_pal8_to_565, 9, 4, 0, 0, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, blit_index8_to_565, SDL_PIXELFORMAT_INDEX8, sdl565, 0.0f, false)->Apply(sizes);
// Stretch copies against SDL_BlitScaled and pixman's nearest-filter SRC.
BENCHMARK_CAPTURE(drawEx, stretch_2_565, 4, 4, 13, 0, 2.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, blit_scaled_2_565, sdl565, sdl565, 2.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, src_scaled_2_r5g6b5, PIXMAN_OP_SRC, PIXMAN_r5g6b5, PIXMAN_r5g6b5, Mask::None, 2.0f)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, stretch_half_565, 4, 4, 13, 0, 0.5f, false)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, blit_scaled_half_565, sdl565, sdl565, 0.5f, false)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, src_scaled_half_r5g6b5, PIXMAN_OP_SRC, PIXMAN_r5g6b5, PIXMAN_r5g6b5, Mask::None, 0.5f)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, stretch_2_8888, 2, 2, 13, 0, 2.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, blit_scaled_2_8888, sdl8888, sdl8888, 2.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, src_scaled_2_x8r8g8b8, PIXMAN_OP_SRC, PIXMAN_x8r8g8b8, PIXMAN_x8r8g8b8, Mask::None, 2.0f)->Apply(sizes);
// Blends onto 32-bit against pixman_image_composite32.
BENCHMARK_CAPTURE(drawEx, alpha_565_to_x8888, 4, 2, 1, 128, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, alpha_8888_to_8888, 2, 2, 1, 128, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, over_solid_mask_x8r8g8b8, PIXMAN_OP_OVER, PIXMAN_x8r8g8b8, PIXMAN_x8r8g8b8, Mask::Solid, 0.0f)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, alphamap_8888_to_8888, 2, 2, 3, 0, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, over_a8_mask_x8r8g8b8, PIXMAN_OP_OVER, PIXMAN_x8r8g8b8, PIXMAN_x8r8g8b8, Mask::A8, 0.0f)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, premul_8888_to_8888, 2, 2, 12, 128, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, over_a8r8g8b8, PIXMAN_OP_OVER, PIXMAN_a8r8g8b8, PIXMAN_x8r8g8b8, Mask::None, 0.0f)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, add_565_to_x8888, 4, 2, 7, 0, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, add_8888_to_8888, 2, 2, 7, 0, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, add_x8r8g8b8, PIXMAN_OP_ADD, PIXMAN_x8r8g8b8, PIXMAN_x8r8g8b8, Mask::None, 0.0f)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, modulate_8888_to_8888, 2, 2, 4, 0, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, multiply_x8r8g8b8, PIXMAN_OP_MULTIPLY, PIXMAN_x8r8g8b8, PIXMAN_x8r8g8b8, Mask::None, 0.0f)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, addsmooth_8888_to_8888, 2, 2, 11, 0, 0.0f, false)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, screen_x8r8g8b8, PIXMAN_OP_SCREEN, PIXMAN_x8r8g8b8, PIXMAN_x8r8g8b8, Mask::None, 0.0f)->Apply(sizes);

BENCHMARK_MAIN();
