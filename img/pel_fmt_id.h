// Pixel-format numbers, their bytes per pixel and little-endian pixel values in memory.
#pragma once

#include <cstdint>

namespace talvo::g {

// 0 none, 1 Rgb888, 2 Rgbx8888, 3 Rgba8888, 4 Rgb565, 5 Rgbx5551, 6 Rgba5551, 7 Rgbx4444,
// 8 Rgba4444, 9 8-bit (palette index or alpha map), 10 16-bit other, 11 32-bit other.
using PelFmtId = std::uint32_t;

inline constexpr PelFmtId pelFmtCount = 12;

inline constexpr std::uint32_t pelFmtBytes[pelFmtCount] = {4, 3, 4, 4, 2, 2, 2, 2, 2, 1, 2, 4};

// Bytes per pixel of any number; 0 for numbers beyond the table, so no caller indexes past it.
[[nodiscard]] constexpr std::uint32_t pelBytes(PelFmtId id) noexcept {
    return id < pelFmtCount ? pelFmtBytes[id] : 0;
}

// A pixel value of Bytes bytes read from / written to unaligned memory, little-endian.
template <std::uint32_t Bytes>
[[nodiscard]] constexpr std::uint32_t loadPixelValue(const std::uint8_t* p) noexcept {
    std::uint32_t value = 0;
    for (std::uint32_t i = 0; i < Bytes; ++i) value |= std::uint32_t{p[i]} << (8 * i);
    return value;
}

template <std::uint32_t Bytes>
constexpr void storePixelValue(std::uint8_t* p, std::uint32_t value) noexcept {
    for (std::uint32_t i = 0; i < Bytes; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace talvo::g
