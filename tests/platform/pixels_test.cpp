// The 16-bit keyed copy against a per-pixel model, at every vector level:
// seeded random and sprite-like pictures, keys, rectangles and overlapping copies within one
// block of memory, between guard bytes.
#include "platform/pixels.h"
#include "tests/support/seeded_rng.h"
#include "tests/support/simd_levels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using namespace plat;

// The model: the source block is read whole before anything is written (so an overlapping copy
// reads the source as it was), and each pixel other than the key lands on its destination.
void keyedCopyModel(const PixelArea& d, int dx, int dy, const PixelArea& s, int sx, int sy, int w, int h, uint32_t key)
{
    std::vector<uint16_t> block;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = s.pixels + (sy + y) * s.pitch + 2 * (sx + x);
            block.push_back(static_cast<uint16_t>(p[0] | p[1] << 8));
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (const uint16_t v = block[static_cast<std::size_t>(y * w + x)]; v != static_cast<uint16_t>(key)) {
                uint8_t* p = d.pixels + (dy + y) * d.pitch + 2 * (dx + x);
                p[0] = static_cast<uint8_t>(v);
                p[1] = static_cast<uint8_t>(v >> 8);
            }
}

class KeyedCopy16 : public ::testing::TestWithParam<uint64_t> {};

TEST_P(KeyedCopy16, MatchesThePixelModel)
{
    SeededRng rng{GetParam()};
    constexpr int guard = 32;
    for (int round = 0; round < 400; ++round) {
        // Half the rounds are sprite-like: runs of 1 to 80 key or other pixels in rows up to 160
        // wide, so the rows hold blocks of 32 all key, without key and mixed, at row starts and
        // ends and at odd widths.
        const bool runs = round % 2 == 1;
        const int w = runs ? rng.between(4, 160) : rng.between(5, 74), h = rng.between(1, 6);
        const int pitch = 2 * w + 2 * rng.between(0, 3); // some rows padded
        const auto size = static_cast<std::size_t>(pitch * (h + 8) + 2 * guard);
        const auto key = static_cast<uint32_t>(rng.below(4) ? rng.below(3) * 0x1111 : rng.next());
        // Few distinct colours, so the key is often hit and whole runs match it.
        std::vector<uint8_t> a(size), b(size);
        int runLeft = 0;
        bool keyRun = false;
        for (std::size_t i = 0; i + 1 < size; i += 2) {
            auto v = static_cast<uint16_t>(rng.below(3) ? rng.below(3) * 0x1111 : rng.next());
            if (runs) {
                if (runLeft-- == 0) {
                    runLeft = rng.between(1, 80);
                    keyRun = rng.below(2) == 0;
                }
                v = keyRun ? static_cast<uint16_t>(key) : static_cast<uint16_t>(rng.next() | 1);
                if (!keyRun && v == static_cast<uint16_t>(key))
                    v ^= 2;
            }
            a[i] = static_cast<uint8_t>(v);
            a[i + 1] = static_cast<uint8_t>(v >> 8);
            b[i] = static_cast<uint8_t>(rng.next());
            b[i + 1] = static_cast<uint8_t>(rng.next());
        }
        const bool sameMemory = rng.below(3) == 0; // overlapping blocks go through a copy
        const int sx = rng.between(0, 3), sy = rng.between(0, 3), dx = rng.between(0, 3), dy = rng.between(0, 3);
        auto run = [&](auto copy) {
            std::vector<uint8_t> from = a, to = b;
            uint8_t* target = sameMemory ? from.data() : to.data();
            const PixelArea src{from.data() + guard, pitch, 2}, dst{target + guard, pitch, 2};
            copy(dst, dx, dy, src, sx, sy, w - (sx > dx ? sx : dx), h, key);
            return sameMemory ? from : to;
        };
        const std::vector<uint8_t> model = run(keyedCopyModel);
        onEveryPlatLevel([&] {
            const std::vector<uint8_t> fast = run(copyPixelsKeyed);
            ASSERT_EQ(model, fast) << "seed " << GetParam() << " round " << round;
        });
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, KeyedCopy16, ::testing::Values(1u, 0x4B455944u, 20261207u));

} // namespace
