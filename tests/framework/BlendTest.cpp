// The blend arithmetic against a plain reference model, and the four-pixel rows against
// the plain rows on seeded random data between guard bytes.
#include "framework/Blend.h"
#include "tests/support/seeded_rng.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using namespace blend;

int referenceMix(int d, int s, int a) { return d + static_cast<int>(std::floor((s - d) * a / 256.0)); }

constexpr Channels16 rgb565 = channels16(0xF800, 0x07E0, 0x001F);
constexpr Channels16 rgb555 = channels16(0x7C00, 0x03E0, 0x001F);
// A format whose channel is too wide for the lanes: the four-pixel rows must fall back.
constexpr Channels16 wide = channels16(0xFF80, 0x0070, 0x000F);

TEST(BlendArithmetic, FloorsNegativeDifferencesLikeTheReference)
{
    EXPECT_EQ(mix(31, 0, 128), 15); // (-31 * 128) >> 8 is -16, not -15
    EXPECT_EQ(mix(0, 31, 128), 15);
    std::vector<int> values;
    for (int v = 0; v < 64; ++v)
        values.push_back(v);
    values.insert(values.end(), {127, 128, 254, 255});
    for (int d : values)
        for (int s : values)
            for (int a = 0; a < 256; ++a)
                ASSERT_EQ(mix(d, s, a), referenceMix(d, s, a)) << d << " " << s << " " << a;
}

// The four-pixel rows against the plain ones: random lengths, unaligned starts, guard
// bytes on both sides. A failing seed can be rerun alone.
class FourPixelRows : public ::testing::TestWithParam<uint64_t> {};

TEST_P(FourPixelRows, AgreeWithThePlainRows)
{
    SeededRng rng{GetParam()};
    const Channels16 formats[] = {rgb565, rgb555, wide};
    constexpr std::size_t guard = 8;
    for (int round = 0; round < 200; ++round) {
        const Channels16& c = formats[rng.below(3)];
        const int n = static_cast<int>(rng.below(38));
        const std::size_t offset = rng.below(2); // odd byte starts: no alignment is promised
        const std::size_t bytes = static_cast<std::size_t>(n) * 2;
        std::vector<uint8_t> dst(bytes + 2 * guard + offset), src(bytes + offset), alpha(static_cast<std::size_t>(n));
        for (auto& b : dst)
            b = rng.edgeByte();
        for (auto& b : src)
            b = rng.edgeByte();
        const int mode = static_cast<int>(rng.below(3));
        for (auto& a : alpha)
            a = mode == 0 ? 0 : mode == 1 ? 255 : rng.edgeByte();
        const auto colour = static_cast<uint16_t>(rng.next());
        const int level = static_cast<int>(rng.below(256));

        std::vector<uint8_t> plain = dst, four = dst;
        uint8_t* p = plain.data() + guard + offset;
        uint8_t* f = four.data() + guard + offset;
        const uint8_t* s = src.data() + offset;
        switch (rng.below(3)) {
        case 0:
            maskedRow(Format16{c}, p, s, alpha.data(), n);
            maskedRow16x4(c, f, s, alpha.data(), n);
            break;
        case 1:
            blendedRow16(c, p, s, n, colour, level, std::nullopt);
            blendedRow16x4(c, f, s, n, colour, level);
            break;
        default:
            glyphRow16(c, p, alpha.data(), n, colour);
            glyphRow16x4(c, f, alpha.data(), n, colour);
            break;
        }
        ASSERT_EQ(plain, four) << "seed " << GetParam() << " round " << round << " n " << n;
        // Nothing outside the row was touched.
        for (std::size_t i = 0; i < guard + offset; ++i)
            ASSERT_EQ(plain[i], dst[i]);
        for (std::size_t i = guard + offset + bytes; i < dst.size(); ++i)
            ASSERT_EQ(plain[i], dst[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, FourPixelRows, ::testing::Values(1u, 0xC0FFEEu, 20261207u));

TEST(FourPixelRows, AgreeExhaustivelyOnOneChannelPair)
{
    // Every (d, s, a) of the 5-bit blue channel through the masked row, four at a time.
    for (int a = 0; a < 256; ++a)
        for (int d = 0; d < 32; ++d) {
            uint16_t dst[32], dst4[32], src[32];
            uint8_t alpha[32];
            for (int s = 0; s < 32; ++s) {
                dst[s] = dst4[s] = static_cast<uint16_t>(d);
                src[s] = static_cast<uint16_t>(s);
                alpha[s] = static_cast<uint8_t>(a);
            }
            maskedRow(Format16{rgb565}, reinterpret_cast<uint8_t*>(dst), reinterpret_cast<uint8_t*>(src), alpha, 32);
            maskedRow16x4(rgb565, reinterpret_cast<uint8_t*>(dst4), reinterpret_cast<uint8_t*>(src), alpha, 32);
            for (int s = 0; s < 32; ++s) {
                ASSERT_EQ(dst[s], dst4[s]) << d << " " << s << " " << a;
                ASSERT_EQ(dst[s], a == 255 ? s : a == 0 ? d : referenceMix(d, s, a));
            }
        }
}

} // namespace
