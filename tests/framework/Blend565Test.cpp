// The 5-6-5 fast rows against the plain rows they replace, at every vector level: every source
// pixel at every opacity, and seeded random pictures, masks, glyphs, keys, lengths and starts
// between guard bytes.
#include "framework/Blend565.h"
#include "tests/support/seeded_rng.h"
#include "tests/support/simd_levels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace {

using namespace blend;

uint8_t* bytesOf(std::vector<uint16_t>& v) { return reinterpret_cast<uint8_t*>(v.data()); }

TEST(Rows565, FadeRowsMatchThePlainRowForEveryPixelAtEveryLevel)
{
    std::vector<uint16_t> src(65536);
    for (std::size_t i = 0; i < src.size(); ++i)
        src[i] = static_cast<uint16_t>(i);
    SeededRng rng{565};
    for (int level = 0; level < 256; ++level) {
        const auto colour = static_cast<uint16_t>(level % 3 == 0 ? 0 : rng.next());
        const std::optional<uint16_t> key =
            level % 2 ? std::optional<uint16_t>(static_cast<uint16_t>(rng.next())) : std::nullopt;
        std::vector<uint16_t> before(src.size());
        for (auto& p : before)
            p = static_cast<uint16_t>(rng.next());
        std::vector<uint16_t> plain = before;
        blendedRow16(rgb565, bytesOf(plain), bytesOf(src), 65536, colour, level, key);
        onEveryPlatLevel([&] {
            std::vector<uint16_t> fast = before;
            blendedRow565(bytesOf(fast), bytesOf(src), 65536, colour, level, key);
            ASSERT_EQ(plain, fast) << "level " << level << " colour " << colour;
        });
    }
}

// Masks of every opacity at every position, and whole blocks of 0 and 255 that take the
// shortcuts; rows of any length from any byte.
void randomRows(uint64_t seed)
{
    SeededRng rng{seed};
    constexpr std::size_t guard = 16;
    for (int round = 0; round < 400; ++round) {
        const int n = static_cast<int>(rng.below(90));
        const std::size_t offset = rng.below(2); // odd byte starts: rows promise no alignment
        const std::size_t bytes = static_cast<std::size_t>(n) * 2;
        std::vector<uint8_t> dst(bytes + 2 * guard + offset), src(bytes + offset), alpha(static_cast<std::size_t>(n));
        for (auto& b : dst)
            b = rng.edgeByte();
        for (auto& b : src)
            b = rng.edgeByte();
        const uint32_t runMode = rng.below(4); // runs of one opacity, so whole blocks agree
        for (std::size_t i = 0; i < alpha.size(); ++i)
            alpha[i] = runMode == 0 || i == 0 ? rng.edgeByte() : (rng.below(8) ? alpha[i - 1] : rng.edgeByte());
        const uint8_t* s = src.data() + offset;
        // A key that occurs in the picture most of the time.
        const std::size_t at = n ? 2 * rng.below(static_cast<uint32_t>(n)) : 0;
        const auto key = static_cast<uint16_t>(n && rng.below(4) ? s[at] | s[at + 1] << 8 : rng.next());
        const int level = static_cast<int>(rng.below(256));
        const auto colour = static_cast<uint16_t>(rng.next());

        std::vector<uint8_t> plain = dst, fast = dst;
        uint8_t* p = plain.data() + guard + offset;
        uint8_t* f = fast.data() + guard + offset;
        const uint32_t kind = rng.below(3);
        if (kind == 0) {
            maskedRow(Format16{rgb565}, p, s, alpha.data(), n);
            maskedRow565(f, s, alpha.data(), n);
        } else if (kind == 1) {
            glyphRow16(rgb565, p, alpha.data(), n, colour);
            glyphRow565(f, alpha.data(), n, colour);
        } else {
            const std::optional<uint16_t> k = rng.below(2) ? std::optional<uint16_t>(key) : std::nullopt;
            blendedRow16(rgb565, p, s, n, colour, level, k);
            blendedRow565(f, s, n, colour, level, k);
        }
        ASSERT_EQ(plain, fast) << "seed " << seed << " round " << round << " kind " << kind;
        for (std::size_t i = 0; i < guard + offset; ++i)
            ASSERT_EQ(fast[i], dst[i]);
        for (std::size_t i = guard + offset + bytes; i < dst.size(); ++i)
            ASSERT_EQ(fast[i], dst[i]);
    }
}

class Random565 : public ::testing::TestWithParam<uint64_t> {};

TEST_P(Random565, RowsMatchThePlainRowsAtEveryLevel)
{
    const uint64_t seed = GetParam();
    onEveryPlatLevel([seed] { randomRows(seed); });
}

INSTANTIATE_TEST_SUITE_P(Seeds, Random565, ::testing::Values(1u, 0x565u, 20261207u));

TEST(Rows565, MaskedRowMatchesEveryOpacityOnEveryChannelPair)
{
    // Every (dest, source, opacity) of the 6-bit green channel and the 5-bit red one at once.
    std::vector<uint16_t> src(64 * 64), base(64 * 64);
    std::vector<uint8_t> alpha(src.size());
    for (int d = 0; d < 64; ++d)
        for (int s = 0; s < 64; ++s) {
            base[static_cast<std::size_t>(d * 64 + s)] = static_cast<uint16_t>(d << 5 | (d & 31) << 11);
            src[static_cast<std::size_t>(d * 64 + s)] = static_cast<uint16_t>(s << 5 | (s & 31) << 11 | 0x1F);
        }
    for (int a = 0; a < 256; ++a) {
        std::fill(alpha.begin(), alpha.end(), static_cast<uint8_t>(a));
        std::vector<uint16_t> plain = base, fast = base;
        maskedRow(Format16{rgb565}, bytesOf(plain), bytesOf(src), alpha.data(), static_cast<int>(src.size()));
        maskedRow565(bytesOf(fast), bytesOf(src), alpha.data(), static_cast<int>(src.size()));
        ASSERT_EQ(plain, fast) << "opacity " << a;
        // Glyphs: every destination against a colour that changes with the opacity.
        const auto colour = static_cast<uint16_t>(a * 0x0107 ^ 0x5A5A);
        plain = base;
        glyphRow16(rgb565, bytesOf(plain), alpha.data(), static_cast<int>(src.size()), colour);
        onEveryPlatLevel([&] {
            std::vector<uint16_t> glyph = base;
            glyphRow565(bytesOf(glyph), alpha.data(), static_cast<int>(src.size()), colour);
            ASSERT_EQ(plain, glyph) << "glyph opacity " << a;
        });
    }
}

} // namespace
