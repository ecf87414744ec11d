// Slow reference model of the sprite draws, written from the rules alone: its own row decoder,
// palette conversion, key forms, per-pixel formulas and mapping, one destination pixel at a time.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace rmodel {

struct Sprite {
    int W = 0;                              // image width
    int bx = 0, by = 0, bw = 0, bh = 0;     // bounds
    std::vector<std::vector<int>> pixels;   // per bounds row: index, or -1 where nothing is drawn
    const std::uint8_t* palette = nullptr;  // entries B, G, R, A; null: none
    bool keyed = false;
    std::uint8_t key[4] = {};  // B, G, R, A
};

// Decodes coded rows into indices; a null row is all -1.
inline std::vector<int> decodeRow(const std::uint8_t* row, int bw)
{
    std::vector<int> out;
    if (row == nullptr) return std::vector<int>(static_cast<std::size_t>(bw), -1);
    std::size_t at = 0;
    while (static_cast<int>(out.size()) < bw) {
        const int c = row[at++];
        if (c < 0x80) {
            out.insert(out.end(), static_cast<std::size_t>(c), -1);
        } else if (c < 0xC0) {
            for (int k = 0; k < (c & 63); ++k) out.push_back(row[at++]);
        } else {
            out.insert(out.end(), static_cast<std::size_t>(c & 63), row[at++]);
        }
    }
    out.resize(static_cast<std::size_t>(bw));
    return out;
}

struct Dest {
    int kind = 0, w = 0, h = 0, pitch = 0;
    std::uint8_t* pels = nullptr;
    bool palette = false;
};

struct Depth {
    int w = 0, h = 0, pitch = 0, kind = 10;
    std::int32_t* pels = nullptr;
};

enum class Entry { Draw, DrawAlpha, DrawEx, MirrorH, ExMirrorH };

struct Call {
    Entry entry = Entry::DrawEx;
    int x = 0, y = 0;
    bool nullRect = true;
    int rx = 0, ry = 0, rw = 0, rh = 0;
    int mode = 0;
    int alpha = 0;        // DrawEx
    float fAlpha = 0.0f;  // Draw with alpha
    float scaleX = 1.0f, scaleY = 1.0f;
    Depth* srcDepth = nullptr;
    Depth* dstDepth = nullptr;
};

inline int bytesOf(int kind) { return kind == 1 ? 3 : kind <= 3 ? 4 : 2; }

// The palette entry as the destination kind holds it, in little-endian bytes.
inline std::uint32_t converted(const std::uint8_t* e, int kind)
{
    const unsigned b = e[0], g = e[1], r = e[2];
    switch (kind) {
    case 1: return b | g << 8 | r << 16;
    case 2: case 3: return b | g << 8 | r << 16 | static_cast<std::uint32_t>(e[3]) << 24;
    case 4: return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
    default: return 0x8000u | (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
    }
}

inline bool keyedOut(std::uint32_t e, const std::uint8_t* key, int kind)
{
    switch (kind) {
    case 1: return (e & 0xFFFFFF) == (key[0] | key[1] << 8 | static_cast<std::uint32_t>(key[2]) << 16);
    case 2: case 3: return e == (key[0] | key[1] << 8 | key[2] << 16 | static_cast<std::uint32_t>(key[3]) << 24);
    case 4: return e == converted(key, 4);
    default: return ((e ^ converted(key, 5)) & 0x7FFF) == 0;
    }
}

inline int channelOp(int mode, int d, int s)
{
    switch (mode) {
    case 4: return d * s >> 8;
    case 5: return std::min(255, d * s >> 7);
    case 6: return std::min(255, d * s >> 6);
    case 7: return std::min(255, d + s);
    case 8: return std::clamp(d + s - 128, 0, 255);
    case 9: return std::clamp(2 * (d + s) - 256, 0, 255);
    case 10: return std::max(0, d - s);
    default: return std::min(255, d + (s * (256 - d) >> 8));
    }
}

// One pixel of the rule table: d is the destination pixel's bytes as a little-endian value.
inline std::uint32_t rule(int mode, int kind, std::uint32_t d, std::uint32_t e, int a)
{
    if (mode == 0 || mode == 13) return e;
    if (kind <= 3) {
        std::uint32_t out = d & (kind == 1 ? 0 : 0xFF000000u);
        for (int c = 0; c < 3; ++c) {
            const int dc = static_cast<int>(d >> (8 * c) & 255), sc = static_cast<int>(e >> (8 * c) & 255);
            int v;
            if (mode == 1) v = kind == 1 ? ((dc * (256 - a)) >> 8) + ((sc * a) >> 8) : (sc * a + dc * (256 - a)) >> 8;
            else v = channelOp(mode, dc, sc);
            out |= static_cast<std::uint32_t>(v & 255) << (8 * c);
        }
        return out;
    }
    // Fields B, G, R: shift and width.
    const int gBits = kind == 4 ? 6 : 5;
    const int shifts[3] = {0, 5, kind == 4 ? 11 : 10}, widths[3] = {5, gBits, 5};
    std::uint32_t out = kind == 4 ? 0 : (d & 0x8000);
    for (int f = 0; f < 3; ++f) {
        const int mask = (1 << widths[f]) - 1;
        const int df = static_cast<int>(d >> shifts[f]) & mask, sf = static_cast<int>(e >> shifts[f]) & mask;
        int v;
        if (mode == 1) v = kind == 4 ? df + (((sf - df) * a) >> 8) : ((df * (256 - a)) >> 8) + ((sf * a) >> 8);
        else v = channelOp(mode, df << (8 - widths[f]), sf << (8 - widths[f])) >> (8 - widths[f]);
        out |= static_cast<std::uint32_t>(v & mask) << shifts[f];
    }
    return out;
}

inline bool stepOf(float scale, std::int64_t& step)
{
    if (!(scale > 0.0f) || std::isinf(scale)) return false;
    const float q = (1.0f / scale) * 65536.0f;
    if (q >= 2147483648.0f) return false;
    step = static_cast<std::int64_t>(q);
    return true;
}

// What the call leaves in dst (and in the destination depth image).
inline void draw(const Sprite& s, const Dest& dst, const Call& c)
{
    const bool mirror = c.entry == Entry::MirrorH || c.entry == Entry::ExMirrorH;
    const bool ex = c.entry == Entry::DrawEx || c.entry == Entry::ExMirrorH;
    const int mode = c.entry == Entry::DrawAlpha ? 1 : ex ? c.mode : 0;
    const bool known = mode == 0 || mode == 1 || (mode >= 4 && mode <= 11) || mode == 13;
    if (dst.palette || dst.kind < 1 || dst.kind > 6 || s.palette == nullptr || !known) return;
    const bool stretch = mode == 13;
    const bool keyed = ex && s.keyed && !stretch;
    const bool depth = c.entry == Entry::DrawEx && mode != 1 && !stretch && c.srcDepth != nullptr;
    if (depth && (c.dstDepth == nullptr || c.srcDepth->kind != 10 || c.dstDepth->kind != 10)) return;
    int a = std::clamp(c.alpha, 0, 256);
    if (c.entry == Entry::DrawAlpha) a = std::isnan(c.fAlpha) ? 0 : static_cast<int>(std::clamp(c.fAlpha * 256.0, 0.0, 256.0));
    std::int64_t stepX = 0, stepY = 0;
    if (stretch && !(stepOf(c.scaleX, stepX) && stepOf(c.scaleY, stepY))) return;

    int rx = c.rx, ry = c.ry, rw = c.rw, rh = c.rh;
    if (c.nullRect) rx = mirror ? s.W - s.bw - s.bx + 1 : s.bx, ry = s.by, rw = s.bw, rh = s.bh;
    const auto tr = [](float v) { return static_cast<std::int64_t>(std::clamp(v, -1e12f, 1e12f)); };
    std::int64_t wx, wy = stretch ? tr(static_cast<float>(ry) - static_cast<float>(s.by) * c.scaleY) : ry - s.by;
    if (!mirror) {
        wx = stretch ? tr(static_cast<float>(rx) - static_cast<float>(s.bx) * c.scaleX) : rx - s.bx;
    } else if (stretch) {
        const std::int64_t reflected = tr(static_cast<float>(s.W) * c.scaleX - static_cast<float>(std::int64_t{rx} + rw - 1));
        wx = std::max<std::int64_t>(0, tr(static_cast<float>(reflected) - static_cast<float>(s.bx) * c.scaleX));
    } else {
        wx = std::max<std::int64_t>(0, std::int64_t{s.W} - rw - rx + 1 - s.bx);
    }
    const int bytes = bytesOf(dst.kind);
    for (std::int64_t i = 0; i < rh; ++i) {
        for (std::int64_t k = 0; k < rw; ++k) {
            const std::int64_t dcol = rx + c.x + k, drow = ry + c.y + i;
            if (dcol < 0 || drow < 0 || dcol >= dst.w || drow >= dst.h) continue;
            const std::int64_t j = wx + (mirror ? rw - 1 - k : k), jr = wy + i;
            std::int64_t col = j, row = jr;
            if (stretch) {
                if (j < 0 || jr < 0) continue;
                col = (j * stepX) >> 16;
                row = (jr * stepY) >> 16;
            }
            if (col < 0 || row < 0 || col >= s.bw || row >= s.bh) continue;
            std::int32_t* sd = nullptr;
            std::int32_t* dd = nullptr;
            if (depth) {
                const std::int64_t zx = rx + k, zy = ry + i;
                const Depth* both[2] = {c.srcDepth, c.dstDepth};
                bool inside = true;
                for (const Depth* z : both) inside = inside && zx >= 0 && zy >= 0 && zx < z->w && zy < z->h;
                if (!inside) continue;
                sd = c.srcDepth->pels + zy * c.srcDepth->pitch + zx;
                dd = c.dstDepth->pels + zy * c.dstDepth->pitch + zx;
            }
            const int index = s.pixels[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
            if (index < 0) continue;
            if (depth) {
                if (!(*sd > *dd)) continue;
                *dd = *sd;
            }
            const std::uint32_t e = converted(s.palette + 4 * index, dst.kind);
            if (keyed && keyedOut(e, s.key, dst.kind)) continue;
            std::uint8_t* p = dst.pels + (drow * dst.pitch + dcol) * bytes;
            std::uint32_t d = 0;
            for (int b = 0; b < bytes; ++b) d |= static_cast<std::uint32_t>(p[b]) << (8 * b);
            const std::uint32_t v = rule(mode, dst.kind, d, e, a);
            for (int b = 0; b < bytes; ++b) p[b] = static_cast<std::uint8_t>(v >> (8 * b));
        }
    }
}

}  // namespace rmodel
