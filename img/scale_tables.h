// The sixteen bit-width scaling tables, built at compile time: i x (2^M - 1) / (2^N - 1), rounded half up.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace talvo::g {

// The widenings and narrowings the pixel formats need; no other pair exists.
template <unsigned N, unsigned M>
inline constexpr bool isScalePair =
    (N == 1 && (M == 4 || M == 8)) || (N == 4 && (M == 1 || M == 5 || M == 6 || M == 8)) ||
    (N == 5 && (M == 4 || M == 6 || M == 8)) || (N == 6 && (M == 4 || M == 5 || M == 8)) ||
    (N == 8 && (M == 1 || M == 4 || M == 5 || M == 6));

template <unsigned N, unsigned M>
    requires isScalePair<N, M>
inline constexpr std::array<std::uint8_t, (1u << N)> scaleTable = [] {
    constexpr unsigned from = (1u << N) - 1;
    constexpr unsigned to = (1u << M) - 1;
    std::array<std::uint8_t, (1u << N)> table{};
    for (unsigned i = 0; i <= from; ++i) table[i] = static_cast<std::uint8_t>((2 * i * to + from) / (2 * from));
    return table;
}();

inline constexpr const auto& scale1to4 = scaleTable<1, 4>;
inline constexpr const auto& scale1to8 = scaleTable<1, 8>;
inline constexpr const auto& scale4to1 = scaleTable<4, 1>;
inline constexpr const auto& scale4to5 = scaleTable<4, 5>;
inline constexpr const auto& scale4to6 = scaleTable<4, 6>;
inline constexpr const auto& scale4to8 = scaleTable<4, 8>;
inline constexpr const auto& scale5to4 = scaleTable<5, 4>;
inline constexpr const auto& scale5to6 = scaleTable<5, 6>;
inline constexpr const auto& scale5to8 = scaleTable<5, 8>;
inline constexpr const auto& scale6to4 = scaleTable<6, 4>;
inline constexpr const auto& scale6to5 = scaleTable<6, 5>;
inline constexpr const auto& scale6to8 = scaleTable<6, 8>;
inline constexpr const auto& scale8to1 = scaleTable<8, 1>;
inline constexpr const auto& scale8to4 = scaleTable<8, 4>;
inline constexpr const auto& scale8to5 = scaleTable<8, 5>;
inline constexpr const auto& scale8to6 = scaleTable<8, 6>;

// (value x mul + add) >> shift giving every entry of a table, so loops can compute instead of look up
// (and vectorise). Found at compile time, and only kept when it matches all 2^N entries.
struct ScaleArithmetic {
    std::uint32_t mul = 0, add = 0, shift = 0;
    bool found = false;
};

template <unsigned N, unsigned M>
    requires isScalePair<N, M>
inline constexpr ScaleArithmetic scaleArithmetic = [] {
    const auto& table = scaleTable<N, M>;
    for (std::uint32_t shift = 0; shift <= 16; ++shift)
        for (std::uint32_t extra = 0; extra < 2; ++extra) {
            const std::uint32_t mul = (((1u << M) - 1) << shift) / ((1u << N) - 1) + extra;
            // Each entry bounds add: table[i] << shift <= i x mul + add < (table[i] + 1) << shift.
            std::int64_t lo = 0, hi = std::int64_t{1} << shift;
            for (std::uint32_t i = 0; i < (1u << N); ++i) {
                const std::int64_t base = std::int64_t{i} * mul;
                lo = std::max(lo, (std::int64_t{table[i]} << shift) - base);
                hi = std::min(hi, ((std::int64_t{table[i]} + 1) << shift) - 1 - base);
            }
            if (lo <= hi) return ScaleArithmetic{mul, static_cast<std::uint32_t>(lo), shift, true};
        }
    return ScaleArithmetic{};
}();

// A field of width N as a field of width M: unchanged at the same width, else its table's entry.
template <unsigned N, unsigned M>
[[nodiscard]] constexpr std::uint32_t scaleField(std::uint32_t value) noexcept {
    if constexpr (N == M) {
        return value;
    } else if constexpr (constexpr ScaleArithmetic a = scaleArithmetic<N, M>; a.found) {
        // In 16 bits where the largest sum fits, so vector loops use 16-bit lanes.
        if constexpr (((1u << N) - 1) * a.mul + a.add <= 0xFFFFu) {
            return static_cast<std::uint16_t>(value * a.mul + a.add) >> a.shift;
        } else {
            return (value * a.mul + a.add) >> a.shift;
        }
    } else {
        return scaleTable<N, M>[value];
    }
}

}  // namespace talvo::g
