// Decoders from memory against their peers in the same run: JpgDecoder::load against a plain libjpeg
// loop with the same settings, TgaDecoder::load against stb_image. Each peer's pixels are checked
// against ours once before anything is timed.
#include <benchmark/benchmark.h>
#include <stb_image.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "img/image_row.h"
#include "img/jpg_decoder.h"
#include "img/tga_decoder.h"
#include "tests/img/picture_files.h"
#include "tests/support/seeded_rng.h"

namespace {

using imgtest::Bytes;

// One stream over the file, rewound for every load.
struct Source {
    explicit Source(const Bytes& file) : stream(file, talvo::io::badBit | talvo::io::failBit) {}
    imgtest::MemStream stream;
};

template <class Decoder>
void decoderLoad(benchmark::State& state, const Bytes& file) {
    Source source(file);
    for (auto _ : state) {
        source.stream.in().seekg(0);
        talvo::g::ImageRow image;
        Decoder().load(source.stream.in(), image);
        benchmark::DoNotOptimize(image.pixels());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file.size()));
}

const Bytes& jpeg(int width, int height) {
    static std::vector<std::pair<int, Bytes>> made;
    for (const auto& [key, bytes] : made)
        if (key == width) return bytes;
    made.emplace_back(width, imgtest::jpegBytes({.width = std::uint32_t(width), .height = std::uint32_t(height)}));
    return made.back().second;
}

// The peer: the plain loop with the decoder's settings, decompressor and rows made beforehand.
void jpegPlainLoop(benchmark::State& state, const Bytes& file) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    imgtest::jpegPlainCreate(info, errors);
    Bytes rows;
    imgtest::jpegPlainPass(info, file, rows);
    for (auto _ : state) {
        imgtest::jpegPlainPass(info, file, rows);
        benchmark::DoNotOptimize(rows.data());
    }
    jpeg_destroy_decompress(&info);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file.size()));
}

// Bands of a few colours with noisy pixels between them, so run-length files hold runs and raw packets.
const Bytes& tga(int side, int depth, bool runLength) {
    static std::vector<std::pair<int, Bytes>> made;
    const int key = side * 1000 + depth * 10 + runLength;
    for (const auto& [k, bytes] : made)
        if (k == key) return bytes;
    imgtest::TgaFile f;
    f.type = runLength ? 10 : 2;
    f.depth = std::uint8_t(depth);
    f.width = std::uint16_t(side == 800 ? 800 : side);
    f.height = std::uint16_t(side == 800 ? 600 : side);
    SeededRng noise(3);
    for (std::uint32_t y = 0; y < f.height; ++y)
        for (std::uint32_t x = 0; x < f.width; ++x)
            for (int c = 0; c < depth / 8; ++c)
                f.pixels.push_back(std::uint8_t((x / 16) % 4 == 0 ? noise.next() : (y / 8) * 37 + c));
    made.emplace_back(key, imgtest::tgaBytes(f));
    return made.back().second;
}

void stbLoad(benchmark::State& state, const Bytes& file) {
    for (auto _ : state) {
        int w = 0, h = 0, comp = 0;
        stbi_uc* pixels = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &comp, 0);
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file.size()));
}

// Ours decoded once, as rows of `bytes` per pixel from the first.
template <class Decoder>
Bytes oursOnce(const Bytes& file, int& width, int& height, int& bytes) {
    Source source(file);
    talvo::g::ImageRow image;
    Decoder().load(source.stream.in(), image);
    width = image.width(), height = image.height(), bytes = int(talvo::g::pelFmtBytes[image.format().id()]);
    Bytes rows;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = image.pixels() + std::ptrdiff_t(y) * image.pitch();
        rows.insert(rows.end(), row, row + std::size_t(width) * bytes);
    }
    return rows;
}

// A peer whose pixels are not ours ends the run: its figures would time another job. `swap`: the
// peer's pixels are R, G, B(, A) where ours are B, G, R(, A).
void checkSame(const std::string& job, const Bytes& ours, int w, int h, int bytes, const std::uint8_t* peer, bool swap) {
    for (std::size_t i = 0; i < std::size_t(w) * h; ++i)
        for (int c = 0; c < bytes; ++c) {
            const int pc = swap && c < 3 ? 2 - c : c;
            if (ours[i * bytes + c] != peer[i * bytes + pc]) {
                std::fprintf(stderr, "%s: the peer's output is not ours: pixel %zu byte %d: ours %d, peer %d\n", job.c_str(), i,
                             c, ours[i * bytes + c], peer[i * bytes + pc]);
                std::exit(1);
            }
        }
}

void checkJpeg(const std::string& job, const Bytes& file) {
    int w = 0, h = 0, bytes = 0;
    const Bytes ours = oursOnce<talvo::g::JpgDecoder>(file, w, h, bytes);
    const Bytes peer = imgtest::jpegReference(file);
    if (bytes != 3 || peer.size() != ours.size()) {
        std::fprintf(stderr, "%s: the peer's picture is not the size of ours\n", job.c_str());
        std::exit(1);
    }
    checkSame(job, ours, w, h, bytes, peer.data(), false);
}

void checkTga(const std::string& job, const Bytes& file) {
    int w = 0, h = 0, bytes = 0, pw = 0, ph = 0, comp = 0;
    const Bytes ours = oursOnce<talvo::g::TgaDecoder>(file, w, h, bytes);
    stbi_uc* peer = stbi_load_from_memory(file.data(), int(file.size()), &pw, &ph, &comp, 0);
    if (!peer || pw != w || ph != h || comp != bytes) {
        std::fprintf(stderr, "%s: the peer's picture is not the size of ours\n", job.c_str());
        std::exit(1);
    }
    checkSame(job, ours, w, h, bytes, peer, true);
    stbi_image_free(peer);
}

void registerAll() {
    for (const auto& [w, h] : {std::pair{800, 600}, std::pair{1920, 1080}}) {
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        const Bytes& file = jpeg(w, h);
        checkJpeg("Jpeg/" + size, file);
        benchmark::RegisterBenchmark(("Jpeg/" + size + "/JpgDecoder").c_str(), decoderLoad<talvo::g::JpgDecoder>, file);
        benchmark::RegisterBenchmark(("Jpeg/" + size + "/libjpeg").c_str(), jpegPlainLoop, file);
    }
    for (const int side : {800, 2048})
        for (const int depth : {24, 32})
            for (const bool rle : {false, true}) {
                const std::string name = "Tga/" + std::string(side == 800 ? "800x600" : "2048x2048") + "/" +
                                         std::to_string(depth) + (rle ? "/rle" : "/raw");
                const Bytes& file = tga(side, depth, rle);
                checkTga(name, file);
                benchmark::RegisterBenchmark((name + "/TgaDecoder").c_str(), decoderLoad<talvo::g::TgaDecoder>, file);
                benchmark::RegisterBenchmark((name + "/stb").c_str(), stbLoad, file);
            }
}

}  // namespace

int main(int argc, char** argv) {
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
