// The per-pixel rules on whole 32-bit pixels, two lanes per product (B and R, then G), the fourth
// byte kept: the 32-bit pixel's form of the channel formulas (pelOps.h), the same results for an
// opacity of 0 to 256.
#pragma once

#include <cstdint>

namespace pel::words {

inline constexpr std::uint32_t rbMask = 0x00FF00FFu, gMask = 0x0000FF00u, aMask = 0xFF000000u;

// Lanes that went past 255 become 255: the carry bit of each lane turned into a full byte.
inline std::uint32_t saturate(std::uint32_t rb, std::uint32_t g)
{
    const std::uint32_t rbOver = rb & 0x01000100u, gOver = g & 0x00010000u;
    return ((rb | (rbOver - (rbOver >> 8))) & rbMask) | ((g | (gOver - (gOver >> 8))) & gMask);
}

// (c * f) >> 8 per channel, f 0 to 256.
inline std::uint32_t scale(std::uint32_t c, std::uint32_t f)
{
    return (((c & rbMask) * f >> 8) & rbMask) | (((c & gMask) * f >> 8) & gMask);
}

// min(255, d + s)
inline std::uint32_t add(std::uint32_t d, std::uint32_t s)
{
    return saturate((d & rbMask) + (s & rbMask), (d & gMask) + (s & gMask)) | (d & aMask);
}

// ((d * (256 - a)) >> 8) + ((s * a) >> 8): each product shifted by itself, the sum at most 255.
inline std::uint32_t alpha(std::uint32_t d, std::uint32_t s, std::uint32_t a)
{
    return (scale(d, 256 - a) + scale(s, a)) | (d & aMask);
}

// (s * a + d * (256 - a)) >> 8: one shift after both products, the rounding that 32-bit pixels
// keep onto their own group (sameAlpha, pelOps.h); each sum stays below 2^16, inside its lane.
inline std::uint32_t mixOnce(std::uint32_t d, std::uint32_t s, std::uint32_t a)
{
    const std::uint32_t rb = ((s & rbMask) * a + (d & rbMask) * (256 - a)) >> 8 & rbMask;
    const std::uint32_t g = ((s & gMask) * a + (d & gMask) * (256 - a)) >> 8 & gMask;
    return rb | g | (d & aMask);
}

// min(255, s + ((d * (256 - a)) >> 8))
inline std::uint32_t premul(std::uint32_t d, std::uint32_t s, std::uint32_t a)
{
    const std::uint32_t k = scale(d, 256 - a);
    return saturate((k & rbMask) + (s & rbMask), (k & gMask) + (s & gMask)) | (d & aMask);
}

} // namespace pel::words
