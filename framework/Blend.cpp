// 16-bit blend rows: the plain loops and the four-pixel variants that must agree with them.
//
// The four-pixel variants use the non-negative form of the same arithmetic:
// d + floor((s - d) * a / 256) == floor((s * a + d * (256 - a)) / 256), which keeps every
// intermediate within a 16-bit lane when channels are at most 8 bits wide.
#include "framework/Blend.h"

namespace blend {
namespace {

constexpr uint64_t lanes(uint64_t v) { return v * 0x0001000100010001ull; }

uint32_t allMasks(const Channels16& c) { return c.mask[0] | c.mask[1] | c.mask[2]; }

// The lane form needs each channel's value to fit 8 bits.
bool fitsLanes(const Channels16& c)
{
    for (std::size_t i = 0; i < 3; ++i)
        if ((c.mask[i] >> c.shift[i]) > 0xFF)
            return false;
    return true;
}

uint64_t load4(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

void store4(uint8_t* p, uint64_t v) { std::memcpy(p, &v, 8); }

uint16_t lane(uint64_t v, int l) { return static_cast<uint16_t>(v >> (16 * l)); }

// Four pixels mixed toward s4, each lane with its own opacity (1..254 or 0; 255 is handled by
// the callers as a copy).
uint64_t mixLanes(const Channels16& c, uint64_t d4, uint64_t s4, const uint8_t* alpha)
{
    uint64_t out = d4 & ~lanes(allMasks(c));
    for (std::size_t ch = 0; ch < 3; ++ch) {
        const uint64_t low = lanes(c.mask[ch] >> c.shift[ch]);
        const uint64_t dc = (d4 >> c.shift[ch]) & low;
        const uint64_t sc = (s4 >> c.shift[ch]) & low;
        uint64_t r = 0;
        for (int l = 0; l < 4; ++l) {
            const uint32_t a = alpha[l];
            const uint32_t v = (lane(sc, l) * a + lane(dc, l) * (256 - a)) >> 8;
            r |= static_cast<uint64_t>(v) << (16 * l);
        }
        out |= (r & low) << c.shift[ch];
    }
    return out;
}

uint32_t alpha4(const uint8_t* alpha)
{
    uint32_t a;
    std::memcpy(&a, alpha, 4);
    return a;
}

} // namespace

void blendedRow16(const Channels16& c, uint8_t* dst, const uint8_t* src, int n, uint16_t colour, int32_t level,
                  std::optional<uint16_t> key)
{
    for (int i = 0; i < n; ++i, dst += 2, src += 2) {
        uint16_t s;
        std::memcpy(&s, src, 2);
        if (key && s == *key)
            continue;
        const uint16_t v = mix16(colour, s, level, c);
        std::memcpy(dst, &v, 2);
    }
}

void glyphRow16(const Channels16& c, uint8_t* dst, const uint8_t* alpha, int n, uint16_t colour)
{
    for (int i = 0; i < n; ++i, dst += 2) {
        const int a = alpha[i];
        if (a == 0)
            continue;
        uint16_t d;
        std::memcpy(&d, dst, 2);
        d = a == 255 ? colour : mix16(d, colour, a, c);
        std::memcpy(dst, &d, 2);
    }
}

void maskedRow16x4(const Channels16& c, uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int n)
{
    const Format16 plain{c};
    if (!fitsLanes(c)) {
        maskedRow(plain, dst, src, alpha, n);
        return;
    }
    int i = 0;
    for (; i + 4 <= n; i += 4, dst += 8, src += 8, alpha += 4) {
        const uint32_t a = alpha4(alpha);
        if (a == 0)
            continue;
        if (a == 0xFFFFFFFFu) {
            std::memcpy(dst, src, 8);
            continue;
        }
        const uint64_t s4 = load4(src);
        uint64_t out = mixLanes(c, load4(dst), s4, alpha);
        for (int l = 0; l < 4; ++l)
            if (alpha[l] == 255)
                out = (out & ~(0xFFFFull << (16 * l))) | (s4 & (0xFFFFull << (16 * l)));
        store4(dst, out);
    }
    maskedRow(plain, dst, src, alpha, n - i);
}

void blendedRow16x4(const Channels16& c, uint8_t* dst, const uint8_t* src, int n, uint16_t colour, int32_t level)
{
    if (!fitsLanes(c)) {
        blendedRow16(c, dst, src, n, colour, level, std::nullopt);
        return;
    }
    const auto a = static_cast<uint64_t>(level);
    const uint64_t rest = lanes(colour & ~allMasks(c) & 0xFFFF);
    int i = 0;
    for (; i + 4 <= n; i += 4, dst += 8, src += 8) {
        const uint64_t s4 = load4(src);
        uint64_t out = rest;
        for (std::size_t ch = 0; ch < 3; ++ch) {
            const uint64_t low = lanes(c.mask[ch] >> c.shift[ch]);
            const uint64_t sc = (s4 >> c.shift[ch]) & low;
            const uint64_t cc = lanes((colour & c.mask[ch]) >> c.shift[ch]);
            out |= (((sc * a + cc * (256 - a)) >> 8) & low) << c.shift[ch];
        }
        store4(dst, out);
    }
    blendedRow16(c, dst, src, n - i, colour, level, std::nullopt);
}

void glyphRow16x4(const Channels16& c, uint8_t* dst, const uint8_t* alpha, int n, uint16_t colour)
{
    if (!fitsLanes(c)) {
        glyphRow16(c, dst, alpha, n, colour);
        return;
    }
    const uint64_t colour4 = lanes(colour);
    int i = 0;
    for (; i + 4 <= n; i += 4, dst += 8, alpha += 4) {
        const uint32_t a = alpha4(alpha);
        if (a == 0)
            continue;
        if (a == 0xFFFFFFFFu) {
            store4(dst, colour4);
            continue;
        }
        uint64_t out = mixLanes(c, load4(dst), colour4, alpha);
        for (int l = 0; l < 4; ++l)
            if (alpha[l] == 255)
                out = (out & ~(0xFFFFull << (16 * l))) | (colour4 & (0xFFFFull << (16 * l)));
        store4(dst, out);
    }
    glyphRow16(c, dst, alpha, n - i, colour);
}

} // namespace blend
