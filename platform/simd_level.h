// The vector level of the layer's and the framework's pixel rows, and its architecture guard.
#pragma once

// Every SSE2 or AVX2 block (GCC vector types of 128 or 256 bits) sits inside `#if PLAT_SIMD_X86`;
// AVX2 loops are built one function at a time with PLAT_SIMD_AVX2 and run only at the avx2 level.
#if defined(__x86_64__)
#define PLAT_SIMD_X86 1
#define PLAT_SIMD_AVX2 __attribute__((target("avx2")))
#else
#define PLAT_SIMD_X86 0
#endif

namespace plat {

// talvo::simd::Level's levels, with its values.
enum class SimdLevel : signed char { scalar, sse2, avx2 };

// The level rows take. One level serves the whole process, and talvo owns it: it reads
// VELMOOR_SIMD and asks the processor, once. Nothing under platform/ may include talvo, so every
// program hands that level down at start (shareSimdLevel, framework/VectorLevel.h) instead of this
// layer asking again. Until then (a test of this layer alone), rows take what every processor of
// the build runs: sse2 on x86-64 (its baseline), else scalar.
[[nodiscard]] SimdLevel simdLevel() noexcept;

// Rows take `level` from now on: one the processor runs, as talvo's level is. Not for use while
// rows are drawn on other threads.
void setSimdLevel(SimdLevel level) noexcept;

} // namespace plat
