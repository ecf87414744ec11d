// Row loops of the per-pixel operators over 800 x 600 pixels against pixman on the same buffers
// (onto 32-bit pixels the blitter's loops, which draw those rows).
// Add and modulate2x stand beside ADD, constant alpha beside OVER with a solid mask. Each pixman
// row is checked once against our operator's output before it is timed.
#include "sprite/pelOps.h"
#include "sprite/blit/blitSelect.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/bench_pictures.h"

namespace {

constexpr int W = 800, H = 600;
// How far the constant alphas may differ per channel: one step of a 5- or 6-bit field onto rgb565
// (pixman blends at 8 bits and cuts, ours at the fields' widths); onto 32 bits half a step of a
// widened 5-bit source field, which the two widen differently.
constexpr int Alpha565Tolerance = 1, Alpha32Tolerance = 4;

// The two pictures of one pairing; pixel bytes from a fixed pattern, not all saturating.
struct Buffers {
    int srcBytes, dstBytes;
    std::vector<std::uint8_t> src, dst;
    Buffers(int sb, int db) : srcBytes(sb), dstBytes(db), src(std::size_t(W) * H * sb), dst(std::size_t(W) * H * db)
    {
        std::uint32_t x = 12345;
        for (auto& b : src)
            b = static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 24);
        for (auto& b : dst)
            b = static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 25);
    }
};

// The shape of the blit loops: one operator call per pixel along each row.
template <int SrcBytes, int DstBytes, class Op>
void rows(Buffers& b, Op op)
{
    for (int y = 0; y < H; ++y) {
        std::uint8_t* d = b.dst.data() + std::size_t(y) * W * DstBytes;
        const std::uint8_t* s = b.src.data() + std::size_t(y) * W * SrcBytes;
        for (int x = 0; x < W; ++x)
            op(d + x * DstBytes, s + x * SrcBytes);
    }
}

// Onto 32-bit pixels the library draws the operators with the blitter's loops, whole rows and the
// vector steps at the process's level: one draw of the picture, its loop taken from the selection
// table as a draw takes it.
template <PelGroup S, DrawOp O>
void blitPicture(Buffers& b)
{
    const BlitView none{nullptr, 0};
    const BlitJob job{{b.src.data(), W}, {b.dst.data(), W}, none, none, none, 0, 0, W, H, 1u << 16, 1u << 16, 128, 0, nullptr};
    blitCell(static_cast<int>(S), static_cast<int>(PelGroup::X8888), drawSlotOf(DrawKey{O, false, false, false}))(job);
}

template <int SrcBytes, PelGroup S, DrawOp O>
void runBlit(benchmark::State& state)
{
    Buffers b(SrcBytes, 4);
    for (auto _ : state) {
        blitPicture<S, O>(b);
        benchmark::DoNotOptimize(b.dst.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * W * H);
}

template <int SrcBytes, int DstBytes, class Op>
void runPel(benchmark::State& state, Op op)
{
    Buffers b(SrcBytes, DstBytes);
    for (auto _ : state) {
        rows<SrcBytes, DstBytes>(b, op);
        benchmark::DoNotOptimize(b.dst.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * W * H);
}

// One pass of pixman's operator over fresh buffers.
struct PixmanPass {
    Buffers b;
    pixman_image_t *src, *dst, *mask = nullptr;
    PixmanPass(pixman_op_t op, pixman_format_code_t srcFmt, pixman_format_code_t dstFmt, bool solidMask)
        : b(PIXMAN_FORMAT_BPP(srcFmt) / 8, PIXMAN_FORMAT_BPP(dstFmt) / 8), op(op)
    {
        src = pixman_image_create_bits(srcFmt, W, H, reinterpret_cast<std::uint32_t*>(b.src.data()), W * b.srcBytes);
        dst = pixman_image_create_bits(dstFmt, W, H, reinterpret_cast<std::uint32_t*>(b.dst.data()), W * b.dstBytes);
        const pixman_color_t half{0, 0, 0, 0x8000};
        if (solidMask) mask = pixman_image_create_solid_fill(&half);
    }
    ~PixmanPass()
    {
        if (mask) pixman_image_unref(mask);
        pixman_image_unref(dst);
        pixman_image_unref(src);
    }
    void run() { pixman_image_composite32(op, src, mask, dst, 0, 0, 0, 0, 0, 0, W, H); }
    pixman_op_t op;
};

// `ours` is our operator's row loop on the same pictures; the two outputs after one pass must
// agree within `tolerance` per channel before pixman is timed.
template <class Ours>
void runPixman(benchmark::State& state, pixman_op_t op, pixman_format_code_t srcFmt, pixman_format_code_t dstFmt,
               bool solidMask, Ours ours, int tolerance)
{
    PixmanPass p(op, srcFmt, dstFmt, solidMask);
    {
        Buffers expected(p.b.srcBytes, p.b.dstBytes);
        ours(expected);
        p.run();
        bench::checkSame(state, "pixman op " + std::to_string(op) + " onto " + std::to_string(p.b.dstBytes * 8) + " bits",
                         p.b.dstBytes == 2 ? bench::Layout::Rgb565 : bench::Layout::Bgrx32, p.b.dstBytes,
                         expected.dst.data(), p.b.dst.data(), std::size_t(W) * H, tolerance);
    }
    for (auto _ : state) {
        p.run();
        benchmark::DoNotOptimize(p.b.dst.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * W * H);
}

// Each operator through a lambda, so the row loop calls it directly and can inline it.
#define PEL_OP(name) [](std::uint8_t* d, const std::uint8_t* p) { name(d, p); }

// Onto rgb565.
void PelAdd565(benchmark::State& s) { runPel<2, 2>(s, PEL_OP(pel_add_rgb565_to_rgb565)); }
void PixmanAdd565(benchmark::State& s)
{
    runPixman(s, PIXMAN_OP_ADD, PIXMAN_r5g6b5, PIXMAN_r5g6b5, false,
              [](Buffers& b) { rows<2, 2>(b, PEL_OP(pel_add_rgb565_to_rgb565)); }, 0);
}
void PelModulate2x565(benchmark::State& s) { runPel<2, 2>(s, PEL_OP(pel_modulate2x_rgb565_to_rgb565)); }
void PelAlpha888To565(benchmark::State& s)
{
    runPel<4, 2>(s, [](std::uint8_t* d, const std::uint8_t* p) { pel_alpha_rgb888_to_rgb565(d, p, 128); });
}
void PixmanOverSolid888To565(benchmark::State& s)
{
    runPixman(s, PIXMAN_OP_OVER, PIXMAN_x8r8g8b8, PIXMAN_r5g6b5, true,
              [](Buffers& b) { rows<4, 2>(b, [](std::uint8_t* d, const std::uint8_t* p) { pel_alpha_rgb888_to_rgb565(d, p, 128); }); },
              Alpha565Tolerance);
}

// Onto 32-bit pixels: add from 32-bit pixels, modulate2x and constant alpha 128 from rgb565.
void BlitAdd32(benchmark::State& s) { runBlit<4, PelGroup::X8888, DrawOp::Add>(s); }
void PixmanAdd32(benchmark::State& s)
{
    runPixman(s, PIXMAN_OP_ADD, PIXMAN_x8r8g8b8, PIXMAN_x8r8g8b8, false, blitPicture<PelGroup::X8888, DrawOp::Add>, 0);
}
void BlitModulate2x565To32(benchmark::State& s) { runBlit<2, PelGroup::Rgb565, DrawOp::Modulate2x>(s); }
void BlitAlpha565To32(benchmark::State& s) { runBlit<2, PelGroup::Rgb565, DrawOp::Alpha>(s); }
void PixmanOverSolid565To32(benchmark::State& s)
{
    runPixman(s, PIXMAN_OP_OVER, PIXMAN_r5g6b5, PIXMAN_x8r8g8b8, true, blitPicture<PelGroup::Rgb565, DrawOp::Alpha>,
              Alpha32Tolerance);
}

} // namespace

BENCHMARK(PelAdd565)->Unit(benchmark::kMicrosecond);
BENCHMARK(PelModulate2x565)->Unit(benchmark::kMicrosecond);
BENCHMARK(PixmanAdd565)->Unit(benchmark::kMicrosecond);
BENCHMARK(PelAlpha888To565)->Unit(benchmark::kMicrosecond);
BENCHMARK(PixmanOverSolid888To565)->Unit(benchmark::kMicrosecond);
BENCHMARK(BlitAdd32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BlitModulate2x565To32)->Unit(benchmark::kMicrosecond);
BENCHMARK(PixmanAdd32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BlitAlpha565To32)->Unit(benchmark::kMicrosecond);
BENCHMARK(PixmanOverSolid565To32)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
