// Fill and line primitives: golden pixel sets, a reference line analyser, kinds, locks and clipping.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "sprite/imgRowCTy.h"
#include "spriteTestSupport.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;
constexpr std::uint8_t guard = 0xA5;

// A kind-9 image of zeros over memory with guard bands, pitch a little above the width.
struct Canvas {
    Canvas(int w, int h, int kind = 9) : width(w), height(h), pitch(w + 3), bytes(imgPelBytes(kind)),
        block(static_cast<std::size_t>(pitch * h * bytes + 128), guard), fmt(kind, nullptr),
        image(w, h, &fmt, block.data() + 64, pitch)
    {
        std::memset(block.data() + 64, 0, static_cast<std::size_t>(pitch * h * bytes));
    }
    std::uint8_t* at(int x, int y) { return block.data() + 64 + (y * pitch + x) * bytes; }
    // The pixels whose first byte is not 0, and whether the guard bands and row gaps held.
    Pixels written()
    {
        Pixels out;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (*at(x, y) != 0) out.insert({x, y});
        return out;
    }
    bool intact()
    {
        for (std::size_t i = 0; i < 64; ++i)
            if (block[i] != guard || block[block.size() - 1 - i] != guard) return false;
        for (int y = 0; y < height; ++y)
            for (int x = width; x < pitch; ++x)
                for (int b = 0; b < bytes; ++b)
                    if (at(x, y)[b] != 0) return false;
        return true;
    }
    int width, height, pitch, bytes;
    std::vector<std::uint8_t> block;
    imgPelFmt fmt;
    imgRowCTy image;
};

// The line analyser as the description states it, step by step in double precision; the
// pixels that fall inside a w x h image.
Pixels referenceLine(long long x0, long long y0, long long x1, long long y1, int w, int h)
{
    const long long nx = (x1 > x0 ? x1 - x0 : x0 - x1) + 1, ny = (y1 > y0 ? y1 - y0 : y0 - y1) + 1;
    const long long xmin = x0 < x1 ? x0 : x1, ymin = y0 < y1 ? y0 : y1;
    Pixels out;
    auto keep = [&](long long x, long long y) {
        if (x >= 0 && y >= 0 && x < w && y < h) out.insert({static_cast<int>(x), static_cast<int>(y)});
    };
    if (nx >= ny) {
        const long long ys = x0 <= x1 ? y0 : y1, ye = x0 <= x1 ? y1 : y0;
        const double step = (ye < ys ? -1.0 : 1.0) * static_cast<double>(ny - 1) / static_cast<double>(nx);
        double a = static_cast<double>(ys - ymin);
        for (long long i = 0; i < nx; ++i, a += step) keep(xmin + i, ymin + static_cast<long long>(a + 0.5));
    } else {
        const long long xs = y0 <= y1 ? x0 : x1, xe = y0 <= y1 ? x1 : x0;
        const double step = (xe < xs ? -1.0 : 1.0) * static_cast<double>(nx - 1) / static_cast<double>(ny);
        double a = static_cast<double>(xs - xmin);
        for (long long i = 0; i < ny; ++i, a += step) keep(xmin + static_cast<long long>(a + 0.5), ymin + i);
    }
    return out;
}

Pixels run(int x0, int y0, int dx, int dy, int n)
{
    Pixels out;
    for (int i = 0; i < n; ++i) out.insert({x0 + i * dx, y0 + i * dy});
    return out;
}

TEST(ImgPrimitives, GoldenPixelSets)
{
    resetErrors();
    struct Case {
        const char* what;
        void (*draw)(imgCTy&);
        Pixels expected;
    };
    const Case cases[] = {
        {"fill rect", [](imgCTy& i) { const imgRect r{1, 1, 2, 1}; i.Fill(1, &r); }, {{1, 1}, {2, 1}}},
        {"fill empty", [](imgCTy& i) { const imgRect r{1, 1, 0, 5}; i.Fill(1, &r); }, {}},
        {"hline pattern 1", [](imgCTy& i) { i.DrawHLine(1, 0, 0, 40, 1); }, {{0, 0}, {32, 0}}},
        {"hline even bits", [](imgCTy& i) { i.DrawHLine(1, 0, 3, 8, 0x55555555); }, {{0, 3}, {2, 3}, {4, 3}, {6, 3}}},
        {"hline pattern 0", [](imgCTy& i) { i.DrawHLine(1, 0, 0, 40, 0); }, {}},
        {"vline", [](imgCTy& i) { i.DrawVLine(1, 2, 0, 3, 0xFFFFFFFF); }, run(2, 0, 0, 1, 3)},
        {"vline pattern", [](imgCTy& i) { i.DrawVLine(1, 4, 0, 34, 0x80000002); }, {{4, 1}, {4, 31}, {4, 33}}},
        {"dot", [](imgCTy& i) { i.DrawLine(1, 5, 5, 5, 5, 0); }, {{5, 5}}},
        {"10,5", [](imgCTy& i) { i.DrawLine(1, 0, 0, 10, 5, 0); },
         {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {6, 3}, {7, 3}, {8, 4}, {9, 4}, {10, 5}}},
        {"10,10 backwards", [](imgCTy& i) { i.DrawLine(1, 10, 10, 0, 0, 0xFFFFFFFF); },
         {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 5}, {7, 6}, {8, 7}, {9, 8}, {10, 9}}},
        {"rising", [](imgCTy& i) { i.DrawLine(1, 0, 10, 10, 0, 0); },
         {{0, 10}, {1, 9}, {2, 8}, {3, 7}, {4, 6}, {5, 5}, {6, 5}, {7, 4}, {8, 3}, {9, 2}, {10, 1}}},
        {"y-major", [](imgCTy& i) { i.DrawLine(1, 2, 0, 0, 7, 0); },
         {{2, 0}, {2, 1}, {2, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}, {0, 7}}},
    };
    for (const Case& c : cases) {
        Canvas canvas(48, 40);
        c.draw(canvas.image);
        EXPECT_EQ(canvas.written(), c.expected) << c.what;
        EXPECT_EQ(canvas.image.lockedPels, nullptr) << c.what;
        EXPECT_TRUE(canvas.intact()) << c.what;
    }
    Canvas ends(16, 16);
    ends.image.DrawLine(1, 0, 0, 10, 6, 0);
    EXPECT_EQ(ends.written().count({10, 5}), 1u) << "(0, 0)-(10, 6) ends at (10, 5)";
    ends.image.DrawHLine(1, 3, 4, 5, 0);
    EXPECT_EQ(ends.image.lockRect.x + ends.image.lockRect.width + ends.image.lockAccess, 3 + 5 + 2)
        << "pattern 0 still locks its line";
    EXPECT_EQ(ctyError.code, 0);
}

// Every line with both ends on a 16 x 16 grid against the reference, pixel for pixel.
TEST(ImgPrimitives, LinesMatchTheReferenceOnAGrid)
{
    Canvas canvas(16, 16);
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            std::memset(canvas.block.data() + 64, 0, static_cast<std::size_t>(canvas.pitch * 16));
            canvas.image.DrawLine(1, a % 16, a / 16, b % 16, b / 16, 0);
            ASSERT_EQ(canvas.written(), referenceLine(a % 16, a / 16, b % 16, b / 16, 16, 16))
                << a % 16 << "," << a / 16 << " - " << b % 16 << "," << b / 16;
        }
    EXPECT_TRUE(canvas.intact());
}

// Lines, rectangles and lengths that leave the image: the in-image part at the unclipped
// positions, nothing outside; a seeded sweep with far ends against the step-by-step reference.
TEST(ImgPrimitives, ClippedCallsWriteOnlyInsideAtUnclippedPositions)
{
    SeededRng random(120);
    Canvas canvas(37, 29);
    for (int n = 0; n < 300; ++n) {
        const long long reach = n < 100 ? 80 : n < 250 ? 5000 : 400000;
        auto coordinate = [&](int size) {
            return static_cast<int>(static_cast<long long>(random.below(static_cast<std::uint32_t>(2 * reach + size))) - reach);
        };
        const int x0 = coordinate(37), y0 = coordinate(29), x1 = coordinate(37), y1 = coordinate(29);
        std::memset(canvas.block.data() + 64, 0, static_cast<std::size_t>(canvas.pitch * 29));
        canvas.image.DrawLine(1, x0, y0, x1, y1, 0);
        ASSERT_EQ(canvas.written(), referenceLine(x0, y0, x1, y1, 37, 29))
            << "seed 120 case " << n << ": " << x0 << "," << y0 << " - " << x1 << "," << y1;
    }
    // Long shallow lines whose exact minor position is a half at a column inside the image:
    // there the accumulated rounding decides the row, so skipped steps must round as taken ones.
    for (int n = 0; n < 200; ++n) {
        const long long rise = 1 + random.below(20), runs = 2 * rise * (1 + random.below(20000));
        const long long half = (2 * random.below(static_cast<std::uint32_t>(rise)) + 1) * runs / (2 * rise);
        const int x0 = static_cast<int>(5 + random.below(27) - half), y0 = static_cast<int>(random.below(29)) - static_cast<int>(rise / 2);
        const bool down = random.below(2) != 0, swap = random.below(2) != 0;
        int ends[4] = {x0, down ? y0 + static_cast<int>(rise) : y0, x0 + static_cast<int>(runs) - 1, down ? y0 : y0 + static_cast<int>(rise)};
        if (swap) std::swap(ends[0], ends[2]), std::swap(ends[1], ends[3]);
        const bool yMajor = random.below(2) != 0;
        if (yMajor) std::swap(ends[0], ends[1]), std::swap(ends[2], ends[3]);
        std::memset(canvas.block.data() + 64, 0, static_cast<std::size_t>(canvas.pitch * 29));
        canvas.image.DrawLine(1, ends[0], ends[1], ends[2], ends[3], 0);
        ASSERT_EQ(canvas.written(), referenceLine(ends[0], ends[1], ends[2], ends[3], 37, 29))
            << "seed 120 half case " << n << ": " << ends[0] << "," << ends[1] << " - " << ends[2] << "," << ends[3];
    }
    EXPECT_TRUE(canvas.intact());

    // Ends at the limits of the coordinates cost a few steps per binade, not one per pixel;
    // axis-parallel lines (a step of 0) go straight to the image.
    Canvas lines(8, 6);
    lines.image.DrawLine(1, INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0);
    lines.image.DrawLine(1, INT_MAX, 3, INT_MIN, 2, 0);
    lines.image.DrawLine(1, 3, INT_MIN, 4, INT_MAX, 0);
    EXPECT_TRUE(lines.intact());
    struct Axis {
        int x0, y0, x1, y1;
        Pixels expected;
    };
    const Axis axes[] = {
        {INT_MIN, 5, INT_MAX, 5, run(0, 5, 1, 0, 8)},  {INT_MAX, 0, INT_MIN, 0, run(0, 0, 1, 0, 8)},
        {INT_MAX, 1, 2, 1, run(2, 1, 1, 0, 6)},        {-400000, 2, 4, 2, run(0, 2, 1, 0, 5)},
        {3, INT_MAX, 3, INT_MIN, run(3, 0, 0, 1, 6)},  {6, INT_MIN, 6, 2, run(6, 0, 0, 1, 3)},
        {0, 4, 0, 400000, run(0, 4, 0, 1, 2)},         {INT_MIN, 6, INT_MAX, 6, {}},
        {8, INT_MIN, 8, INT_MAX, {}},                  {-1, INT_MIN, -1, INT_MAX, {}},
    };
    for (const Axis& line : axes) {
        Canvas axis(8, 6);
        axis.image.DrawLine(1, line.x0, line.y0, line.x1, line.y1, 0);
        EXPECT_EQ(axis.written(), line.expected) << line.x0 << "," << line.y0 << " - " << line.x1 << "," << line.y1;
        EXPECT_TRUE(axis.intact());
        // Lines the step-by-step reference can walk in a moment are checked against it too.
        if (std::max({std::llabs(line.x0), std::llabs(line.x1), std::llabs(line.y0), std::llabs(line.y1)}) <= 400000) {
            EXPECT_EQ(axis.written(), referenceLine(line.x0, line.y0, line.x1, line.y1, 8, 6));
        }
    }

    Canvas c(8, 6);
    c.image.DrawHLine(1, INT_MIN, 5, INT_MAX, 0xFFFFFFFF);  // ends at x = -1
    c.image.DrawHLine(1, 6, 0, INT_MAX, 0xFFFFFFFF);
    c.image.DrawHLine(1, -3, 2, 5, 0xFFFFFFFF);
    c.image.DrawHLine(1, -2, 3, 10, 0x5);  // the pattern counts from the unclipped start
    c.image.DrawVLine(1, 7, 4, -3, 0xFFFFFFFF);
    const imgRect far{-5, 4, 7, INT_MAX};
    c.image.Fill(1, &far);
    EXPECT_EQ(c.written(), Pixels({{6, 0}, {7, 0}, {0, 2}, {1, 2}, {0, 3}, {0, 4}, {1, 4}, {0, 5}, {1, 5}}));
    EXPECT_TRUE(c.intact());
}

// Each kind's bytes; kinds 7 and 8 post and write nothing.
TEST(ImgPrimitives, KindsStoreTheirBytes)
{
    resetErrors();
    const std::uint32_t colour = 0x89ABCDEF;
    for (int kind = 0; kind <= 11; ++kind) {
        Canvas c(4, 3, kind == 11 ? 1 : kind);
        c.image.pelFmt.kind = kind;
        c.image.Fill(colour, nullptr);
        const imgRect one{1, 1, 1, 1};
        c.image.Fill(0, &one);
        const int stored = kind == 1 ? 3 : kind == 2 || kind == 3 || kind == 10 ? 4 : kind == 9 ? 1 : kind >= 4 && kind <= 6 ? 2 : 0;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                for (int b = 0; b < c.bytes; ++b) {
                    const std::uint8_t want = x == 1 && y == 1 ? 0 : b < stored ? static_cast<std::uint8_t>(colour >> (8 * b)) : 0;
                    ASSERT_EQ(c.at(x, y)[b], want) << "kind " << kind << " pixel " << x << "," << y;
                }
        EXPECT_TRUE(c.intact());
        if (stored == 0) {
            for (const char* op : {"Fill", "DrawHLine", "DrawVLine", "DrawLine"}) {
                resetErrors();
                if (op[0] == 'F') c.image.Fill(1, nullptr);
                if (op[4] == 'H') c.image.DrawHLine(1, 0, 0, 4, 0xFFFFFFFF);
                if (op[4] == 'V') c.image.DrawVLine(1, 0, 0, 3, 0xFFFFFFFF);
                if (op[4] == 'L') c.image.DrawLine(1, 0, 0, 3, 2, 0);
                EXPECT_EQ(lastMessage(), std::string("imgCTy::") + op + ": This is not impelmetned yet");
                EXPECT_EQ(c.image.lockedPels, nullptr);
            }
            EXPECT_TRUE(c.written().empty());
        }
    }
    resetErrors();
}

// Through a lock the caller holds: own coordinates, inside the lock's rectangle, lock kept.
TEST(ImgPrimitives, CallersLockIsUsedAndKept)
{
    Canvas c(6, 5);
    const imgRect last{5, 4, 1, 1};
    c.image.Lock(&last, 0);
    c.image.Fill(1, nullptr);
    c.image.DrawLine(1, 0, 0, 5, 4, 0);
    EXPECT_EQ(c.written(), Pixels({{5, 4}}));
    EXPECT_NE(c.image.lockedPels, nullptr);
    c.image.Unlock();

    const imgRect middle{1, 1, 3, 2};
    c.image.Lock(&middle, 0);
    c.image.DrawHLine(2, 0, 1, 6, 0xFFFFFFFF);
    c.image.DrawVLine(2, 3, 0, 5, 0xFFFFFFFF);
    EXPECT_EQ(c.image.lockRect.x + c.image.lockRect.width, 4);
    c.image.Unlock();
    EXPECT_EQ(c.written(), Pixels({{1, 1}, {2, 1}, {3, 1}, {3, 2}, {5, 4}}));
    EXPECT_TRUE(c.intact());
}

}  // namespace
