// The sprite library's one SIMD policy, and the run-time switch that lets its tests reach the scalar rows.
#pragma once

#include <atomic>

// SIMD in the sprite library:
// - Where: only in whole-row helpers, blit/blitRows.h (the copy rows), blit/blitLanes.h (blends
//   onto 32-bit pixels), blit/blitLanes565.h (constant alpha onto rgb565) and rle8DrawCache.cpp (span copies). Per-pixel code, the loop templates
//   and the operators are plain C++; arithmetic on whole 32- or 64-bit words counts as such.
// - How it is guarded: SSE2 intrinsics only, each block inside `#if defined(__SSE2__)` with the
//   scalar row beside it that writes the same bytes (taken where SSE2 is missing or switched off).
//   Wider moves come only from img's run-time AVX2 steps (talvo::g::wide), which ask the
//   processor first and follow img's own switch as well.
// - How tests reach the scalar rows: a vector row runs only while ctySimdRowsOn(); the seeded
//   sweeps run once with ctyAllowSimdRows(true) and once with ctyAllowSimdRows(false).

inline std::atomic<bool> ctySimdRowsAllowed{true};

// Read once per draw; relaxed, as the switch orders nothing else.
[[nodiscard]] inline bool ctySimdRowsOn() noexcept { return ctySimdRowsAllowed.load(std::memory_order_relaxed); }

// For tests: false keeps every draw on the scalar rows, true gives the vector rows back.
inline void ctyAllowSimdRows(bool allow) noexcept { ctySimdRowsAllowed.store(allow, std::memory_order_relaxed); }
