// Row steps of 256-bit AVX2 vectors, picked at run time where the processor has AVX2; img's vector policy.
#pragma once

#include <cstddef>
#include <cstdint>

// Vector code in img, one policy:
// - img builds for x86-64, whose baseline has SSE2: the 128-bit steps live in pel_lanes.h (lanes::) and
//   byte_mix.h (bytemix::), include <emmintrin.h> without a guard and always run. GCC vector types
//   (U16x8) are the same 128-bit lanes, written with operators where they read better than intrinsics.
// - AVX2 is not in the baseline: its steps live only in wide_steps.cpp, each function built with
//   target("avx2") (no file is built with -mavx2, so nothing else picks AVX2 up), and rows take them
//   only while stepsOn().
// - A vector step is its pixel function's arithmetic on several pixels at once. An unkeyed row walked
//   forward takes AVX2 steps, then SSE2 steps, then the pixel function for the rest; keyed rows and
//   backward walks take the pixel function throughout.
// - The row sweeps against the model run with allowSteps(true) and allowSteps(false), so the SSE2 steps
//   meet whole widths on machines with AVX2 too; the pixel functions meet the tails, keys and overlaps
//   the same sweeps draw.

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
