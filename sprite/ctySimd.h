// The sprite library's one SIMD policy, and the run-time switch that lets its tests reach the scalar rows.
#pragma once

#include <atomic>

// SIMD in the sprite library:
// - Where: only in whole-row helpers, blit/blitRows.h (the copy rows), blit/blitLanes.h (blends
//   onto 32-bit pixels), blit/blitLanes565.h (constant alpha onto rgb565) and rle8DrawCache.cpp
//   (span copies). Per-pixel code, the loop templates and the operators are plain C++;
//   arithmetic on whole 32- or 64-bit words counts as such.
// - How it is guarded: SSE2 intrinsics, each block inside `#if defined(__SSE2__)` with the
//   scalar row beside it that writes the same bytes (taken where SSE2 is missing or switched off).
// - Wider steps: the AVX2 blends of blit/blitLanes.h (wideRows, built with target("avx2") whatever
//   the file is built for) and img's run-time AVX2 steps (talvo::g::wide); both are taken only
//   while talvo::g::wide::stepsOn(), which asks the processor once and follows img's own switch.
// - How tests reach the other rows: a vector row runs only while ctySimdRowsOn(); the seeded
//   sweeps run with every vector row, with the SSE2 rows alone (talvo::g::wide::allowSteps(false))
//   and with the scalar rows (ctyAllowSimdRows(false)).

inline std::atomic<bool> ctySimdRowsAllowed{true};

// Read once per draw; relaxed, as the switch orders nothing else.
[[nodiscard]] inline bool ctySimdRowsOn() noexcept { return ctySimdRowsAllowed.load(std::memory_order_relaxed); }

// For tests: false keeps every draw on the scalar rows, true gives the vector rows back.
inline void ctyAllowSimdRows(bool allow) noexcept { ctySimdRowsAllowed.store(allow, std::memory_order_relaxed); }
