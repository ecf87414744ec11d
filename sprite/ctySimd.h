// The sprite library's SIMD policy: talvo's (talvo/simd.h), one switch for both libraries.
#pragma once

#include "talvo/simd.h"

// SIMD in the sprite library:
// - Where: only in whole-row helpers, blit/blitRows.h (the copy rows), blit/blitLanes.h (blends
//   onto 32-bit pixels), blit/blitLanes565.h (constant alpha onto rgb565), pelRows.h (the
//   operators' rows onto 32-bit pixels), with the lane steps they share in pelLanes.h, and
//   rle8DrawCache.cpp (span copies). Per-pixel code, the
//   loop templates and the operators are plain C++; arithmetic on whole 32- or 64-bit words counts
//   as such.
// - How it is guarded: SSE2 intrinsics, each block inside `#if TALVO_SIMD_X86` with the scalar row
//   beside it that writes the same bytes; the AVX2 blends of blit/blitLanes.h (wideRows) and the
//   AVX2 moves of img (talvo::g::wide) are built with TALVO_SIMD_AVX2 whatever the file is built for.
// - Which rows run: talvo::simd::level(), asked once per draw and handed down to the rows, which
//   never ask: avx2 takes every vector row, sse2 the SSE2 rows alone, scalar none. The seeded sweeps run at every level the processor has.

// Whether a draw takes the SSE2 rows.
[[nodiscard]] inline bool ctySimdRowsOn() noexcept { return talvo::simd::level() >= talvo::simd::Level::sse2; }
