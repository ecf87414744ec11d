// The vector policy of the layer's and the framework's pixel rows: the architecture guard, the one
// question to the processor and the switch of their vector level. A thin copy of talvo's
// (talvo/simd.h), as nothing under platform/ includes a header from outside it: the same levels,
// the same guard, the same VELMOOR_SIMD.
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

enum class SimdLevel : signed char { scalar, sse2, avx2 };

// The best level this build has loops for and the processor runs, asked once.
[[nodiscard]] SimdLevel supportedSimdLevel();

// "scalar", "sse2" or "avx2".
[[nodiscard]] const char* simdLevelName(SimdLevel level);

// The level rows take: VELMOOR_SIMD (scalar, sse2 or avx2, read on first use) or, unset or
// unknown, the supported level; never above it.
[[nodiscard]] SimdLevel simdLevel();

// Rows take `want`, or the supported level below it; not for use while rows are drawn elsewhere.
void setSimdLevel(SimdLevel want);

} // namespace plat
