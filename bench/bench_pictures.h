// The blit benchmarks' shared pictures and the output check every peer passes once before it is
// timed: seeded noise, sprite-like pictures (runs of key pixels between flat and noisy spans),
// and a channel-by-channel comparison that ends the run when a peer does other work.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

inline std::uint32_t next(std::uint32_t& seed) { return (seed = seed * 1103515245u + 12345u) >> 16; }

// Bytes from a fixed pattern, the same for every peer.
inline void fill(std::uint8_t* p, std::size_t n, std::uint32_t seed)
{
    for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
}

inline std::vector<std::uint8_t> noise(std::size_t n, std::uint32_t seed)
{
    std::vector<std::uint8_t> v(n);
    fill(v.data(), n, seed);
    return v;
}

// A sprite as palette indices: about 40% index 0 (the key) in runs of 1 to 24, the rest runs of
// one index and runs of noise, never 0.
inline std::vector<std::uint8_t> spriteIndices(std::size_t n, std::uint32_t seed)
{
    std::vector<std::uint8_t> p(n);
    for (std::size_t i = 0; i < n;) {
        const std::uint32_t kind = next(seed) % 10, len = 1 + next(seed) % 24;
        const auto v = static_cast<std::uint8_t>(1 + next(seed) % 255);
        for (std::uint32_t k = 0; k < len && i < n; ++k, ++i)
            p[i] = kind < 4 ? 0 : kind < 7 ? v : static_cast<std::uint8_t>(1 + next(seed) % 255);
    }
    return p;
}

// The same sprite as pixels of `bytes` each: index 0 becomes the all-zero key pixel, every other
// index a fixed noise pixel whose first byte is not 0, so no drawn pixel equals the key.
inline std::vector<std::uint8_t> spritePixels(std::size_t n, int bytes, std::uint32_t seed)
{
    const auto indices = spriteIndices(n, seed);
    if (bytes == 1) return indices;
    auto colours = noise(256 * static_cast<std::size_t>(bytes), seed + 1);
    std::fill_n(colours.begin(), bytes, std::uint8_t{0});
    for (int i = 1; i < 256; ++i) colours[static_cast<std::size_t>(i * bytes)] |= 1;
    std::vector<std::uint8_t> p(n * static_cast<std::size_t>(bytes));
    for (std::size_t i = 0; i < n; ++i)
        std::memcpy(&p[i * static_cast<std::size_t>(bytes)], &colours[static_cast<std::size_t>(indices[i]) * bytes],
                    static_cast<std::size_t>(bytes));
    return p;
}

// How a destination's pixels are compared: 16-bit words by their 5-6-5 fields, 3- and 4-byte
// pixels by their B, G, R bytes (a 4th byte is x, which the peers' formats leave undefined),
// anything else byte by byte.
enum class Layout { Bytes, Rgb565, Bgr24, Bgrx32 };

struct Channels {
    int n = 0;
    int v[4] = {};
};

inline Channels channels(Layout layout, const std::uint8_t* p)
{
    switch (layout) {
    case Layout::Rgb565: {
        const unsigned w = p[0] | p[1] << 8;
        return {3, {static_cast<int>(w >> 11), static_cast<int>(w >> 5 & 63), static_cast<int>(w & 31)}};
    }
    case Layout::Bgr24:
    case Layout::Bgrx32: return {3, {p[2], p[1], p[0]}};
    case Layout::Bytes: break;
    }
    return {1, {p[0]}};
}

inline int pixelBytes(Layout layout, int bytes)
{
    return layout == Layout::Rgb565 ? 2 : layout == Layout::Bgr24 ? 3 : layout == Layout::Bgrx32 ? 4 : bytes;
}

// The largest channel difference, or -1 when a channel differs by more than `tolerance`
// (the first such pixel is described in `where`).
inline int compareChannels(Layout layout, int bytes, const std::uint8_t* ours, const std::uint8_t* peer, std::size_t pixels,
                           int tolerance, std::string& where)
{
    int step = pixelBytes(layout, bytes);
    if (layout == Layout::Bytes) pixels *= static_cast<std::size_t>(step), step = 1;
    int worst = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        const Channels a = channels(layout, ours + i * step), b = channels(layout, peer + i * step);
        for (int c = 0; c < a.n; ++c) {
            const int d = std::abs(a.v[c] - b.v[c]);
            if (d > tolerance) {
                where = "pixel " + std::to_string(i) + " channel " + std::to_string(c) + ": ours " + std::to_string(a.v[c]) +
                        ", peer " + std::to_string(b.v[c]);
                return -1;
            }
            worst = std::max(worst, d);
        }
    }
    return worst;
}

// A peer whose output is not ours ends the whole run: its figures would time another job.
// `job` names the row's job and its size (a row's argument count is not the state's to tell),
// `what` the first difference.
[[noreturn]] inline void fail(const std::string& job, const std::string& what)
{
    std::fprintf(stderr, "%s: the peer's output is not ours: %s\n", job.c_str(), what.c_str());
    std::exit(1);
}

// The check before timing: the peer's pixels against ours within the row's tolerance; the
// largest difference found is reported as the counter max_diff.
inline void checkSame(benchmark::State& state, const std::string& job, Layout layout, int bytes,
                      const std::uint8_t* ours, const std::uint8_t* peer, std::size_t pixels, int tolerance)
{
    std::string where;
    const int worst = compareChannels(layout, bytes, ours, peer, pixels, tolerance, where);
    if (worst < 0) fail(job, where + " (tolerance " + std::to_string(tolerance) + ")");
    state.counters["max_diff"] = worst;
}

}  // namespace bench
