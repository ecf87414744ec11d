// Benchmark: SaveBmp of the 800 x 600 24-bit screenshot image against stbi_write_bmp. stb's file is
// checked against ours once before it is timed: the same pixels in the file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/bench_pictures.h"

#include "sprite/ctyRuntime.h"
#include "sprite/imgRowCTy.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

constexpr int width = 800;
constexpr int height = 600;

// In the benchmark's build folder: a run leaves nothing outside the build tree.
std::string benchFile(const char* name)
{
    return VELMOOR_BENCH_SCRATCH "/" + std::string(name) + "_" + std::to_string(::getpid()) + ".bmp";
}

std::vector<std::uint8_t> picture()
{
    std::vector<std::uint8_t> pels(static_cast<std::size_t>(width) * height * 3);
    std::uint32_t state = 12345;
    for (auto& b : pels) b = static_cast<std::uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    return pels;
}

void SpriteSaveBmp(benchmark::State& state)
{
    std::vector<std::uint8_t> pels = picture();
    const imgPelFmt rgb(1, nullptr);
    imgRowCTy image(width, height, &rgb, pels.data(), width);
    const std::string name = benchFile("sprite_bmp_bench");
    for (auto _ : state) {
        image.SaveBmp(name.c_str());
        if (ctyError.code != 0) state.SkipWithError("SaveBmp failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(pels.size()));
    ::unlink(name.c_str());
}

// A 24-bit file's pixel rows (bottom-up, each padded to 4 bytes), from where its header says they start.
std::vector<std::uint8_t> pixelBytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    const std::size_t rows = static_cast<std::size_t>(width * 3 + 3) / 4 * 4 * height;
    if (bytes.size() < 14) return {};
    const std::size_t at = bytes[10] | bytes[11] << 8 | bytes[12] << 16 | static_cast<std::size_t>(bytes[13]) << 24;
    if (at > bytes.size() || bytes.size() - at < rows) return {};
    return {bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(at + rows)};
}

void StbWriteBmp(benchmark::State& state)
{
    // Our pixels are B, G, R; stb takes R, G, B and writes them as B, G, R.
    std::vector<std::uint8_t> ours = picture(), pels = ours;
    for (std::size_t i = 0; i < pels.size(); i += 3) std::swap(pels[i], pels[i + 2]);
    const std::string name = benchFile("stb_bmp_bench");
    {
        const imgPelFmt rgb(1, nullptr);
        imgRowCTy image(width, height, &rgb, ours.data(), width);
        const std::string mine = benchFile("sprite_bmp_check");
        image.SaveBmp(mine.c_str());
        stbi_write_bmp(name.c_str(), width, height, 3, pels.data());
        const auto a = pixelBytes(mine), b = pixelBytes(name);
        ::unlink(mine.c_str());
        if (a.empty() || b.size() != a.size()) bench::fail("SaveBmp against stbi_write_bmp", "a file is cut");
        bench::checkSame(state, "SaveBmp against stbi_write_bmp", bench::Layout::Bytes, 1, a.data(), b.data(), a.size(), 0);
    }
    for (auto _ : state) {
        if (stbi_write_bmp(name.c_str(), width, height, 3, pels.data()) == 0) state.SkipWithError("stbi_write_bmp failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(pels.size()));
    ::unlink(name.c_str());
}

}  // namespace

BENCHMARK(SpriteSaveBmp)->Unit(benchmark::kMicrosecond);
BENCHMARK(StbWriteBmp)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
