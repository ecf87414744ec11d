// The sprite blitter's loops through imgCTy::DrawEx against pixman, memcpy and SDL2 on the same
// sizes (64 x 64 and 800 x 600; the same-format copies also 16 x 16 and 32 x 32), formats and
// pixels in the same run: compare each row with the peers below it. Every peer's output is
// checked against ours once before it is timed.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "bench/bench_pictures.h"
#include "bench/sdl_pictures.h"
#include "sprite/imgRowCTy.h"
#include "sprite/palCTy.h"

namespace {

using bench::Layout;

// The pictures a row draws: noise (keyed rows then find almost no key pixel) or a sprite with
// about 40% key pixels in runs.
enum class Data { Noise, Sprite };

// One job: our draw and what every peer of it must do.
struct Job {
    int srcKind, dstKind, mode, alpha;
    float scale;  // 0: unscaled; else the destination's size over the source's
    bool keyed;
    Data data;
};

// The source side of a destination side drawn at the scale (0: unscaled).
int sourceSize(int destination, float scale)
{
    return scale > 0 ? static_cast<int>(static_cast<float>(destination) / scale) : destination;
}

std::size_t pels(int w, int h) { return static_cast<std::size_t>(w) * static_cast<std::size_t>(h); }

// Source pixels of the job's kind, w x h. Mode 12's 4th bytes hold its alpha, which our draw
// takes from the request and pixman's OVER from the pixel.
std::vector<std::uint8_t> sourceBytes(const Job& job, int w, int h)
{
    const int bytes = imgPelBytes(job.srcKind);
    auto p = job.data == Data::Sprite ? bench::spritePixels(pels(w, h), bytes, 7) : bench::noise(pels(w, h) * bytes, 1);
    if (job.mode == 12)
        for (std::size_t i = 3; i < p.size(); i += 4) p[i] = static_cast<std::uint8_t>(job.alpha);
    return p;
}

std::vector<std::uint8_t> destinationBytes(const Job& job, int w, int h)
{
    return bench::noise(pels(w, h) * imgPelBytes(job.dstKind), 2);
}

// The opacities of mode 3, one byte a pixel.
std::vector<std::uint8_t> mapBytes(int w, int h) { return bench::noise(pels(w, h), 3); }

// 256 palette entries of bytes B, G, R, A.
std::vector<std::uint8_t> paletteBytes() { return bench::noise(256 * 4, 4); }

Layout layoutOf(int kind)
{
    switch (kind) {
    case 1: return Layout::Bgr24;
    case 2: return Layout::Bgrx32;
    case 4: return Layout::Rgb565;
    default: return Layout::Bytes;
    }
}

// Our side of a job: the images and one DrawEx.
struct Ours {
    Ours(const Job& job, int w, int h) : job(job), w(w), h(h)
    {
        const int sw = sourceSize(w, job.scale), sh = sourceSize(h, job.scale);
        src = image(job.srcKind, sw, sh, sourceBytes(job, sw, sh));
        dst = image(job.dstKind, w, h, destinationBytes(job, w, h));
        map = image(9, w, h, mapBytes(w, h));
        if (job.srcKind == 9 && job.dstKind != 9) {
            palCTy palette;
            palette.Set(paletteBytes().data(), 256);
            src->SetPalette(palette);
        }
        if (job.keyed) src->SetColorKey(0x0000);
        params.mode = job.mode, params.alpha = job.alpha, params.alphaMap = map.get();
        params.scaleX = params.scaleY = job.scale > 0 ? job.scale : 1.0f;
    }

    static std::unique_ptr<imgRowCTy> image(int kind, int w, int h, const std::vector<std::uint8_t>& bytes)
    {
        auto img = std::make_unique<imgRowCTy>();
        const imgPelFmt fmt(kind, nullptr);
        img->Create(w, h, &fmt);
        std::memcpy(img->pels, bytes.data(), bytes.size());
        return img;
    }

    void draw()
    {
        const imgRect rect{0, 0, w, h};
        src->DrawEx(dst.get(), 0, 0, &rect, &params);
    }

    // The destination after one draw.
    std::vector<std::uint8_t> once()
    {
        draw();
        const std::size_t n = pels(w, h) * imgPelBytes(job.dstKind);
        return {dst->pels, dst->pels + n};
    }

    Job job;
    int w, h;
    std::unique_ptr<imgRowCTy> src, dst, map;
    DrawParams params;
};

// The peer's destination against ours after one draw each: channels within `tolerance`, or, for
// the stretch copies, each pixel one of the source pixels its destination pixel covers (the
// nearest-neighbour rules differ in which one they pick).
void check(benchmark::State& state, const Job& job, int w, int h, const std::uint8_t* peer, int tolerance)
{
    Ours ours(job, w, h);
    const auto expected = ours.once();
    const std::string name = "kind " + std::to_string(job.srcKind) + " onto kind " + std::to_string(job.dstKind) +
                             ", mode " + std::to_string(job.mode) + (job.keyed ? ", keyed" : "") +
                             (job.data == Data::Sprite ? ", sprite" : "") + " at " + std::to_string(w) + " x " +
                             std::to_string(h);
    const Layout layout = layoutOf(job.dstKind);
    const int bytes = imgPelBytes(job.dstKind);
    if (job.scale <= 0) {
        bench::checkSame(state, name, layout, bytes, expected.data(), peer, pels(w, h), tolerance);
        return;
    }
    const int sw = sourceSize(w, job.scale), sh = sourceSize(h, job.scale);
    const auto src = sourceBytes(job, sw, sh);
    auto span = [&](int d, int sourceSide) {
        const int first = std::min(sourceSide - 1, static_cast<int>(std::floor(d / job.scale)));
        const int last = std::clamp(static_cast<int>(std::ceil((d + 1) / job.scale)) - 1, first, sourceSide - 1);
        return std::pair{first, last};
    };
    const std::uint8_t* sides[2] = {expected.data(), peer};
    for (const std::uint8_t* out : sides)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const auto [x0, x1] = span(x, sw);
                const auto [y0, y1] = span(y, sh);
                bool found = false;
                std::string where;
                for (int sy = y0; sy <= y1 && !found; ++sy)
                    for (int sx = x0; sx <= x1 && !found; ++sx)
                        found = bench::compareChannels(layout, bytes, &src[(pels(sw, sy) + sx) * bytes],
                                                       out + (pels(w, y) + x) * bytes, 1, 0, where) == 0;
                if (!found)
                    bench::fail(name, std::string(out == peer ? "peer" : "ours") + " pixel (" + std::to_string(x) + ", " +
                                           std::to_string(y) + ") is none of the source pixels it covers");
            }
    state.counters["max_diff"] = 0;
}

void drawEx(benchmark::State& state, Job job)
{
    Ours ours(job, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        ours.draw();
        benchmark::DoNotOptimize(ours.dst->pels);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * ours.w * ours.h);
}

enum class Mask { None, Solid, A8 };

// pixman_image_composite32 of a source of srcFmt onto dstFmt; with a scale, SRC through a scale
// transform with the nearest filter. The solid mask is the job's constant alpha.
void pixman(benchmark::State& state, Job job, pixman_op_t op, pixman_format_code_t srcFmt, pixman_format_code_t dstFmt,
            Mask maskKind, int tolerance)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const int sw = sourceSize(w, job.scale), sh = sourceSize(h, job.scale);
    const int srcBytes = PIXMAN_FORMAT_BPP(srcFmt) / 8, dstBytes = PIXMAN_FORMAT_BPP(dstFmt) / 8;
    // Strides are whole 32-bit words; the benchmark's sizes need no padding.
    if (sw * srcBytes % 4 != 0 || w * dstBytes % 4 != 0 || w % 4 != 0) std::abort();
    auto srcPels = sourceBytes(job, sw, sh), dstPels = destinationBytes(job, w, h), maskPels = mapBytes(w, h);
    std::vector<std::uint32_t> srcBits(srcPels.size() / 4), dstBits(dstPels.size() / 4), maskBits(maskPels.size() / 4);
    std::memcpy(srcBits.data(), srcPels.data(), srcPels.size());
    std::memcpy(dstBits.data(), dstPels.data(), dstPels.size());
    std::memcpy(maskBits.data(), maskPels.data(), maskPels.size());
    pixman_image_t* src = pixman_image_create_bits(srcFmt, sw, sh, srcBits.data(), sw * srcBytes);
    pixman_image_t* dst = pixman_image_create_bits(dstFmt, w, h, dstBits.data(), w * dstBytes);
    const pixman_color_t solid{0, 0, 0, static_cast<std::uint16_t>(job.alpha << 8)};
    pixman_image_t* mask = maskKind == Mask::Solid ? pixman_image_create_solid_fill(&solid)
                           : maskKind == Mask::A8  ? pixman_image_create_bits(PIXMAN_a8, w, h, maskBits.data(), w)
                                                   : nullptr;
    if (job.scale > 0) {
        pixman_transform_t t;
        pixman_transform_init_scale(&t, pixman_double_to_fixed(1.0 / job.scale), pixman_double_to_fixed(1.0 / job.scale));
        pixman_image_set_transform(src, &t);
        pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
    }
    pixman_image_composite32(op, src, mask, dst, 0, 0, 0, 0, 0, 0, w, h);
    check(state, job, w, h, reinterpret_cast<const std::uint8_t*>(dstBits.data()), tolerance);
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

// One memcpy of the job's whole block: the floor of every same-format copy here, whose source and
// destination rows have no gaps (a copy per row would time the calls, not the copy).
void blockMemcpy(benchmark::State& state, Job job)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const std::size_t block = pels(w, h) * imgPelBytes(job.srcKind);
    const auto src = lineAligned(block), dst = lineAligned(block);
    const auto srcPels = sourceBytes(job, w, h), dstPels = destinationBytes(job, w, h);
    std::memcpy(src.get(), srcPels.data(), srcPels.size());
    std::memcpy(dst.get(), dstPels.data(), dstPels.size());
    auto copy = [&] { std::memcpy(dst.get(), src.get(), block); };
    copy();
    check(state, job, w, h, dst.get(), 0);
    for (auto _ : state) {
        copy();
        benchmark::DoNotOptimize(dst.get());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}

// SDL_BlitSurface (keyed with pixel 0 when the job is) or SDL_BlitScaled, blending off. An
// INDEX8 source gets the same palette as ours. With rle, the keyed source is run-length coded
// (SDL_SetSurfaceRLE) on the blit before the check, as a game codes a sprite that does not change.
void sdlBlit(benchmark::State& state, Job job, std::uint32_t srcFmt, std::uint32_t dstFmt, bool rle)
{
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const int sw = sourceSize(w, job.scale), sh = sourceSize(h, job.scale);
    SDL_Surface* src = bench::sdlSurface(srcFmt, sw, sh, sourceBytes(job, sw, sh), imgPelBytes(job.srcKind));
    SDL_Surface* dst = bench::sdlSurface(dstFmt, w, h, destinationBytes(job, w, h), imgPelBytes(job.dstKind));
    if (srcFmt == SDL_PIXELFORMAT_INDEX8) {
        const auto entries = paletteBytes();
        SDL_Color colours[256];
        for (int i = 0; i < 256; ++i)
            colours[i] = SDL_Color{entries[4 * i + 2], entries[4 * i + 1], entries[4 * i], entries[4 * i + 3]};
        SDL_SetPaletteColors(src->format->palette, colours, 0, 256);
    }
    if (job.keyed) SDL_SetColorKey(src, SDL_TRUE, 0x0000);
    if (rle) SDL_SetSurfaceRLE(src, 1);
    auto blit = [&] {
        SDL_Rect to{0, 0, w, h};
        if (job.scale > 0) SDL_BlitScaled(src, nullptr, dst, &to);
        else SDL_BlitSurface(src, nullptr, dst, &to);
    };
    blit();
    // SDL codes the runs at the first blit, and only where it can (a keyed source of the
    // destination's format): a row that fell back to the plain blit would not be the RLE peer.
    if (rle && (src->flags & SDL_RLEACCEL) == 0) bench::fail("keyed RLE blit", "SDL did not code the source's runs");
    check(state, job, w, h, bench::sdlPixels(dst, imgPelBytes(job.dstKind)).data(), 0);
    for (auto _ : state) {
        blit();
        benchmark::DoNotOptimize(dst->pixels);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
    state.SetItemsProcessed(state.iterations() * w * h);
}

void sdl(benchmark::State& state, Job job, std::uint32_t srcFmt, std::uint32_t dstFmt) { sdlBlit(state, job, srcFmt, dstFmt, false); }
void sdlRle(benchmark::State& state, Job job, std::uint32_t srcFmt, std::uint32_t dstFmt) { sdlBlit(state, job, srcFmt, dstFmt, true); }

void sizes(benchmark::internal::Benchmark* b) { b->Args({64, 64})->Args({800, 600}); }
// Same-format copies also at small sprites' sizes, where a draw's fixed cost shows.
void copySizes(benchmark::internal::Benchmark* b) { b->Args({16, 16})->Args({32, 32})->Apply(sizes); }

// SDL's formats of our kinds 4 (rgb565), 1 (bytes B, G, R) and 2 (bytes B, G, R, x).
constexpr std::uint32_t sdl565 = SDL_PIXELFORMAT_RGB565, sdl888 = SDL_PIXELFORMAT_BGR24, sdlx8888 = SDL_PIXELFORMAT_XRGB8888;
constexpr Data noise = Data::Noise, sprite = Data::Sprite;

constexpr Job copy565to888{4, 1, 0, 0, 0, false, noise};
constexpr Job copy565{4, 4, 0, 0, 0, false, noise}, copy5551{5, 5, 0, 0, 0, false, noise};
constexpr Job copy888{1, 1, 0, 0, 0, false, noise}, copy8888{2, 2, 0, 0, 0, false, noise};
constexpr Job copyIndex{9, 9, 0, 0, 0, false, noise}, copyPal8to565{9, 4, 0, 0, 0, false, noise};
constexpr Job keyed565{4, 4, 0, 0, 0, true, noise}, keyed565Sprite{4, 4, 0, 0, 0, true, sprite};
constexpr Job keyed888to565{1, 4, 0, 0, 0, true, noise}, keyed888to565Sprite{1, 4, 0, 0, 0, true, sprite};
constexpr Job keyed8888{2, 2, 0, 0, 0, true, noise}, keyed8888Sprite{2, 2, 0, 0, 0, true, sprite};
constexpr Job keyedPal8{9, 4, 0, 0, 0, true, noise}, keyedPal8Sprite{9, 4, 0, 0, 0, true, sprite};
constexpr Job stretch2x565{4, 4, 13, 0, 2.0f, false, noise}, stretchHalf565{4, 4, 13, 0, 0.5f, false, noise};
constexpr Job stretch2x8888{2, 2, 13, 0, 2.0f, false, noise};
constexpr Job alpha565to8888{4, 2, 1, 128, 0, false, noise}, alpha8888{2, 2, 1, 128, 0, false, noise};
constexpr Job alphaMap8888{2, 2, 3, 0, 0, false, noise}, premul8888{2, 2, 12, 128, 0, false, noise};
constexpr Job add565to8888{4, 2, 7, 0, 0, false, noise}, add8888{2, 2, 7, 0, 0, false, noise};
constexpr Job modulate8888{2, 2, 4, 0, 0, false, noise}, addSmooth8888{2, 2, 11, 0, 0, false, noise};

}  // namespace

// The screenshot's copy: rgb565 onto rgb888. pixman widens a field by repeating its high bits
// where ours leaves the low bits 0: up to 7 apart.
BENCHMARK_CAPTURE(drawEx, copy_565_to_888, copy565to888)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, src_r5g6b5_to_r8g8b8, copy565to888, PIXMAN_OP_SRC, PIXMAN_r5g6b5, PIXMAN_r8g8b8, Mask::None, 7)->Apply(sizes);
// Same-format copies of gapless blocks against one memcpy of the same block.
BENCHMARK_CAPTURE(drawEx, copy_565_to_565, copy565)->Apply(copySizes);
BENCHMARK_CAPTURE(blockMemcpy, memcpy_2, copy565)->Apply(copySizes);
BENCHMARK_CAPTURE(drawEx, copy_x5551_to_x5551, copy5551)->Apply(copySizes);
BENCHMARK_CAPTURE(blockMemcpy, memcpy_2_x5551, copy5551)->Apply(copySizes);
BENCHMARK_CAPTURE(drawEx, copy_888_to_888, copy888)->Apply(copySizes);
BENCHMARK_CAPTURE(blockMemcpy, memcpy_3, copy888)->Apply(copySizes);
BENCHMARK_CAPTURE(drawEx, copy_8888_to_8888, copy8888)->Apply(copySizes);
BENCHMARK_CAPTURE(blockMemcpy, memcpy_4, copy8888)->Apply(copySizes);
BENCHMARK_CAPTURE(drawEx, copy_index_to_index, copyIndex)->Apply(copySizes);
BENCHMARK_CAPTURE(blockMemcpy, memcpy_1, copyIndex)->Apply(copySizes);
// Keyed copies against SDL_BlitSurface with SDL_SetColorKey, blending off: noise (almost no
// key pixel) and a sprite (about 40% key pixels in runs); the same-format ones also against
// SDL's run-length coded blit, which SDL does not code across formats.
BENCHMARK_CAPTURE(drawEx, keyed_copy_565_to_565_noise, keyed565)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, keyed_blit_565_noise, keyed565, sdl565, sdl565)->Apply(sizes);
BENCHMARK_CAPTURE(sdlRle, keyed_blit_565_noise, keyed565, sdl565, sdl565)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, keyed_copy_565_to_565_sprite, keyed565Sprite)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, keyed_blit_565_sprite, keyed565Sprite, sdl565, sdl565)->Apply(sizes);
BENCHMARK_CAPTURE(sdlRle, keyed_blit_565_sprite, keyed565Sprite, sdl565, sdl565)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, keyed_copy_888_to_565_noise, keyed888to565)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, keyed_blit_bgr24_to_565_noise, keyed888to565, sdl888, sdl565)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, keyed_copy_888_to_565_sprite, keyed888to565Sprite)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, keyed_blit_bgr24_to_565_sprite, keyed888to565Sprite, sdl888, sdl565)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, keyed_copy_8888_to_8888_noise, keyed8888)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, keyed_blit_xrgb8888_noise, keyed8888, sdlx8888, sdlx8888)->Apply(sizes);
BENCHMARK_CAPTURE(sdlRle, keyed_blit_xrgb8888_noise, keyed8888, sdlx8888, sdlx8888)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, keyed_copy_8888_to_8888_sprite, keyed8888Sprite)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, keyed_blit_xrgb8888_sprite, keyed8888Sprite, sdlx8888, sdlx8888)->Apply(sizes);
BENCHMARK_CAPTURE(sdlRle, keyed_blit_xrgb8888_sprite, keyed8888Sprite, sdlx8888, sdlx8888)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, keyed_copy_pal8_to_565_noise, keyedPal8)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, keyed_blit_index8_to_565_noise, keyedPal8, SDL_PIXELFORMAT_INDEX8, sdl565)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, keyed_copy_pal8_to_565_sprite, keyedPal8Sprite)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, keyed_blit_index8_to_565_sprite, keyedPal8Sprite, SDL_PIXELFORMAT_INDEX8, sdl565)->Apply(sizes);
// Palettized copy against SDL's INDEX8 blit.
BENCHMARK_CAPTURE(drawEx, copy_pal8_to_565, copyPal8to565)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, blit_index8_to_565, copyPal8to565, SDL_PIXELFORMAT_INDEX8, sdl565)->Apply(sizes);
// Stretch copies against SDL_BlitScaled and pixman's nearest-filter SRC.
BENCHMARK_CAPTURE(drawEx, stretch_2_565, stretch2x565)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, blit_scaled_2_565, stretch2x565, sdl565, sdl565)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, src_scaled_2_r5g6b5, stretch2x565, PIXMAN_OP_SRC, PIXMAN_r5g6b5, PIXMAN_r5g6b5, Mask::None, 0)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, stretch_half_565, stretchHalf565)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, blit_scaled_half_565, stretchHalf565, sdl565, sdl565)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, src_scaled_half_r5g6b5, stretchHalf565, PIXMAN_OP_SRC, PIXMAN_r5g6b5, PIXMAN_r5g6b5, Mask::None, 0)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, stretch_2_8888, stretch2x8888)->Apply(sizes);
BENCHMARK_CAPTURE(sdl, blit_scaled_2_xrgb8888, stretch2x8888, sdlx8888, sdlx8888)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, src_scaled_2_x8r8g8b8, stretch2x8888, PIXMAN_OP_SRC, PIXMAN_x8r8g8b8, PIXMAN_x8r8g8b8, Mask::None, 0)->Apply(sizes);
// Blends onto 32-bit against pixman_image_composite32 on the same formats. Ours divides by 256
// where pixman divides by 255 and rounds, and pixman widens 5-6-5 fields by repeating their high
// bits: the tolerances below are the largest channel differences these rules allow.
BENCHMARK_CAPTURE(drawEx, alpha_565_to_x8888, alpha565to8888)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, over_solid_mask_r5g6b5_to_x8r8g8b8, alpha565to8888, PIXMAN_OP_OVER, PIXMAN_r5g6b5, PIXMAN_x8r8g8b8, Mask::Solid, 5)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, alpha_8888_to_8888, alpha8888)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, over_solid_mask_x8r8g8b8, alpha8888, PIXMAN_OP_OVER, PIXMAN_x8r8g8b8, PIXMAN_x8r8g8b8, Mask::Solid, 2)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, alphamap_8888_to_8888, alphaMap8888)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, over_a8_mask_x8r8g8b8, alphaMap8888, PIXMAN_OP_OVER, PIXMAN_x8r8g8b8, PIXMAN_x8r8g8b8, Mask::A8, 2)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, premul_8888_to_8888, premul8888)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, over_a8r8g8b8, premul8888, PIXMAN_OP_OVER, PIXMAN_a8r8g8b8, PIXMAN_x8r8g8b8, Mask::None, 2)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, add_565_to_x8888, add565to8888)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, add_r5g6b5_to_x8r8g8b8, add565to8888, PIXMAN_OP_ADD, PIXMAN_r5g6b5, PIXMAN_x8r8g8b8, Mask::None, 7)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, add_8888_to_8888, add8888)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, add_x8r8g8b8, add8888, PIXMAN_OP_ADD, PIXMAN_x8r8g8b8, PIXMAN_x8r8g8b8, Mask::None, 0)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, modulate_8888_to_8888, modulate8888)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, multiply_x8r8g8b8, modulate8888, PIXMAN_OP_MULTIPLY, PIXMAN_x8r8g8b8, PIXMAN_x8r8g8b8, Mask::None, 2)->Apply(sizes);
BENCHMARK_CAPTURE(drawEx, addsmooth_8888_to_8888, addSmooth8888)->Apply(sizes);
BENCHMARK_CAPTURE(pixman, screen_x8r8g8b8, addSmooth8888, PIXMAN_OP_SCREEN, PIXMAN_x8r8g8b8, PIXMAN_x8r8g8b8, Mask::None, 2)->Apply(sizes);

// A sprite onto a screen: 64 x 64 32-bit pixels copied into a 640 x 480 image at x positions
// whose rows start 0, 4, 16, 32 and 48 bytes into a 64-byte line, against memcpy of each row
// (the rows above copy one gapless block, which no screen has). Both sides' whole
// destinations are compared once before timing.
namespace {

constexpr int spriteSide = 64, screenW = 640, screenH = 480, spriteY = 100;

struct SpriteOnScreen {
    explicit SpriteOnScreen(int x) : x(x)
    {
        const imgPelFmt fmt(2, nullptr);
        sprite.Create(spriteSide, spriteSide, &fmt);
        screen.Create(screenW, screenH, &fmt);
        const auto s = bench::noise(pels(spriteSide, spriteSide) * 4, 5), d = bench::noise(pels(screenW, screenH) * 4, 6);
        std::memcpy(sprite.pels, s.data(), s.size());
        std::memcpy(screen.pels, d.data(), d.size());
        params.mode = 0;
    }

    void draw()
    {
        const imgRect rect{0, 0, spriteSide, spriteSide};
        sprite.DrawEx(&screen, x, spriteY, &rect, &params);
    }

    int x;
    imgRowCTy sprite, screen;
    DrawParams params;
};

// The images of one x, shared by both sides so that their blocks lie alike in memory (where a
// destination row falls against its source row modulo 4 KiB sways a copy's time).
SpriteOnScreen& spriteOnScreen(int x)
{
    static std::map<int, std::unique_ptr<SpriteOnScreen>> images;
    auto& p = images[x];
    if (!p) p = std::make_unique<SpriteOnScreen>(x);
    return *p;
}

void spriteOntoScreen(benchmark::State& state)
{
    SpriteOnScreen& ours = spriteOnScreen(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ours.draw();
        benchmark::DoNotOptimize(ours.screen.pels);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * spriteSide * spriteSide);
}

// The row's size in bytes where the compiler cannot see it.
volatile std::size_t spriteRowBytes = spriteSide * 4;

// The peers: one memcpy per row of the same bytes, of a size the compiler knows (and inlines as
// vector moves) or, with LibraryCall, of a size known only at run time (the C library's memcpy).
template <bool LibraryCall>
void memcpyOntoScreen(benchmark::State& state)
{
    SpriteOnScreen& peer = spriteOnScreen(static_cast<int>(state.range(0)));
    constexpr std::size_t row = spriteSide * 4, pitch = screenW * 4;
    const std::size_t runtimeRow = spriteRowBytes;
    std::uint8_t* to = peer.screen.pels + pitch * spriteY + 4 * static_cast<std::size_t>(peer.x);
    const std::uint8_t* from = peer.sprite.pels;
    const auto copy = [&] {
        if constexpr (LibraryCall)
            for (int y = 0; y < spriteSide; ++y) std::memcpy(to + pitch * y, from + runtimeRow * y, runtimeRow);
        else
            for (int y = 0; y < spriteSide; ++y) std::memcpy(to + pitch * y, from + row * y, row);
    };
    copy();
    SpriteOnScreen ours(peer.x);
    ours.draw();
    bench::checkSame(state, "64 x 64 kind 2 onto 640 x 480 at x " + std::to_string(peer.x), Layout::Bytes, 1,
                     ours.screen.pels, peer.screen.pels, pitch * screenH, 0);
    for (auto _ : state) {
        copy();
        benchmark::DoNotOptimize(peer.screen.pels);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * spriteSide * spriteSide);
}

void spriteOntoScreenMemcpy(benchmark::State& state) { memcpyOntoScreen<false>(state); }
void spriteOntoScreenLibcMemcpy(benchmark::State& state) { memcpyOntoScreen<true>(state); }

void spriteXs(benchmark::internal::Benchmark* b) { b->ArgName("x")->Arg(0)->Arg(1)->Arg(4)->Arg(8)->Arg(12); }

}  // namespace

BENCHMARK(spriteOntoScreen)->Apply(spriteXs);
BENCHMARK(spriteOntoScreenMemcpy)->Apply(spriteXs);
BENCHMARK(spriteOntoScreenLibcMemcpy)->Apply(spriteXs);

BENCHMARK_MAIN();
