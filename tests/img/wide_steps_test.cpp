// The AVX2 byte copy against memcpy: every length from 32 to past a few steps, at aligned and
// unaligned starts on both sides, with guard bytes around the destination.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "img/wide_steps.h"

namespace {

#if TALVO_SIMD_X86

TEST(WideSteps, CopyBytesMatchesMemcpyAndStaysInside)
{
    if (talvo::simd::supported() < talvo::simd::Level::avx2) GTEST_SKIP() << "no AVX2 here";
    constexpr std::size_t guard = 64, most = 600;
    std::vector<std::uint8_t> src(most + 64), dst(guard + most + 64 + guard), want;
    for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<std::uint8_t>(i * 131 + 7);
    for (std::size_t n = 32; n <= most; ++n)
        for (std::size_t at : {0u, 1u, 15u, 32u, 63u})
            for (std::size_t from : {0u, 3u, 32u}) {
                std::memset(dst.data(), 0xA5, dst.size());
                want = dst;
                std::memcpy(want.data() + guard + at, src.data() + from, n);
                talvo::g::wide::copyBytes(dst.data() + guard + at, src.data() + from, n);
                ASSERT_EQ(dst, want) << "n " << n << " at " << at << " from " << from;
            }
}
#endif

}  // namespace
