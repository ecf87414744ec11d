// The vector level switch: its names (VELMOOR_SIMD's values) both ways, the level the variable
// asks for on processors of every best, and a level never above what the processor runs.
#include <gtest/gtest.h>

#include <algorithm>

#include "talvo/simd.h"
#include "tests/support/simd_levels.h"

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

// VELMOOR_SIMD's values on processors of every best: a known name caps the level, a level the
// processor lacks falls to its best, anything else (another spelling, padding, nothing) is ignored.
TEST(Simd, TheVariablePicksTheStartingLevel) {
    struct Case {
        const char* asked;
        Level onScalar, onSse2, onAvx2;
    };
    constexpr Level s = Level::scalar, v = Level::sse2, w = Level::avx2;
    for (const Case& c : {Case{nullptr, s, v, w}, Case{"scalar", s, s, s}, Case{"sse2", s, v, v}, Case{"avx2", s, v, w},
                          Case{"AVX2", s, v, w}, Case{"avx", s, v, w}, Case{"neon", s, v, w}, Case{"", s, v, w},
                          Case{"sse2 ", s, v, w}, Case{"scalar\n", s, v, w}}) {
        const char* shown = c.asked ? c.asked : "(unset)";
        EXPECT_EQ(talvo::simd::detail::startingLevel(c.asked, s), c.onScalar) << shown;
        EXPECT_EQ(talvo::simd::detail::startingLevel(c.asked, v), c.onSse2) << shown;
        EXPECT_EQ(talvo::simd::detail::startingLevel(c.asked, w), c.onAvx2) << shown;
        // Read from the environment on first use, on this processor.
        asIfStartedWith(c.asked, [&] {
            EXPECT_EQ(talvo::simd::level(), talvo::simd::detail::startingLevel(c.asked, talvo::simd::supported()));
        });
    }
}

}  // namespace
