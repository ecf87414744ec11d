// Benchmark: SaveBmp of the 800 x 600 24-bit screenshot image against stbi_write_bmp.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sprite/ctyRuntime.h"
#include "sprite/imgRowCTy.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

constexpr int width = 800;
constexpr int height = 600;

std::string benchFile(const char* name) { return "/tmp/" + std::string(name) + "_" + std::to_string(::getpid()) + ".bmp"; }

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

void StbWriteBmp(benchmark::State& state)
{
    std::vector<std::uint8_t> pels = picture();
    const std::string name = benchFile("stb_bmp_bench");
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
