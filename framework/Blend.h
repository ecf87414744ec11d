// The blend arithmetic of the alpha blits, fades and glyphs, as row loops over raw pixels:
// per channel d + floor((s - d) * a / 256), opacity 0 leaving the pixel and 255 copying.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

namespace blend {

// One channel; the shift of a negative product is arithmetic, so it floors:
// mix(31, 0, 128) is 15.
[[nodiscard]] constexpr int32_t mix(int32_t d, int32_t s, int32_t a) { return d + (((s - d) * a) >> 8); }

// Channel masks of a 16-bit format, red, green, blue, with their shifts.
struct Channels16 {
    std::array<uint32_t, 3> mask{};
    std::array<uint32_t, 3> shift{};
};

[[nodiscard]] constexpr uint32_t lowestBit(uint32_t mask)
{
    uint32_t s = 0;
    while (mask && !(mask & 1u)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

[[nodiscard]] constexpr Channels16 channels16(uint32_t red, uint32_t green, uint32_t blue)
{
    Channels16 c;
    c.mask = {red & 0xFFFF, green & 0xFFFF, blue & 0xFFFF};
    for (std::size_t i = 0; i < 3; ++i)
        c.shift[i] = lowestBit(c.mask[i]);
    return c;
}

// One 16-bit pixel mixed toward s; bits outside the three masks come from d.
[[nodiscard]] constexpr uint16_t mix16(uint16_t d, uint16_t s, int32_t a, const Channels16& c)
{
    uint32_t out = d & ~(c.mask[0] | c.mask[1] | c.mask[2]) & 0xFFFF;
    for (std::size_t i = 0; i < 3; ++i) {
        const auto dc = static_cast<int32_t>((d & c.mask[i]) >> c.shift[i]);
        const auto sc = static_cast<int32_t>((s & c.mask[i]) >> c.shift[i]);
        out |= (static_cast<uint32_t>(mix(dc, sc, a)) << c.shift[i]) & c.mask[i];
    }
    return static_cast<uint16_t>(out);
}

// Pixel formats as the row loops see them: load and store through memcpy, since surface
// rows carry no alignment promise.
struct Format16 {
    static constexpr int bytes = 2;
    Channels16 channels;

    void mixPixel(uint8_t* d, const uint8_t* s, int32_t a) const
    {
        uint16_t dv, sv;
        std::memcpy(&dv, d, 2);
        std::memcpy(&sv, s, 2);
        dv = mix16(dv, sv, a, channels);
        std::memcpy(d, &dv, 2);
    }
};

// 24- and 32-bit pixels: the first three bytes are the channels (blue, green, red); a fourth
// byte is left as it is.
template <int Bytes>
struct FormatBytes {
    static_assert(Bytes == 3 || Bytes == 4);
    static constexpr int bytes = Bytes;

    void mixPixel(uint8_t* d, const uint8_t* s, int32_t a) const
    {
        for (int i = 0; i < 3; ++i)
            d[i] = static_cast<uint8_t>(mix(d[i], s[i], a));
    }
};

// Draws n pixels of src over dst through one opacity per pixel.
template <class Format>
void maskedRow(const Format& f, uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int n)
{
    for (int i = 0; i < n; ++i, dst += Format::bytes, src += Format::bytes) {
        const int a = alpha[i];
        if (a == 255)
            std::memcpy(dst, src, 3 < Format::bytes ? 3 : Format::bytes);
        else if (a != 0)
            f.mixPixel(dst, src, a);
    }
}

// The colour of a fade in the destination's terms: for 16 bits its pixel value, for 24 and
// 32 bits its three 8-bit channels in memory order blue, green, red.
struct FadeColour {
    uint16_t pixel16 = 0;
    std::array<uint8_t, 3> bytes{};
};

// Writes n pixels of colour + floor((src - colour) * level / 256); dst is not read, except
// that pixels whose source equals the key are left alone.
void blendedRow16(const Channels16& c, uint8_t* dst, const uint8_t* src, int n, uint16_t colour, int32_t level,
                  std::optional<uint16_t> key);

template <int Bytes>
void blendedRowBytes(uint8_t* dst, const uint8_t* src, int n, const std::array<uint8_t, 3>& colour, int32_t level,
                     std::optional<uint32_t> key)
{
    for (int i = 0; i < n; ++i, dst += Bytes, src += Bytes) {
        if (key && (static_cast<uint32_t>(src[2]) << 16 | static_cast<uint32_t>(src[1]) << 8 | src[0]) == *key)
            continue;
        for (int ch = 0; ch < 3; ++ch)
            dst[ch] = static_cast<uint8_t>(mix(colour[static_cast<std::size_t>(ch)], src[ch], level));
    }
}

// Blends one colour into n 16-bit pixels through the opacities: 0 leaves, 255 writes it.
void glyphRow16(const Channels16& c, uint8_t* dst, const uint8_t* alpha, int n, uint16_t colour);

// The four-pixel variants: the same results, computed four pixels at a time in one 64-bit
// word where the format allows it (every channel at most 8 bits wide).
void maskedRow16x4(const Channels16& c, uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int n);
void blendedRow16x4(const Channels16& c, uint8_t* dst, const uint8_t* src, int n, uint16_t colour, int32_t level);
void glyphRow16x4(const Channels16& c, uint8_t* dst, const uint8_t* alpha, int n, uint16_t colour);

} // namespace blend
