// imgCTy::Fill of an 800 x 600 image against pixman_fill on the same pixels, 16 and 32 bits.
// pixman's pixels are checked against ours once before it is timed.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_pictures.h"
#include "sprite/imgRowCTy.h"

namespace {

constexpr int W = 800, H = 600;

// Both fill the same block, laid out as the sprite image's rows (pitch = width).
template <int Kind>
void SpriteFill(benchmark::State& state)
{
    const imgPelFmt fmt(Kind, nullptr);
    imgRowCTy image;
    image.Create(W, H, &fmt);
    std::uint32_t colour = 0x12345678;
    for (auto _ : state) {
        image.Fill(colour++, nullptr);
        benchmark::DoNotOptimize(image.pels);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * W * H * imgPelBytes(Kind));
}

// `Kind` is our kind of the same pixel size.
template <int Bpp, int Kind>
void PixmanFill(benchmark::State& state)
{
    std::vector<std::uint32_t> bits(static_cast<std::size_t>(W) * H * Bpp / 32);
    std::uint32_t colour = 0x12345678;
    {
        const imgPelFmt fmt(Kind, nullptr);
        imgRowCTy image;
        image.Create(W, H, &fmt);
        image.Fill(colour, nullptr);
        pixman_fill(bits.data(), W * Bpp / 32, Bpp, 0, 0, W, H, colour);
        bench::checkSame(state, "fill of " + std::to_string(Bpp) + " bits", bench::Layout::Bytes, 1, image.pels,
                         reinterpret_cast<const std::uint8_t*>(bits.data()), bits.size() * 4, 0);
    }
    for (auto _ : state) {
        pixman_fill(bits.data(), W * Bpp / 32, Bpp, 0, 0, W, H, colour++);
        benchmark::DoNotOptimize(bits.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * W * H * Bpp / 8);
}

}  // namespace

BENCHMARK(SpriteFill<4>)->Name("SpriteFill/kind4_rgb565");
BENCHMARK(PixmanFill<16, 4>)->Name("PixmanFill/bpp16");
BENCHMARK(SpriteFill<2>)->Name("SpriteFill/kind2_rgbx8888");
BENCHMARK(PixmanFill<32, 2>)->Name("PixmanFill/bpp32");
BENCHMARK_MAIN();
