// Pixel-format numbers, their bytes per pixel and little-endian pixel values in memory.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace talvo::g {

using PelFmtId = std::uint32_t;

// The format numbers by name; stored files and streams hold the numbers, so they never change.
namespace fmtId {
inline constexpr PelFmtId none = 0;
inline constexpr PelFmtId rgb888 = 1;
inline constexpr PelFmtId rgbx8888 = 2;
inline constexpr PelFmtId rgba8888 = 3;
inline constexpr PelFmtId rgb565 = 4;
inline constexpr PelFmtId rgbx5551 = 5;
inline constexpr PelFmtId rgba5551 = 6;
inline constexpr PelFmtId rgbx4444 = 7;
inline constexpr PelFmtId rgba4444 = 8;
inline constexpr PelFmtId other8 = 9;  // a palette index, or without a palette an alpha map
inline constexpr PelFmtId other16 = 10;
inline constexpr PelFmtId other32 = 11;
}  // namespace fmtId

inline constexpr PelFmtId pelFmtCount = fmtId::other32 + 1;

inline constexpr std::uint32_t pelFmtBytes[pelFmtCount] = {4, 3, 4, 4, 2, 2, 2, 2, 2, 1, 2, 4};

// Bytes per pixel of any number; 0 for numbers beyond the table, so no caller indexes past it.
[[nodiscard]] constexpr std::uint32_t pelBytes(PelFmtId id) noexcept {
    return id < pelFmtCount ? pelFmtBytes[id] : 0;
}

// A pixel value of Bytes bytes read from / written to memory at any address, little-endian. Loads are
// spelled out so the compiler merges them into one; stores of 2 and 4 bytes go through memcpy for the same.
template <std::uint32_t Bytes>
[[nodiscard]] constexpr std::uint32_t loadPixelValue(const std::uint8_t* p) noexcept {
    static_assert(Bytes >= 1 && Bytes <= 4);
    if constexpr (Bytes == 2 || Bytes == 4) {
        if (!std::is_constant_evaluated()) {
            using Word = std::conditional_t<Bytes == 2, std::uint16_t, std::uint32_t>;
            Word word;
            std::memcpy(&word, p, Bytes);
            return word;
        }
    }
    if constexpr (Bytes == 1) return p[0];
    if constexpr (Bytes == 2) return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8;
    if constexpr (Bytes == 3) return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
    if constexpr (Bytes == 4)
        return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

template <std::uint32_t Bytes>
constexpr void storePixelValue(std::uint8_t* p, std::uint32_t value) noexcept {
    static_assert(Bytes >= 1 && Bytes <= 4);
    static_assert(std::endian::native == std::endian::little);
    if constexpr (Bytes == 2 || Bytes == 4) {
        if (!std::is_constant_evaluated()) {
            using Word = std::conditional_t<Bytes == 2, std::uint16_t, std::uint32_t>;
            const auto word = static_cast<Word>(value);
            std::memcpy(p, &word, Bytes);
            return;
        }
    }
    p[0] = static_cast<std::uint8_t>(value);
    if constexpr (Bytes >= 2) p[1] = static_cast<std::uint8_t>(value >> 8);
    if constexpr (Bytes >= 3) p[2] = static_cast<std::uint8_t>(value >> 16);
    if constexpr (Bytes >= 4) p[3] = static_cast<std::uint8_t>(value >> 24);
}

}  // namespace talvo::g
