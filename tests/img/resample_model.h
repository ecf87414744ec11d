// Slow reference model of the resampling over raw bytes: sample lists per target pixel, plain int64 sums.
#pragma once

#include <cstdint>
#include <vector>

namespace resample_model {

// Channel fields (shift, width) r, g, b, a of formats 1 to 8 typed in again; width 0: none (x bits too).
struct Format {
    int bytes;
    int shift[4];
    int width[4];
    std::uint32_t keyMask;
};
inline constexpr Format formats[9] = {
    {0, {}, {}, 0},
    {3, {16, 8, 0, 0}, {8, 8, 8, 0}, 0xFFFFFF},
    {4, {16, 8, 0, 0}, {8, 8, 8, 0}, 0xFFFFFF},
    {4, {16, 8, 0, 24}, {8, 8, 8, 8}, 0xFFFFFFFF},
    {2, {11, 5, 0, 0}, {5, 6, 5, 0}, 0xFFFF},
    {2, {10, 5, 0, 0}, {5, 5, 5, 0}, 0x7FFF},
    {2, {10, 5, 0, 15}, {5, 5, 5, 1}, 0xFFFF},
    {2, {8, 4, 0, 0}, {4, 4, 4, 0}, 0x0FFF},
    {2, {8, 4, 0, 12}, {4, 4, 4, 4}, 0xFFFF},
};

struct Picture {
    const std::uint8_t* first;
    std::int64_t pitch;
    std::int64_t w, h;
    int bytes;
    [[nodiscard]] std::uint32_t at(std::int64_t c, std::int64_t r) const {
        const std::uint8_t* p = first + r * pitch + c * bytes;
        std::uint32_t v = 0;
        for (int k = 0; k < bytes; ++k) v |= std::uint32_t{p[k]} << (8 * k);
        return v;
    }
};

// One collector, keyed or plain: 16.16 channel sums of one, two or four samples, a key sample's weight
// going to its neighbour.
struct Collector {
    const Format& f;
    bool keyed;
    std::uint32_t key;
    std::int64_t sum[4] = {};
    std::int64_t count = 0;

    [[nodiscard]] std::int64_t ch(std::uint32_t v, int c) const {
        return f.width[c] == 0 ? 0 : (v >> f.shift[c]) & ((1u << f.width[c]) - 1);
    }
    [[nodiscard]] bool isKey(std::uint32_t v) const { return keyed && ((v ^ key) & f.keyMask) == 0; }
    void add(std::uint32_t p) {
        if (isKey(p)) return;
        for (int c = 0; c < 4; ++c) sum[c] += ch(p, c) * 65536;
        ++count;
    }
    void pair(std::uint32_t a, std::uint32_t b, std::int64_t w) {
        if (isKey(a) && isKey(b)) return;
        if (isKey(a)) w = 65536;
        else if (isKey(b)) w = 0;
        for (int c = 0; c < 4; ++c) sum[c] += ch(a, c) * (65536 - w) + ch(b, c) * w;
        ++count;
    }
    void square(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::int64_t fx, std::int64_t fy) {
        std::int64_t top = fx, bottom = fx;
        if (isKey(a) && isKey(b)) fy = 65536;
        else if (isKey(a)) top = 65536;
        else if (isKey(b)) top = 0;
        if (isKey(c) && isKey(d)) {
            if (fy == 65536) return;
            fy = 0;
        } else if (isKey(c)) {
            bottom = 65536;
        } else if (isKey(d)) {
            bottom = 0;
        }
        for (int k = 0; k < 4; ++k) {
            const std::int64_t upper = ch(a, k) * (65536 - top) + ch(b, k) * top;
            const std::int64_t lower = ch(c, k) * (65536 - bottom) + ch(d, k) * bottom;
            sum[k] += (upper * (65536 - fy) + lower * fy) >> 16;
        }
        ++count;
    }
    // x bits come out 0.
    std::uint32_t result() {
        if (count == 0) return keyed ? key & (f.bytes == 3 ? 0xFFFFFFu : f.bytes == 2 ? 0xFFFFu : ~0u) : 0;
        std::uint32_t v = 0;
        for (int c = 0; c < 4; ++c)
            if (f.width[c] != 0) v |= std::uint32_t((sum[c] / count) >> 16) << f.shift[c];
        for (auto& s : sum) s = 0;
        count = 0;
        return v;
    }
};

// Nearest: the source pixel under each target pixel's centre, by multiplication.
inline std::uint32_t nearest(const Picture& s, std::int64_t tw, std::int64_t th, std::int64_t i, std::int64_t j) {
    const std::int64_t stepX = (s.w << 16) / tw, stepY = (s.h << 16) / th;
    return s.at((stepX / 2 + i * stepX) >> 16, (stepY / 2 + j * stepY) >> 16);
}

// Target pixel (i, j) of the filtered mode 1 to 4, formats 1 to 8.
inline std::uint32_t filtered(const Picture& s, int id, int mode, bool keyed, std::uint32_t key, std::int64_t tw,
                              std::int64_t th, std::int64_t i, std::int64_t j) {
    Collector col{formats[id], keyed, key};
    const bool wrapX = mode == 2 || mode == 4, wrapY = mode == 3 || mode == 4;
    const std::int64_t stepX = (s.w << 16) / tw, stepY = (s.h << 16) / th;
    const auto bound = [](std::int64_t k, std::int64_t size, std::int64_t t) {
        return static_cast<std::int64_t>((static_cast<__int128>(k) * size * 65536) / t);
    };
    if (stepX % 65536 == 0 && stepX >= 65536 && stepY % 65536 == 0 && stepY >= 65536 && s.w >= 2 && s.h >= 2) {
        for (std::int64_t m = bound(j, s.h, th) >> 16; m < bound(j + 1, s.h, th) >> 16; ++m)
            for (std::int64_t k = bound(i, s.w, tw) >> 16; k < bound(i + 1, s.w, tw) >> 16; ++k) col.add(s.at(k, m));
        return col.result();
    }
    const std::int64_t ew = wrapX || stepX > 65536 ? s.w : s.w - 1;
    const std::int64_t eh = wrapY || stepY > 65536 ? s.h : s.h - 1;
    const std::int64_t x0 = bound(i, ew, tw), x1 = bound(i + 1, ew, tw);
    const std::int64_t y0 = bound(j, eh, th), y1 = bound(j + 1, eh, th);
    // The neighbour by the edge rule; a one-pixel side without wrap stands in for itself.
    const auto right = [&](std::int64_t c) { return wrapX ? (c + 1) % s.w : (c + 1 < s.w ? c + 1 : c); };
    const auto below = [&](std::int64_t r) { return wrapY ? (r + 1) % s.h : (r + 1 < s.h ? r + 1 : r); };
    std::vector<std::int64_t> xs{x0}, ys{y0};
    for (std::int64_t k = x0 / 65536 + 1; k * 65536 < x1; ++k) xs.push_back(k * 65536);
    for (std::int64_t m = y0 / 65536 + 1; m * 65536 < y1; ++m) ys.push_back(m * 65536);
    for (std::size_t b = 0; b < ys.size(); ++b)
        for (std::size_t a = 0; a < xs.size(); ++a) {
            const std::int64_t c = xs[a] / 65536, r = ys[b] / 65536;
            const std::int64_t fx = xs[a] % 65536, fy = ys[b] % 65536;
            if (a == 0 && b == 0)
                col.square(s.at(c, r), s.at(right(c), r), s.at(c, below(r)), s.at(right(c), below(r)), fx, fy);
            else if (b == 0)
                col.pair(s.at(c, r), s.at(c, below(r)), fy);
            else if (a == 0)
                col.pair(s.at(c, r), s.at(right(c), r), fx);
            else
                col.add(s.at(c, r));
        }
    return col.result();
}

}  // namespace resample_model
