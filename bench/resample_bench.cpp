// Image resampling against stb_image_resize (filtered) and SDL_SoftStretch (nearest) on the same pictures.
// Every output is checked once before anything is timed: each of our rows pixel by pixel against the
// resampling model of the tests, on the picture and key it is timed with; stb's box filter against
// ours within 1 per channel; its triangle filter, which centres and weighs samples otherwise than our
// bilinear grid does, by every pixel lying within the channel range of the source pixels around its
// span; SDL's nearest pixels by each being one of the source pixels its span covers.
#include <SDL.h>
#include <benchmark/benchmark.h>
// The peer compiled here with the same optimisation; release builds drop its assertions.
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb_image_resize.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "img/resample.h"
#include "tests/img/resample_model.h"

namespace {

using namespace talvo::g;

struct Size {
    int sw, sh, tw, th;
    [[nodiscard]] std::string name() const {
        return std::to_string(sw) + "x" + std::to_string(sh) + "->" + std::to_string(tw) + "x" + std::to_string(th);
    }
};

// Bytes of a smooth picture with some noise, so that neither side meets only one value.
std::vector<std::uint8_t> picture(int w, int h, int bytes) {
    std::vector<std::uint8_t> p(std::size_t(w) * h * bytes);
    std::uint32_t x = 2024;
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < w * bytes; ++i) {
            x = x * 1103515245u + 12345u;
            p[std::size_t(y) * w * bytes + i] = std::uint8_t((i / bytes + y) * 3 + (x >> 28));
        }
    return p;
}

using Driver = void (*)(std::uint8_t*, std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*, std::int32_t,
                        std::int32_t, std::int32_t, std::uint32_t);

template <auto Named, PelFmtId Id>
void call(std::uint8_t* dst, std::int32_t dp, std::int32_t tw, std::int32_t th, const std::uint8_t* src,
          std::int32_t sp, std::int32_t sw, std::int32_t sh, std::uint32_t key) {
    Named(dst, dp, tw, th, src, sp, sw, sh, Pixel<Id>::fromValue(key));
}

// The key is one of the picture's own pixels, so the keyed drivers meet key samples.
std::uint32_t keyOf(const std::vector<std::uint8_t>& src, int bytes) {
    std::uint32_t key = 0;
    for (int b = 0; b < bytes; ++b) key |= std::uint32_t{src[std::size_t(b)]} << (8 * b);
    return key;
}

[[noreturn]] void fail(const std::string& job, const std::string& what,
                       const char* verdict = "the peer's output is not ours") {
    std::fprintf(stderr, "%s: %s: %s\n", job.c_str(), verdict, what.c_str());
    std::exit(1);
}

// Our output for the timed run's picture and key against the model (format id, mode 0 nearest or
// 1 to 4 filtered), every pixel.
void checkModel(const std::string& job, const std::vector<std::uint8_t>& out, Size s, int bytes, int id, int mode,
                bool keyed) {
    const std::vector<std::uint8_t> src = picture(s.sw, s.sh, bytes);
    const resample_model::Picture pic{src.data(), std::int64_t(s.sw) * bytes, s.sw, s.sh, bytes};
    const std::uint32_t key = keyOf(src, bytes);
    for (int j = 0; j < s.th; ++j)
        for (int i = 0; i < s.tw; ++i) {
            const std::uint32_t want = mode == 0 ? resample_model::nearest(pic, s.tw, s.th, i, j)
                                                 : resample_model::filtered(pic, id, mode, keyed, key, s.tw, s.th, i, j);
            std::uint32_t got = 0;
            for (int b = 0; b < bytes; ++b) got |= std::uint32_t{out[(std::size_t(j) * s.tw + i) * bytes + b]} << (8 * b);
            if (got != want) {
                char what[80];
                std::snprintf(what, sizeof what, "pixel (%d, %d): model %#x, ours %#x", i, j, unsigned(want), unsigned(got));
                fail(job, what, "our output is not the model's");
            }
        }
}

// True on a row's first run only: each row checks its output once, before its first timing.
bool firstRun(const std::string& row) {
    static std::set<std::string> seen;
    return seen.insert(row).second;
}

// One of our filtered rows (format id, mode 1 or 4, keyed or plain), checked against the model.
void ours(benchmark::State& state, const std::string& row, Size s, int bytes, Driver driver, int id, int mode,
          bool keyed) {
    const std::vector<std::uint8_t> src = picture(s.sw, s.sh, bytes);
    std::vector<std::uint8_t> dst(std::size_t(s.tw) * s.th * bytes);
    const std::uint32_t key = keyOf(src, bytes);
    if (firstRun(row)) {
        driver(dst.data(), s.tw * bytes, s.tw, s.th, src.data(), s.sw * bytes, s.sw, s.sh, key);
        checkModel(row, dst, s, bytes, id, mode, keyed);
    }
    for (auto _ : state) {
        driver(dst.data(), s.tw * bytes, s.tw, s.th, src.data(), s.sw * bytes, s.sw, s.sh, key);
        benchmark::DoNotOptimize(dst.data());
    }
}

void stb(benchmark::State& state, Size s, int channels, stbir_filter filter, stbir_edge edge) {
    const std::vector<std::uint8_t> src = picture(s.sw, s.sh, channels);
    std::vector<std::uint8_t> dst(std::size_t(s.tw) * s.th * channels);
    for (auto _ : state) {
        stbir_resize_uint8_generic(src.data(), s.sw, s.sh, s.sw * channels, dst.data(), s.tw, s.th, s.tw * channels,
                                   channels, channels == 4 ? 3 : -1, STBIR_FLAG_ALPHA_PREMULTIPLIED, edge, filter,
                                   STBIR_COLORSPACE_LINEAR, nullptr);
        benchmark::DoNotOptimize(dst.data());
    }
}

template <int N>
void nearest(benchmark::State& state, const std::string& row, Size s) {
    const std::vector<std::uint8_t> src = picture(s.sw, s.sh, N);
    std::vector<std::uint8_t> dst(std::size_t(s.tw) * s.th * N);
    if (firstRun(row)) {
        resampleNearest<N>(dst.data(), s.tw * N, s.tw, s.th, src.data(), s.sw * N, s.sw, s.sh);
        checkModel(row, dst, s, N, 0, 0, false);
    }
    for (auto _ : state) {
        resampleNearest<N>(dst.data(), s.tw * N, s.tw, s.th, src.data(), s.sw * N, s.sw, s.sh);
        benchmark::DoNotOptimize(dst.data());
    }
}

void softStretch(benchmark::State& state, Size s, int bytes) {
    std::vector<std::uint8_t> src = picture(s.sw, s.sh, bytes);
    std::vector<std::uint8_t> dst(std::size_t(s.tw) * s.th * bytes);
    const Uint32 format = bytes == 2 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_ARGB8888;
    SDL_Surface* from = SDL_CreateRGBSurfaceWithFormatFrom(src.data(), s.sw, s.sh, bytes * 8, s.sw * bytes, format);
    SDL_Surface* to = SDL_CreateRGBSurfaceWithFormatFrom(dst.data(), s.tw, s.th, bytes * 8, s.tw * bytes, format);
    for (auto _ : state) {
        if (SDL_SoftStretch(from, nullptr, to, nullptr) != 0) state.SkipWithError(SDL_GetError());
        benchmark::DoNotOptimize(dst.data());
    }
    SDL_FreeSurface(to);
    SDL_FreeSurface(from);
}

// ---- the output check ----

// The source indices around target index i on one axis (t target, n source pixels), `margin` more on
// each side, clamped or wrapped.
std::vector<int> around(int i, int t, int n, int margin, bool wrap) {
    const int lo = int(std::int64_t(i) * n / t) - margin, hi = int((std::int64_t(i + 1) * n + t - 1) / t) - 1 + margin;
    std::vector<int> at;
    for (int k = lo; k <= std::max(lo, hi); ++k) at.push_back(wrap ? (k % n + n) % n : std::clamp(k, 0, n - 1));
    return at;
}

// Every pixel of `out` lies within the channel range of the source pixels around its span (margin
// > 0), or is one of the source pixels its span covers (margin 0).
void checkAround(const std::string& job, const std::vector<std::uint8_t>& out, Size s, int bytes, int margin, bool wrap) {
    const std::vector<std::uint8_t> src = picture(s.sw, s.sh, bytes);
    for (int y = 0; y < s.th; ++y) {
        const auto rows = around(y, s.th, s.sh, margin, wrap);
        for (int x = 0; x < s.tw; ++x) {
            const auto cols = around(x, s.tw, s.sw, margin, wrap);
            const std::uint8_t* p = &out[(std::size_t(y) * s.tw + x) * bytes];
            bool member = false;
            int lo[4] = {255, 255, 255, 255}, hi[4] = {};
            for (int m : rows)
                for (int k : cols) {
                    const std::uint8_t* q = &src[(std::size_t(m) * s.sw + k) * bytes];
                    member = member || std::equal(p, p + bytes, q);
                    for (int c = 0; c < bytes; ++c) lo[c] = std::min(lo[c], int(q[c])), hi[c] = std::max(hi[c], int(q[c]));
                }
            bool inRange = true;
            for (int c = 0; c < bytes; ++c) inRange = inRange && p[c] >= lo[c] && p[c] <= hi[c];
            if (margin == 0 ? !member : !inRange)
                fail(job, "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is outside the source pixels around it");
        }
    }
}

std::vector<std::uint8_t> oursOnce(Size s, int bytes, Driver driver) {
    const std::vector<std::uint8_t> src = picture(s.sw, s.sh, bytes);
    std::vector<std::uint8_t> dst(std::size_t(s.tw) * s.th * bytes);
    driver(dst.data(), s.tw * bytes, s.tw, s.th, src.data(), s.sw * bytes, s.sw, s.sh, 0);
    return dst;
}

std::vector<std::uint8_t> softStretchOnce(Size s, int bytes) {
    std::vector<std::uint8_t> src = picture(s.sw, s.sh, bytes);
    std::vector<std::uint8_t> dst(std::size_t(s.tw) * s.th * bytes);
    const Uint32 format = bytes == 2 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_ARGB8888;
    SDL_Surface* from = SDL_CreateRGBSurfaceWithFormatFrom(src.data(), s.sw, s.sh, bytes * 8, s.sw * bytes, format);
    SDL_Surface* to = SDL_CreateRGBSurfaceWithFormatFrom(dst.data(), s.tw, s.th, bytes * 8, s.tw * bytes, format);
    if (SDL_SoftStretch(from, nullptr, to, nullptr) != 0) fail("SDL_SoftStretch", SDL_GetError());
    SDL_FreeSurface(to);
    SDL_FreeSurface(from);
    return dst;
}

std::vector<std::uint8_t> stbOnce(Size s, int channels, stbir_filter filter, stbir_edge edge) {
    const std::vector<std::uint8_t> src = picture(s.sw, s.sh, channels);
    std::vector<std::uint8_t> dst(std::size_t(s.tw) * s.th * channels);
    stbir_resize_uint8_generic(src.data(), s.sw, s.sh, s.sw * channels, dst.data(), s.tw, s.th, s.tw * channels, channels,
                               channels == 4 ? 3 : -1, STBIR_FLAG_ALPHA_PREMULTIPLIED, edge, filter,
                               STBIR_COLORSPACE_LINEAR, nullptr);
    return dst;
}

struct Format {
    const char* name;
    int bytes;
    int id;
    Driver plain[2];  // modes 1 and 4
    Driver keyed[2];
};

const Format formats[] = {
    {"rgb888", 3, 1, {&call<resample_rgb888_nowrap, 1>, &call<resample_rgb888_wrapxy, 1>},
     {&call<resample_rgb888_nowrap_keyed, 1>, &call<resample_rgb888_wrapxy_keyed, 1>}},
    {"rgba8888", 4, 3, {&call<resample_rgba8888_nowrap, 3>, &call<resample_rgba8888_wrapxy, 3>},
     {&call<resample_rgba8888_nowrap_keyed, 3>, &call<resample_rgba8888_wrapxy_keyed, 3>}},
    // Reported against stb's three-channel call.
    {"rgb565", 2, 4, {&call<resample_rgb565_nowrap, 4>, &call<resample_rgb565_wrapxy, 4>},
     {&call<resample_rgb565_nowrap_keyed, 4>, &call<resample_rgb565_wrapxy_keyed, 4>}},
};

const bool registered = [] {
    const Size box[] = {{1600, 1200, 800, 600}, {800, 600, 400, 300}};
    const Size bilinear[] = {{1024, 768, 800, 600}, {320, 240, 800, 600}};
    const auto filtered = [](const char* kind, const Size& s, stbir_filter filter) {
        for (int m = 0; m < 2; ++m) {
            const std::string mode = m == 0 ? "/mode1" : "/mode4";
            const stbir_edge edge = m == 0 ? STBIR_EDGE_CLAMP : STBIR_EDGE_WRAP;
            for (int channels : {3, 4})
                benchmark::RegisterBenchmark((std::string(kind) + "/" + s.name() + mode + "/stb" +
                                              std::to_string(channels)).c_str(),
                                             stb, s, channels, filter, edge);
            for (int channels : {3, 4}) {
                const std::string job = std::string(kind) + "/" + s.name() + mode + "/stb" + std::to_string(channels);
                const auto peer = stbOnce(s, channels, filter, edge);
                const auto mine = oursOnce(s, channels, formats[channels - 3].plain[m]);
                if (filter == STBIR_FILTER_BOX) {
                    for (std::size_t i = 0; i < peer.size(); ++i)
                        if (std::abs(int(peer[i]) - int(mine[i])) > 1)
                            fail(job, "byte " + std::to_string(i) + ": ours " + std::to_string(mine[i]) + ", stb " +
                                          std::to_string(peer[i]) + " (tolerance 1)");
                } else {
                    checkAround(job, peer, s, channels, 1, m == 1);
                }
            }
            for (const Format& f : formats) {
                const std::string base = std::string(kind) + "/" + s.name() + mode + "/" + f.name;
                const int id = f.id, number = m == 0 ? 1 : 4;
                benchmark::RegisterBenchmark(base.c_str(), ours, base, s, f.bytes, f.plain[m], id, number, false);
                benchmark::RegisterBenchmark((base + "_keyed").c_str(), ours, base + "_keyed", s, f.bytes, f.keyed[m],
                                             id, number, true);
            }
        }
    };
    for (const Size& s : box) filtered("box", s, STBIR_FILTER_BOX);
    for (const Size& s : bilinear) filtered("bilinear", s, STBIR_FILTER_TRIANGLE);
    for (const Size* list : {box, bilinear})
        for (int k = 0; k < 2; ++k) {
            const Size& s = list[k];
            for (int bytes : {2, 4})
                checkAround("nearest/" + s.name() + "/sdl" + std::to_string(bytes * 8), softStretchOnce(s, bytes), s, bytes, 0, false);
            const std::string base = "nearest/" + s.name();
            benchmark::RegisterBenchmark((base + "/16bit").c_str(), nearest<2>, base + "/16bit", s);
            benchmark::RegisterBenchmark((base + "/16bit/sdl").c_str(), softStretch, s, 2);
            benchmark::RegisterBenchmark((base + "/32bit").c_str(), nearest<4>, base + "/32bit", s);
            benchmark::RegisterBenchmark((base + "/32bit/sdl").c_str(), softStretch, s, 4);
        }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
