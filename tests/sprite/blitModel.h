// Slow reference model of drawing one sprite image onto another, written from the rules alone:
// its own routing, slot choice, pixel decoding, palette conversion, arithmetic and clipping,
// pixel by pixel. Shared by the blitter's tests and its fuzz target.
#pragma once

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

namespace model {

struct Image {
    int kind = 0;
    int w = 0, h = 0, pitch = 0;  // pitch in pixels
    std::uint8_t* pels = nullptr;  // pixel (0, 0); null: the image has no pixels
    bool palette = false;
    const std::uint8_t* entries = nullptr;  // the palette's colours B, G, R, A
    int count = 0;
    bool keyed = false;
    std::uint8_t key[4] = {};  // B, G, R, A
};

struct Request {
    int x = 0, y = 0;
    bool wholeSource = true;  // no rectangle given
    std::int32_t rx = 0, ry = 0, rw = 0, rh = 0;
    std::int32_t mode = 0, scaled = 0, alpha = 0;
    float scaleX = 1.0f, scaleY = 1.0f;
};

inline int bytesOf(int kind)
{
    static const int table[11] = {4, 3, 4, 4, 2, 2, 2, 2, 2, 1, 4};
    return kind >= 0 && kind <= 10 ? table[kind] : 0;
}

inline std::uint8_t* at(const Image& im, std::int64_t x, std::int64_t y)
{
    return im.pels + (y * im.pitch + x) * bytesOf(im.kind);
}

inline unsigned word(const std::uint8_t* p) { return p[0] | p[1] << 8; }
inline void setWord(std::uint8_t* p, unsigned v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline std::int32_t depth(const std::uint8_t* p)
{
    return static_cast<std::int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

// What a request draws, before any pixel: the operation and its switches.
enum class Op { Nothing, Copy, Alpha, AlphaMap, Premul, Modulate, Modulate2x, Modulate4x, Add, AddSigned,
                AddSigned2x, Subtract, AddSmooth };
struct Choice {
    Op op = Op::Nothing;
    bool stretch = false, depth = false;
};

inline Choice choose(std::uint32_t mode, bool scaled, bool depthImage)
{
    static const Op colour[8] = {Op::Modulate, Op::Modulate2x, Op::Modulate4x, Op::Add,
                                 Op::AddSigned, Op::AddSigned2x, Op::Subtract, Op::AddSmooth};
    if (mode == 13) return {Op::Copy, true, false};
    if (scaled) {
        if (mode == 0 || mode == 14) return {Op::Copy, true, false};
        if (mode == 1 || mode == 15) return {Op::Alpha, true, false};
        if (mode == 7) return {Op::Add, true, false};
        return {};
    }
    if (mode == 0 || mode == 14) return {Op::Copy, false, depthImage};
    if (mode == 1 || mode == 15) return {Op::Alpha, false, false};
    if (mode == 3) return {Op::AlphaMap, false, false};
    if (mode == 12) return {Op::Premul, false, false};
    if (mode >= 4 && mode <= 11) return {colour[mode - 4], false, depthImage};
    return {};
}

inline int channelOp(Op op, int d, int s)
{
    auto clamp = [](int v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
    switch (op) {
    case Op::Modulate: return d * s / 256;
    case Op::Modulate2x: return clamp(d * s / 128);
    case Op::Modulate4x: return clamp(d * s / 64);
    case Op::Add: return clamp(d + s);
    case Op::AddSigned: return clamp(d + s - 128);
    case Op::AddSigned2x: return clamp(2 * (d + s) - 256);
    case Op::Subtract: return clamp(d - s);
    case Op::AddSmooth: return clamp(d + s * (256 - d) / 256);
    default: return d;
    }
}

// n / 256 rounded toward minus infinity.
inline int floorDiv256(int n) { return n >= 0 ? n / 256 : -((-n + 255) / 256); }

// Field widths B, G, R of a 16-bit kind and where each field starts.
inline void fieldsOf(int kind, int bits[3], int shifts[3])
{
    bits[0] = 5, bits[1] = kind == 4 ? 6 : 5, bits[2] = 5;
    shifts[0] = 0, shifts[1] = 5, shifts[2] = kind == 4 ? 11 : 10;
}

// Channels B, G, R of a pixel of a kind: bytes, or 16-bit fields with zero low bits.
inline void readChannels(int kind, const std::uint8_t* p, int c[3])
{
    if (kind <= 3) {
        c[0] = p[0], c[1] = p[1], c[2] = p[2];
        return;
    }
    int bits[3], shifts[3];
    fieldsOf(kind, bits, shifts);
    for (int i = 0; i < 3; ++i) c[i] = static_cast<int>((word(p) >> shifts[i]) & ((1u << bits[i]) - 1)) << (8 - bits[i]);
}

// Writes channels B, G, R; a 32-bit A byte and bit 15 of both 5551 kinds stay.
inline void writeChannels(int kind, std::uint8_t* p, const int c[3])
{
    if (kind <= 3) {
        for (int i = 0; i < 3; ++i) p[i] = static_cast<std::uint8_t>(c[i]);
        return;
    }
    int bits[3], shifts[3];
    fieldsOf(kind, bits, shifts);
    unsigned v = kind == 4 ? 0 : word(p) & 0x8000;
    for (int i = 0; i < 3; ++i) v |= static_cast<unsigned>(c[i] >> (8 - bits[i])) << shifts[i];
    setWord(p, v);
}

// The palette's converted table entry of index i for a destination kind; zero past the count.
inline void tableEntry(const Image& src, int dstKind, int i, std::uint8_t out[4])
{
    std::memset(out, 0, 4);
    if (i >= src.count) return;
    const std::uint8_t* e = src.entries + 4 * i;
    if (dstKind <= 3) std::memcpy(out, e, dstKind == 1 ? 3 : 4);
    else if (dstKind == 4) setWord(out, static_cast<unsigned>((e[2] >> 3) << 11 | (e[1] >> 2) << 5 | e[0] >> 3));
    else setWord(out, 0x8000u | static_cast<unsigned>((e[2] >> 3) << 10 | (e[1] >> 3) << 5 | e[0] >> 3));
}

// A source pixel as the draw reads it.
struct Pixel {
    int c[3] = {};          // B, G, R, 8 bits each
    int a = 255;            // what a copy puts into a 32-bit A byte, or (bit 7) rgba5551's bit 15
    std::uint8_t raw[4] = {};  // the pixel or table entry as it lies in memory
    bool whole = false;     // a copy writes raw unchanged
    bool keyedOut = false;
    int kind = 0;           // the kind raw is a pixel of
};

inline Pixel readPixel(const Image& src, bool palettized, int dstKind, const std::uint8_t* p)
{
    Pixel px;
    const std::uint8_t* k = src.key;
    const auto fields5551 = [](const std::uint8_t* c) { return static_cast<unsigned>((c[2] >> 3) << 10 | (c[1] >> 3) << 5 | c[0] >> 3); };
    if (palettized) {
        tableEntry(src, dstKind, *p, px.raw);
        px.kind = dstKind, px.whole = true;
        if (dstKind <= 3) px.a = px.raw[3];
        const unsigned e = word(px.raw);
        if (dstKind == 1) px.keyedOut = std::memcmp(px.raw, k, 3) == 0;
        else if (dstKind <= 3) px.keyedOut = std::memcmp(px.raw, k, 4) == 0;
        else if (dstKind == 4) px.keyedOut = e == static_cast<unsigned>((k[2] >> 3) << 11 | (k[1] >> 2) << 5 | k[0] >> 3);
        else px.keyedOut = (e & 0x7FFF) == fields5551(k);
    } else {
        px.kind = src.kind;
        std::memcpy(px.raw, p, static_cast<std::size_t>(bytesOf(src.kind)));
        const unsigned v = word(p);
        // A copy into the source's own kind moves the value whole (for rgbx5551 its bit 15 too).
        px.whole = src.kind == dstKind || (src.kind >= 2 && src.kind <= 3 && dstKind >= 2 && dstKind <= 3);
        switch (src.kind) {
        case 1: px.keyedOut = std::memcmp(p, k, 3) == 0; break;
        case 2: case 3: px.a = p[3], px.keyedOut = std::memcmp(p, k, 4) == 0; break;
        case 4: px.keyedOut = v == static_cast<unsigned>((k[2] >> 3) << 11 | (k[1] >> 2) << 5 | k[0] >> 3); break;
        case 5: px.keyedOut = (v & 0x7FFF) == fields5551(k); break;
        default: px.a = (v & 0x8000) != 0 ? 255 : 0, px.keyedOut = v == (0x8000 | fields5551(k)); break;
        }
    }
    readChannels(px.kind, px.raw, px.c);
    return px;
}

// The same-width pairs whose constant alpha, alpha map, (32-bit) modulate2x and subtract have
// their own rounding: sum both products then shift, or per field d + ((s - d) * a >> 8).
inline bool keptApart(const Pixel& s, int dstKind, Op op)
{
    const bool same32 = s.kind >= 2 && s.kind <= 3 && dstKind >= 2 && dstKind <= 3;
    const bool same565 = s.kind == 4 && dstKind == 4;
    return (same32 || same565) && (op == Op::Alpha || op == Op::AlphaMap);
}

inline void drawPixel(Op op, int kind, std::uint8_t* p, const Pixel& s, int a)
{
    if (op == Op::Copy) {
        if (s.whole) {
            std::memcpy(p, s.raw, static_cast<std::size_t>(bytesOf(kind)));
            return;
        }
        writeChannels(kind, p, s.c);
        if (kind == 2 || kind == 3) p[3] = static_cast<std::uint8_t>(s.a);
        if (kind == 6) setWord(p, (word(p) & 0x7FFF) | (s.a >= 128 ? 0x8000u : 0u));
        return;
    }
    if (keptApart(s, kind, op)) {
        if (kind != 4) {
            for (int i = 0; i < 3; ++i) p[i] = static_cast<std::uint8_t>((s.c[i] * a + p[i] * (256 - a)) / 256);
            return;
        }
        int bits[3], shifts[3];
        fieldsOf(4, bits, shifts);
        unsigned v = 0;
        for (int i = 0; i < 3; ++i) {
            const int m = (1 << bits[i]) - 1;
            const int df = static_cast<int>(word(p) >> shifts[i]) & m, sf = static_cast<int>(word(s.raw) >> shifts[i]) & m;
            v |= static_cast<unsigned>(df + floorDiv256((sf - df) * a)) << shifts[i];
        }
        setWord(p, v);
        return;
    }
    if ((op == Op::Alpha || op == Op::AlphaMap) && kind >= 4) {
        // Field by field at the destination's widths, the source channels cut to them.
        int bits[3], shifts[3];
        fieldsOf(kind, bits, shifts);
        unsigned v = kind == 4 ? 0 : word(p) & 0x8000;
        for (int i = 0; i < 3; ++i) {
            const int m = (1 << bits[i]) - 1;
            const int df = static_cast<int>(word(p) >> shifts[i]) & m, sf = s.c[i] >> (8 - bits[i]);
            v |= static_cast<unsigned>((df * (256 - a) / 256 + sf * a / 256) & m) << shifts[i];
        }
        setWord(p, v);
        return;
    }
    int d[3], out[3];
    readChannels(kind, p, d);
    for (int i = 0; i < 3; ++i) {
        if (op == Op::Alpha || op == Op::AlphaMap)
            out[i] = (d[i] * (256 - a) / 256 + s.c[i] * a / 256) & 255;
        else if (op == Op::Premul)
            out[i] = std::min(255, s.c[i] + d[i] * (256 - a) / 256);
        else
            out[i] = channelOp(op, d[i], s.c[i]);
    }
    writeChannels(kind, p, out);
}

inline bool inside(const Image& im, std::int64_t x, std::int64_t y)
{
    return im.pels != nullptr && x >= 0 && y >= 0 && x < im.w && y < im.h;
}

// What a draw chose: its route (0 to 4 the source's group rgb888, 32-bit, rgb565, rgbx5551,
// rgba5551; 5 palettized; 6 index copy), the destination's group, the slot, and how many pixels
// passed the clipping; route -1 when nothing is drawn.
struct Result {
    std::string what;
    int route = -1, dstGroup = -1, slot = -1;
    std::int64_t pixels = 0;
};

inline int groupOf(int kind)
{
    static const int groups[7] = {-1, 0, 1, 1, 2, 3, 4};
    return kind >= 1 && kind <= 6 ? groups[kind] : -1;
}

// The slot of the 48-slot layout a choice runs in.
inline int slotOf(const Choice& c, bool keyed)
{
    int slot = 0;
    switch (c.op) {
    case Op::Copy: slot = c.stretch ? 0 : c.depth ? 8 : 6; break;
    case Op::Alpha: slot = c.stretch ? 2 : 10; break;
    case Op::Premul: slot = 12; break;
    case Op::AlphaMap: slot = 14; break;
    case Op::Add: slot = c.stretch ? 4 : 28 + (c.depth ? 2 : 0); break;
    default: slot = 16 + 4 * (static_cast<int>(c.op) - static_cast<int>(Op::Modulate)) + (c.depth ? 2 : 0); break;
    }
    return slot + (keyed ? 0 : 1);
}

// Draws src onto dst as the rules say, clipping pixel by pixel. src must hold the source as it
// was before the draw (a copy when source and destination are one image).
inline Result draw(const Image& src, Image& dst, const Image* map, const Image* srcDepth, Image* dstDepth,
                   const Request& req)
{
    Result res;
    if (dst.palette && !src.palette) return {"refused"};
    const bool index = src.kind == 9 && dst.kind == 9 && src.palette == dst.palette;
    const bool palettized = !index && src.palette && !dst.palette && src.kind == 9;
    Choice c = choose(static_cast<std::uint32_t>(req.mode), req.scaled != 0, srcDepth != nullptr);
    bool keyed = src.keyed;
    if (index) c = {Op::Copy, req.scaled != 0, false}, keyed = false;
    res.what = "op " + std::to_string(static_cast<int>(c.op)) + (c.stretch ? " stretch" : "") + (c.depth ? " depth" : "") +
               (keyed ? " key" : "") + (palettized ? " palettized" : "") + " kind " + std::to_string(src.kind) +
               " onto kind " + std::to_string(dst.kind);
    const bool colours = (palettized || (src.kind >= 1 && src.kind <= 6)) && dst.kind >= 1 && dst.kind <= 6;
    if (c.op == Op::Nothing || !(index || colours)) return {"nothing: " + res.what};
    if (c.op == Op::AlphaMap && (map == nullptr || map->kind != 9)) return {"nothing (no map): " + res.what};
    if (c.depth && (srcDepth == nullptr || dstDepth == nullptr || srcDepth->kind != 10 || dstDepth->kind != 10))
        return {"nothing (no depth): " + res.what};
    std::int64_t stepX = 0, stepY = 0;
    if (c.stretch) {
        for (auto [scale, step] : {std::pair{req.scaleX, &stepX}, std::pair{req.scaleY, &stepY}}) {
            if (std::isnan(scale) || std::isinf(scale) || scale <= 0) return {"nothing (scale): " + res.what};
            const double q = 1.0 / static_cast<double>(scale) * 65536.0;
            if (q > 2147483647.0) return {"nothing (step): " + res.what};
            *step = static_cast<std::int64_t>(q);
        }
    }
    res.route = index ? 6 : palettized ? 5 : groupOf(src.kind);
    res.dstGroup = index ? 5 : groupOf(dst.kind);
    res.slot = slotOf(c, keyed);
    const int a = req.alpha < 0 ? 0 : req.alpha > 256 ? 256 : req.alpha;
    const std::int64_t rx = req.wholeSource ? 0 : req.rx, ry = req.wholeSource ? 0 : req.ry;
    const std::int64_t rw = req.wholeSource ? src.w : req.rw, rh = req.wholeSource ? src.h : req.rh;
    if (rw <= 0 || rh <= 0) return res;
    for (std::int64_t j = 0; j < rh; ++j) {
        for (std::int64_t i = 0; i < rw; ++i) {
            const std::int64_t X = rx + i, Y = ry + j, DX = X + req.x, DY = Y + req.y;
            if (!inside(dst, DX, DY)) continue;
            std::int64_t SX = X, SY = Y;
            if (c.stretch) {
                // Samples left of 0, past 32 bits of position or past int32 positions are dropped.
                if (X < 0 || Y < 0 || X > INT32_MAX || Y > INT32_MAX || X * stepX >= (std::int64_t{1} << 32) || Y * stepY >= (std::int64_t{1} << 32)) continue;
                SX = X * stepX >> 16, SY = Y * stepY >> 16;
            }
            if (!inside(src, SX, SY)) continue;
            if (c.op == Op::AlphaMap && !inside(*map, X, Y)) continue;
            if (c.depth && (!inside(*srcDepth, X, Y) || !inside(*dstDepth, X, Y))) continue;
            ++res.pixels;
            if (c.depth) {
                const std::int32_t s = depth(at(*srcDepth, X, Y));
                if (!(s > depth(at(*dstDepth, X, Y)))) continue;
                std::memcpy(at(*dstDepth, X, Y), at(*srcDepth, X, Y), 4);
            }
            if (index) {
                *at(dst, DX, DY) = *at(src, SX, SY);
                continue;
            }
            const Pixel px = readPixel(src, palettized, dst.kind, at(src, SX, SY));
            if (keyed && px.keyedOut) continue;
            drawPixel(c.op, dst.kind, at(dst, DX, DY), px, c.op == Op::AlphaMap ? *at(*map, X, Y) : a);
        }
    }
    return res;
}

} // namespace model
