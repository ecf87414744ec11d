// The vector policy of talvo::g and the sprite library: the one architecture guard, the one question to the
// processor, and the one switch that picks the rows' vector level, the whole process's.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string_view>

// Vector code, one policy:
// - Every SSE2 or AVX2 block sits inside `#if TALVO_SIMD_X86`, and only this header includes the
//   intrinsics. x86-64's baseline has SSE2, so its steps are always built there; AVX2 steps are built
//   one function at a time with TALVO_SIMD_AVX2 (no file is built with -mavx2). Elsewhere neither is
//   built and the scalar rows run.
// - A vector step is its pixel function's arithmetic on several pixels at once, so every vector row
//   has a scalar twin: the pixel function over the same pixels.
// - level() picks the rows: scalar, SSE2 (128-bit lanes, intrinsics or GCC vector types) or AVX2
//   (256-bit). It starts at VELMOOR_SIMD (scalar, sse2 or avx2) or, unset or unknown, at the best the
//   processor has; it never goes above that. Tests set it with setLevel and sweep every level.
// - It is the process's one level: every program that draws through the framework hands it to the
//   platform layer and the framework at start (shareSimdLevel, framework/VectorLevel.h); the layer
//   may not include this header.
#if defined(__x86_64__)
#define TALVO_SIMD_X86 1
#define TALVO_SIMD_AVX2 __attribute__((target("avx2")))
#include <immintrin.h>
#else
#define TALVO_SIMD_X86 0
#endif

namespace talvo::simd {

enum class Level : std::int8_t { scalar, sse2, avx2 };

// The best level this build has steps for and the processor runs, asked once.
[[nodiscard]] Level supported() noexcept;

// "scalar", "sse2" or "avx2", and back; nullopt for any other name.
[[nodiscard]] const char* name(Level level) noexcept;
[[nodiscard]] std::optional<Level> parse(std::string_view name) noexcept;

namespace detail {
inline std::atomic<std::int8_t> current{-1};  // -1 until the environment is read
extern bool wideShort;  // set from the processor's maker as the program starts; tests turn it
[[nodiscard]] Level start() noexcept;
// Where rows start when VELMOOR_SIMD holds `asked` (null when unset) on a processor whose best is `best`.
[[nodiscard]] Level startingLevel(const char* asked, Level best) noexcept;
}  // namespace detail

// The level rows take now; every row that may take a step asks, so the common case is one load.
[[nodiscard]] inline Level level() noexcept {
    const std::int8_t v = detail::current.load(std::memory_order_relaxed);
    return v >= 0 ? static_cast<Level>(v) : detail::start();
}

// Whether AVX2 copies take short rows (33 to 159 bytes) and large blocks without gaps too, or leave
// them to the 16-byte steps and the library's copy: the AVX2 moves won there on both AMD kinds
// measured (short rows 0.74 to 0.94 of the SSE2 time on Zen 4, 0.80 to 0.86 on Zen 5) and lost on
// Intel ones (1.1 to 1.5 times). Asked once, at start: a plain load on the draw's path.
[[nodiscard]] inline bool wideShortMoves() noexcept { return detail::wideShort; }

// Rows take `want`, or the supported level below it. Not for use while rows are drawn on other threads.
void setLevel(Level want) noexcept;

}  // namespace talvo::simd
