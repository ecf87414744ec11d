// Row steps of 256-bit AVX2 vectors, picked at run time where the processor has AVX2.
#pragma once

#include <cstddef>
#include <cstdint>

namespace talvo::g::wide {

// Whether rows take the steps below: the processor has AVX2 (asked once) and tests allow them.
[[nodiscard]] bool stepsOn() noexcept;

// For tests: false keeps every row on the baseline steps, true gives them back where AVX2 exists.
void allowSteps(bool allow) noexcept;

// `steps` runs of 16 Rgbx8888 or Rgba8888 pixels copied to Rgb565 (as lanes::convert8).
void rgb565FromRgbx(std::uint8_t* d, const std::uint8_t* s, std::int32_t steps) noexcept;
void rgb565FromRgba(std::uint8_t* d, const std::uint8_t* s, std::int32_t steps) noexcept;

// `steps` runs of 16 Rgba5551 pixels copied to Rgbx5551, the x bits kept.
void rgbx5551FromRgba(std::uint8_t* d, const std::uint8_t* s, std::int32_t steps) noexcept;

// `steps` runs of 8 Rgba8888 pixels alpha-drawn onto Rgbx8888 (as drawRgbxFromRgba4).
void drawRgbxFromRgba(std::uint8_t* d, const std::uint8_t* s, std::int32_t steps) noexcept;

// n >= 32 bytes between blocks that do not overlap, in 32-byte moves, four a step; the last 32
// go as one overlapping move.
void copyBytes(std::uint8_t* __restrict d, const std::uint8_t* __restrict s, std::size_t n) noexcept;

}  // namespace talvo::g::wide
