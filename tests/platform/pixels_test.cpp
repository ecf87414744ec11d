// The 16-bit keyed copy against the plain per-pixel loop it replaces, at every vector level:
// seeded random pictures, keys, rectangles and overlapping copies within one block of
// memory, between guard bytes.
#include "platform/pixels.h"
#include "tests/support/seeded_rng.h"
#include "tests/support/simd_levels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using namespace plat;

class KeyedCopy16 : public ::testing::TestWithParam<uint64_t> {};

TEST_P(KeyedCopy16, MatchesThePlainLoop)
{
    SeededRng rng{GetParam()};
    constexpr int guard = 32;
    for (int round = 0; round < 300; ++round) {
        const int w = rng.between(5, 74), h = rng.between(1, 6);
        const int pitch = 2 * w + 2 * rng.between(0, 3); // some rows padded
        const auto size = static_cast<std::size_t>(pitch * (h + 8) + 2 * guard);
        // Few distinct colours, so the key is often hit and whole runs match it.
        std::vector<uint8_t> a(size), b(size);
        for (std::size_t i = 0; i + 1 < size; i += 2) {
            const auto v = static_cast<uint16_t>(rng.below(3) ? rng.below(3) * 0x1111 : rng.next());
            a[i] = static_cast<uint8_t>(v);
            a[i + 1] = static_cast<uint8_t>(v >> 8);
            b[i] = static_cast<uint8_t>(rng.next());
            b[i + 1] = static_cast<uint8_t>(rng.next());
        }
        const bool sameMemory = rng.below(3) == 0; // overlapping blocks go through a copy
        const auto key = static_cast<uint32_t>(rng.below(4) ? rng.below(3) * 0x1111 : rng.next());
        const int sx = rng.between(0, 3), sy = rng.between(0, 3), dx = rng.between(0, 3), dy = rng.between(0, 3);
        auto run = [&](auto copy) {
            std::vector<uint8_t> from = a, to = b;
            uint8_t* target = sameMemory ? from.data() : to.data();
            const PixelArea src{from.data() + guard, pitch, 2}, dst{target + guard, pitch, 2};
            copy(dst, dx, dy, src, sx, sy, w - (sx > dx ? sx : dx), h, key);
            return sameMemory ? from : to;
        };
        const std::vector<uint8_t> plain = run(copyPixelsKeyedPlain);
        onEveryPlatLevel([&] {
            const std::vector<uint8_t> fast = run(copyPixelsKeyed);
            ASSERT_EQ(plain, fast) << "seed " << GetParam() << " round " << round;
        });
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, KeyedCopy16, ::testing::Values(1u, 0x4B455944u, 20261207u));

} // namespace
