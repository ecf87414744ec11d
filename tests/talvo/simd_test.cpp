// The vector level switch: its names (VELMOOR_SIMD's values) both ways, the level the environment
// asks for, and a level never above what the processor runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "talvo/simd.h"

namespace {

using talvo::simd::Level;

TEST(Simd, NamesRoundTripAndOthersAreRefused) {
    for (const Level l : {Level::scalar, Level::sse2, Level::avx2}) EXPECT_EQ(talvo::simd::parse(talvo::simd::name(l)), l);
    for (const char* other : {"", "SSE2", "avx", "avx2 ", "neon", "scalar\n"})
        EXPECT_FALSE(talvo::simd::parse(other).has_value()) << other;
}

TEST(Simd, LevelStaysWithinWhatTheProcessorRuns) {
    const Level before = talvo::simd::level();
    EXPECT_LE(before, talvo::simd::supported());
#if TALVO_SIMD_X86
    EXPECT_GE(talvo::simd::supported(), Level::sse2);  // the x86-64 baseline
#else
    EXPECT_EQ(talvo::simd::supported(), Level::scalar);
#endif
    for (const Level want : {Level::avx2, Level::sse2, Level::scalar}) {
        talvo::simd::setLevel(want);
        EXPECT_EQ(talvo::simd::level(), std::min(want, talvo::simd::supported()));
    }
    talvo::simd::setLevel(before);
}

// VELMOOR_SIMD read as at start: a known name caps the level, anything else leaves the best.
TEST(Simd, EnvironmentPicksTheStartingLevel) {
    const Level before = talvo::simd::level();
    for (const char* asked : {"scalar", "sse2", "avx2", "AVX2", "neon", ""}) {
        ASSERT_EQ(setenv("VELMOOR_SIMD", asked, 1), 0);
        talvo::simd::detail::current.store(-1);  // not read yet
        const Level want = talvo::simd::parse(asked).value_or(Level::avx2);
        EXPECT_EQ(talvo::simd::level(), std::min(want, talvo::simd::supported())) << asked;
    }
    unsetenv("VELMOOR_SIMD");
    talvo::simd::setLevel(before);
}

}  // namespace
