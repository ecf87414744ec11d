// Fill and lines: fill widths at odd addresses against a model, axis lines against the pattern rule,
// general lines by golden pixels and by properties of random lines (clip, one pixel per column, reversal).
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <utility>
#include <vector>

#include "img/image_row.h"
#include "img_test_support.h"
#include "talvo/exception.h"

namespace {

using namespace talvo::g;
using imgtest::Mismatches;
using imgtest::Surface;

bool inside(const Rect& r, std::int64_t x, std::int64_t y) { return x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1; }

// Where one-image operations may write: the image, its clip rectangle, and the rectangle given.
bool drawable(const Image& image, const Rect* rect, std::int64_t x, std::int64_t y) {
    return inside({0, 0, image.width(), image.height()}, x, y) && (!image.hasClipRect() || inside(image.clipRect(), x, y)) &&
           (rect == nullptr || inside(*rect, x, y));
}

TEST(Fill, WidthsZeroToNineAtOddAddressesForEveryPixelSize) {
    Mismatches bad;
    SeededRng rng(77);
    for (PelFmtId id = 1; id <= 8; ++id)
        for (std::int32_t w = 0; w <= 9; ++w)
            for (int layout : {Surface::odd, Surface::bottomUp}) {
                Surface s(id, nullptr, 13, 3, Surface::Layout(layout), rng);
                if (rng.below(3) == 0) s.image->setClipRect({rng.between(0, 4), 0, rng.between(5, 13), 2});
                const std::int32_t x0 = rng.between(-2, 5), y0 = rng.between(-1, 1);
                const Rect rect{x0, y0, x0 + w, y0 + rng.between(0, 3)};
                const std::uint32_t colour = rng.next32();
                std::vector<std::uint8_t> expected = s.snapshot();
                for (std::int32_t y = 0; y < 3; ++y)
                    for (std::int32_t x = 0; x < 13; ++x)
                        if (drawable(*s.image, &rect, x, y)) imgtest::putLe(&expected[s.offset(x, y)], pelFmtBytes[id], colour);
                s.image->fill(colour, &rect);
                if (!s.equals(expected)) bad.add("format ", id, " width ", w, " layout ", layout, " at ", x0, ",", y0);
            }
    EXPECT_TRUE(bad.none());
    // A null rectangle fills the whole image, over key pixels too.
    std::uint8_t px[6] = {1, 2, 3, 4, 5, 6};
    ImageRow image(2, 1, PelFmt(1), px, 6);
    image.setColorKey(0x030201);
    image.fill(0x112233);
    EXPECT_EQ(imgtest::le(px, 3), 0x112233u);
    EXPECT_EQ(imgtest::le(px + 3, 3), 0x112233u);
}

// Random H/V lines, also reaching far outside and to the ends of the 32-bit range, against the rule:
// pixels between the ends (64-bit) inside image, clip and rectangle whose bit (offset mod 32) is set.
TEST(Lines, AxisLinesAgainstThePatternRule) {
    Mismatches bad;
    for (std::uint64_t seed = 1; seed <= 3000; ++seed) {
        SeededRng rng(seed);
        const bool vertical = rng.below(2);
        Surface s(PelFmtId(1 + rng.below(8)), nullptr, rng.between(1, 12), rng.between(1, 12), Surface::Layout(rng.below(3)), rng);
        Image& image = *s.image;
        if (rng.below(3) == 0) image.setClipRect({rng.between(-2, 5), rng.between(-2, 5), rng.between(3, 14), rng.between(3, 14)});
        const Rect clip{rng.between(-3, 6), rng.between(-3, 6), rng.between(0, 15), rng.between(0, 15)};
        const Rect* rect = rng.below(2) ? &clip : nullptr;
        const std::int32_t extremes[] = {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()};
        Point start{rng.between(-20, 25), rng.between(-20, 25)};
        std::int32_t length = rng.between(-40, 40);
        if (rng.below(10) == 0) length = extremes[rng.below(2)];
        if (rng.below(10) == 0) (vertical ? start.y : start.x) = extremes[rng.below(2)];
        const std::uint32_t patterns[] = {~0u, 1u, rng.next32()};
        const std::uint32_t pattern = patterns[rng.below(3)];
        const std::uint32_t colour = rng.next32();
        std::vector<std::uint8_t> expected = s.snapshot();
        const std::int64_t from = vertical ? start.y : start.x;
        const std::int64_t to = from + length;
        for (std::int32_t y = 0; y < image.height(); ++y)
            for (std::int32_t x = 0; x < image.width(); ++x) {
                const std::int64_t along = vertical ? y : x, across = vertical ? x : y;
                if (across != (vertical ? start.x : start.y) || along < std::min(from, to) || along > std::max(from, to)) continue;
                if (drawable(image, rect, x, y) && (pattern >> ((along - from) & 31) & 1))
                    imgtest::putLe(&expected[s.offset(x, y)], pelFmtBytes[image.format().id()], colour);
            }
        if (vertical) image.vLine(colour, start, length, pattern, rect);
        else image.hLine(colour, start, length, pattern, rect);
        if (!s.equals(expected)) bad.add("seed ", seed);
    }
    EXPECT_TRUE(bad.none());
}

using Pixels = std::set<std::pair<int, int>>;

// The pixels a line writes into a cleared 10 x 10 Rgb565 image.
Pixels written(const std::function<void(Image&)>& draw) {
    std::vector<std::uint8_t> px(200, 0);
    ImageRow image(10, 10, PelFmt(4), px.data(), 20);
    draw(image);
    Pixels out;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            if (imgtest::le(&px[y * 20 + x * 2], 2) != 0) out.insert({x, y});
    return out;
}

TEST(Lines, GoldenPixels) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    struct Case {
        SegmentF ends;
        std::uint32_t pattern;
        Pixels expected;
    };
    const Case cases[] = {
        {{0, 0, 4, 2}, ~0u, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}},
        {{4, 2, 0, 0}, ~0u, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}},
        {{0, 0, 1, 3}, ~0u, {{0, 0}, {0, 1}, {0, 2}, {1, 3}}},
        {{2, 5, 7, 5}, ~0u, {{2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}}},
        {{3, 1, 3, 4}, ~0u, {{3, 1}, {3, 2}, {3, 3}, {3, 4}}},
        {{-5, 0, 5, 10}, ~0u, {{0, 5}, {1, 6}, {2, 7}, {3, 8}, {4, 9}}},
        {{-5, 1, -1, 8}, ~0u, {}},
        {{1, -5, 8, -1}, ~0u, {}},
        {{0, 0, 4, 2}, 1u, {{0, 0}}},
        {{3.5f, 3.2f, 3.5f, 3.7f}, ~0u, {{3, 3}}},
        {{nan, 0, 4, 2}, ~0u, {}},
        {{0, 0, inf, 2}, ~0u, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(written([&](Image& i) { i.line(0xFFFF, c.ends, c.pattern); }), c.expected)
            << c.ends.x0 << "," << c.ends.y0 << " to " << c.ends.x1 << "," << c.ends.y1;
    // Axis lines of the rule's own examples.
    EXPECT_EQ(written([](Image& i) { i.hLine(0xFFFF, {2, 5}, 3); }), (Pixels{{2, 5}, {3, 5}, {4, 5}, {5, 5}}));
    EXPECT_EQ(written([](Image& i) { i.hLine(0xFFFF, {2, 5}, -3, 1); }), (Pixels{{2, 5}}));
    EXPECT_EQ(written([](Image& i) { i.hLine(0xFFFF, {-5, 5}, 20, 1); }), Pixels{});
    EXPECT_EQ(written([](Image& i) { i.vLine(0xFFFF, {9, -3}, 6, 8); }), (Pixels{{9, 0}}));
    EXPECT_EQ(written([](Image& i) { i.vLine(0xFFFF, {4, 8}, -5, 1); }), (Pixels{{4, 8}}));
}

// Random general lines (integer, fractional, huge and NaN ends): every write lies in clip and image;
// integer ends inside give one pixel per column (row); reversed ends write the same pixels.
TEST(Lines, GeneralLinesStayInsideAndWalkEveryColumnOnce) {
    Mismatches bad;
    for (std::uint64_t seed = 1; seed <= 3000; ++seed) {
        SeededRng rng(seed);
        const auto coordinate = [&]() -> float {
            switch (rng.below(8)) {
                case 0: return float(rng.between(-1000000, 1000000)) * 1e3f;
                case 1: return float(rng.between(-300, 300)) / 7.0f;
                case 2: return rng.below(8) == 0 ? std::numeric_limits<float>::quiet_NaN() : 1e30f;
                default: return float(rng.between(-4, 16));
            }
        };
        const SegmentF ends{coordinate(), coordinate(), coordinate(), coordinate()};
        const PelFmtId id = PelFmtId(1 + rng.below(8));
        const auto layout = Surface::Layout(rng.below(3));
        SeededRng twin(seed * 7);
        Surface a(id, nullptr, 12, 11, layout, twin);
        SeededRng twin2(seed * 7);
        Surface b(id, nullptr, 12, 11, layout, twin2);
        const Rect clip{rng.between(-3, 6), rng.between(-3, 6), rng.between(0, 15), rng.between(0, 15)};
        const Rect* rect = rng.below(2) ? &clip : nullptr;
        a.image->fill(0, nullptr);
        b.image->fill(0, nullptr);
        if (rng.below(3) == 0) {
            const Rect own{rng.between(-2, 5), rng.between(-2, 5), rng.between(3, 14), rng.between(3, 14)};
            a.image->setClipRect(own);
            b.image->setClipRect(own);
        }
        const std::uint32_t colour = 0xC3C3C3C3;
        std::vector<std::uint8_t> before = a.snapshot();
        a.image->line(colour, ends, ~0u, rect);
        b.image->line(colour, {ends.x1, ends.y1, ends.x0, ends.y0}, ~0u, rect);
        if (!a.equals(b.snapshot())) bad.add("seed ", seed, ": reversed ends differ");
        std::vector<int> perColumn(12), perRow(11);
        for (std::int32_t y = 0; y < 11; ++y)
            for (std::int32_t x = 0; x < 12; ++x) {
                if (a.value(x, y) == 0) continue;
                if (!drawable(*a.image, rect, x, y)) bad.add("seed ", seed, ": wrote ", x, ",", y, " outside");
                ++perColumn[std::size_t(x)];
                ++perRow[std::size_t(y)];
                imgtest::putLe(&before[a.offset(x, y)], pelFmtBytes[id], a.value(x, y));
            }
        if (!a.equals(before)) bad.add("seed ", seed, ": bytes outside the pixels changed");
        const bool integral = ends.x0 == std::trunc(ends.x0) && ends.y0 == std::trunc(ends.y0) &&
                              ends.x1 == std::trunc(ends.x1) && ends.y1 == std::trunc(ends.y1);
        if (!integral || !drawable(*a.image, rect, std::int64_t(ends.x0), std::int64_t(ends.y0)) ||
            !drawable(*a.image, rect, std::int64_t(ends.x1), std::int64_t(ends.y1)))
            continue;
        const bool alongX = std::fabs(ends.x1 - ends.x0) >= std::fabs(ends.y1 - ends.y0);
        const auto lo = std::int64_t(alongX ? std::min(ends.x0, ends.x1) : std::min(ends.y0, ends.y1));
        const auto hi = std::int64_t(alongX ? std::max(ends.x0, ends.x1) : std::max(ends.y0, ends.y1));
        const std::vector<int>& count = alongX ? perColumn : perRow;
        for (std::int64_t i = 0; i < std::int64_t(count.size()); ++i)
            if (count[std::size_t(i)] != (i >= lo && i <= hi ? 1 : 0)) bad.add("seed ", seed, ": ", count[std::size_t(i)], " pixels at ", i);
    }
    EXPECT_TRUE(bad.none());
}

}  // namespace
