// Slow reference model of drawing one sprite image onto another, written from the rules alone:
// its own slot choice, pixel decoding, arithmetic and clipping, pixel by pixel. Shared by the
// blitter's tests and its fuzz target; it knows rgb565 sources.
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

// rgb565 onto rgb565 blends, alpha map and subtract belong to other loops not modelled here.
inline bool servedRgb565(int dstKind, const Choice& c)
{
    if (dstKind < 1 || dstKind > 6) return false;
    if (dstKind == 4 && (c.op == Op::Alpha || c.op == Op::AlphaMap || c.op == Op::Subtract)) return false;
    return true;
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

// Channels B, G, R of a destination pixel; 16-bit words by their fields, low bits zero.
inline void readChannels(int kind, const std::uint8_t* p, int c[3])
{
    if (kind <= 3) {
        c[0] = p[0], c[1] = p[1], c[2] = p[2];
        return;
    }
    const unsigned v = word(p);
    if (kind == 4) {
        c[0] = (v & 31) * 8, c[1] = ((v >> 5) & 63) * 4, c[2] = (v >> 11) * 8;
    } else {
        c[0] = (v & 31) * 8, c[1] = ((v >> 5) & 31) * 8, c[2] = ((v >> 10) & 31) * 8;
    }
}

inline void writeChannels(int kind, std::uint8_t* p, const int c[3])
{
    if (kind <= 3) {
        for (int i = 0; i < 3; ++i) p[i] = static_cast<std::uint8_t>(c[i]);
    } else if (kind == 4) {
        setWord(p, static_cast<unsigned>(c[2] / 8 * 2048 + c[1] / 4 * 32 + c[0] / 8));
    } else {
        setWord(p, (word(p) & 0x8000) | static_cast<unsigned>(c[2] / 8 * 1024 + c[1] / 8 * 32 + c[0] / 8));
    }
}

// One rgb565 source word v drawn onto the destination pixel p with opacity a.
inline void drawPixel(Op op, int kind, std::uint8_t* p, unsigned v, int a)
{
    const int s[3] = {static_cast<int>(v & 31) * 8, static_cast<int>((v >> 5) & 63) * 4, static_cast<int>(v >> 11) * 8};
    int d[3];
    if (op == Op::Copy) {
        switch (kind) {
        case 1: writeChannels(1, p, s); break;
        case 2: case 3: writeChannels(1, p, s), p[3] = 0xFF; break;
        case 4: setWord(p, v); break;
        case 5: setWord(p, (word(p) & 0x8000) | ((v >> 1) & 0x7C00) | ((v >> 1) & 0x03E0) | (v & 0x1F)); break;
        default: setWord(p, 0x8000 | ((v >> 1) & 0x7FE0) | (v & 0x1F)); break;
        }
        return;
    }
    if ((op == Op::Alpha || op == Op::AlphaMap) && kind >= 5) {
        // Field by field at the destination's widths: red and blue as they are, green's top five bits.
        const unsigned dw = word(p);
        const int sf[3] = {static_cast<int>(v & 31), static_cast<int>((v >> 6) & 31), static_cast<int>(v >> 11)};
        const int df[3] = {static_cast<int>(dw & 31), static_cast<int>((dw >> 5) & 31), static_cast<int>((dw >> 10) & 31)};
        int f[3];
        for (int i = 0; i < 3; ++i) f[i] = (df[i] * (256 - a) / 256 + sf[i] * a / 256) & 31;
        setWord(p, (dw & 0x8000) | static_cast<unsigned>(f[2] << 10 | f[1] << 5 | f[0]));
        return;
    }
    readChannels(kind, p, d);
    int out[3];
    for (int i = 0; i < 3; ++i) {
        if (op == Op::Alpha || op == Op::AlphaMap)
            out[i] = (d[i] * (256 - a) / 256 + s[i] * a / 256) & 255;
        else if (op == Op::Premul)
            out[i] = std::min(255, s[i] + d[i] * (256 - a) / 256);
        else
            out[i] = channelOp(op, d[i], s[i]);
    }
    writeChannels(kind, p, out);
}

inline bool inside(const Image& im, std::int64_t x, std::int64_t y)
{
    return im.pels != nullptr && x >= 0 && y >= 0 && x < im.w && y < im.h;
}

// Draws src onto dst as the rules say, clipping pixel by pixel. src must hold the source as it
// was before the draw (a copy when source and destination are one image). Returns a one-line
// account of what was chosen, for failure messages.
inline std::string draw(const Image& src, Image& dst, const Image* map, const Image* srcDepth, Image* dstDepth,
                        const Request& req)
{
    if (dst.palette && !src.palette) return "refused";
    if (src.palette && !dst.palette) return "nothing: palettized source";
    if (src.kind != 4) return "nothing: source";
    const Choice c = choose(static_cast<std::uint32_t>(req.mode), req.scaled != 0, srcDepth != nullptr);
    std::string what = "op " + std::to_string(static_cast<int>(c.op)) + (c.stretch ? " stretch" : "") +
                       (c.depth ? " depth" : "") + (src.keyed ? " key" : "") + " rgb565 onto kind " + std::to_string(dst.kind);
    if (c.op == Op::Nothing || !servedRgb565(dst.kind, c)) return "nothing: " + what;
    if (c.op == Op::AlphaMap && (map == nullptr || map->kind != 9)) return "nothing (no map): " + what;
    if (c.depth && (srcDepth == nullptr || dstDepth == nullptr || srcDepth->kind != 10 || dstDepth->kind != 10))
        return "nothing (no depth): " + what;
    std::int64_t stepX = 0, stepY = 0;
    if (c.stretch) {
        for (auto [scale, step] : {std::pair{req.scaleX, &stepX}, std::pair{req.scaleY, &stepY}}) {
            if (std::isnan(scale) || std::isinf(scale) || scale <= 0) return "nothing (scale): " + what;
            const double q = 1.0 / static_cast<double>(scale) * 65536.0;
            if (q > 2147483647.0) return "nothing (step): " + what;
            *step = static_cast<std::int64_t>(q);
        }
    }
    const unsigned key = (src.key[2] >> 3) << 11 | (src.key[1] >> 2) << 5 | src.key[0] >> 3;
    const int a = req.alpha < 0 ? 0 : req.alpha > 256 ? 256 : req.alpha;
    const std::int64_t rx = req.wholeSource ? 0 : req.rx, ry = req.wholeSource ? 0 : req.ry;
    const std::int64_t rw = req.wholeSource ? src.w : req.rw, rh = req.wholeSource ? src.h : req.rh;
    if (rw <= 0 || rh <= 0) return what;
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
            if (c.depth) {
                const std::int32_t s = depth(at(*srcDepth, X, Y));
                if (!(s > depth(at(*dstDepth, X, Y)))) continue;
                std::memcpy(at(*dstDepth, X, Y), at(*srcDepth, X, Y), 4);
            }
            const unsigned v = word(at(src, SX, SY));
            if (src.keyed && v == key) continue;
            drawPixel(c.op, dst.kind, at(dst, DX, DY), v, c.op == Op::AlphaMap ? *at(*map, X, Y) : a);
        }
    }
    return what;
}

} // namespace model
