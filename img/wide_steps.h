// Row steps of 256-bit AVX2 vectors, taken at run time where the processor has AVX2.
#pragma once

#include <cstddef>
#include <cstdint>

#include "talvo/simd.h"

// The AVX2 steps of img's rows, taken while talvo::simd::level() is avx2 (the policy: talvo/simd.h). An
// unkeyed row walked forward takes AVX2 steps, then SSE2 steps (pel_lanes.h, byte_mix.h), then the pixel
// function for the rest; at a lower level it starts further down. Keyed rows and backward walks take the
// pixel function throughout.

#if TALVO_SIMD_X86

namespace talvo::g::wide {

// `steps` runs of 16 Rgbx8888 or Rgba8888 pixels copied to Rgb565 (as lanes::convert8).
void rgb565FromRgbx(std::uint8_t* d, const std::uint8_t* s, std::int32_t steps) noexcept;
void rgb565FromRgba(std::uint8_t* d, const std::uint8_t* s, std::int32_t steps) noexcept;

// `steps` runs of 16 Rgba5551 pixels copied to Rgbx5551, the x bits kept.
void rgbx5551FromRgba(std::uint8_t* d, const std::uint8_t* s, std::int32_t steps) noexcept;

// `steps` runs of 8 Rgba8888 pixels alpha-drawn onto Rgbx8888 (as drawRgbxFromRgba4).
void drawRgbxFromRgba(std::uint8_t* d, const std::uint8_t* s, std::int32_t steps) noexcept;

// h rows of n >= 32 bytes, dStride and sStride bytes apart, between blocks that do not overlap;
// rows of up to 128 bytes in one, two or four overlapping moves each, longer ones in the
// destination's whole 32-byte units (see copyRow).
void copyRows(std::uint8_t* d, std::ptrdiff_t dStride, const std::uint8_t* s, std::ptrdiff_t sStride, std::size_t n,
              std::int32_t h) noexcept;

}  // namespace talvo::g::wide

#endif  // TALVO_SIMD_X86
