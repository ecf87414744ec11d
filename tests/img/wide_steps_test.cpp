// The AVX2 row copy against memcpy: every length from 32 to past a few steps, at every start within
// a 64-byte line on the destination side and a few on the source side, rows with gaps between
// them, guard bytes around the destination.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "img/wide_steps.h"

namespace {

#if TALVO_SIMD_X86

TEST(WideSteps, CopyRowsMatchesMemcpyAndStaysInside)
{
    if (talvo::simd::supported() < talvo::simd::Level::avx2) GTEST_SKIP() << "no AVX2 here";
    constexpr std::size_t guard = 64, most = 600, rows = 2;
    constexpr std::ptrdiff_t stride = most + 64 + 40;  // a gap after every row, rows not on a line
    std::vector<std::uint8_t> src(rows * stride + 64), dst(2 * guard + rows * stride + 64), want;
    for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<std::uint8_t>(i * 131 + 7);
    // The destination's first row starts `at` bytes past a 64-byte boundary.
    const std::size_t base = guard + (64 - reinterpret_cast<std::uintptr_t>(dst.data() + guard) % 64) % 64;
    for (std::size_t n = 32; n <= most; n += n < 300 ? 1 : 7)
        for (std::size_t at = 0; at < 64; at += n < 80 ? 1 : 5)
            for (std::size_t from : {0u, 3u, 32u}) {
                std::memset(dst.data(), 0xA5, dst.size());
                want = dst;
                for (std::size_t r = 0; r < rows; ++r)
                    std::memcpy(want.data() + base + at + r * stride, src.data() + from + r * stride, n);
                talvo::g::wide::copyRows(dst.data() + base + at, stride, src.data() + from, stride, n, rows);
                ASSERT_EQ(dst, want) << "n " << n << " at " << at << " from " << from;
            }
}
#endif

}  // namespace
