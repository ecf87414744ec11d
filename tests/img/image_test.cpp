// Images: pixel reads, opaque bounds against brute force, locks over foreign memory, create and release.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "img/image_row.h"
#include "img/palette.h"
#include "img_test_support.h"
#include "talvo/exception.h"

namespace {

using namespace talvo::g;
using imgtest::Guarded;
using imgtest::Mismatches;

// The pixel value at a byte address, as getPixel reads it per format.
std::uint32_t refRead(PelFmtId id, const std::uint8_t* p) {
    const std::uint32_t masks[12] = {0, 0xFFFFFF, 0xFFFFFF, ~0u, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFF, 0, 0};
    return imgtest::le(p, pelFmtBytes[id]) & masks[id];
}

TEST(Image, GetPixelPerFormat) {
    for (PelFmtId id = 0; id < 12; ++id) {
        ImageRow image;
        image.create(3, 2, PelFmt(id));
        const std::uint32_t bytes = pelFmtBytes[id];
        ASSERT_EQ(image.pitch(), std::int32_t(3 * bytes));
        for (std::uint32_t k = 0; k < 6 * bytes; ++k) image.pixels()[k] = static_cast<std::uint8_t>(0x10 + 7 * k);
        if (id == 2) image.pixels()[image.pitch() + 2 * bytes - 1] = 0xAB;  // x byte of (1, 1)
        EXPECT_EQ(image.getPixel(1, 1), refRead(id, image.pixels() + image.pitch() + bytes)) << id;
        for (const auto& [x, y] : {std::pair{-1, 0}, {3, 0}, {0, 2}, {0, -1}, {INT32_MIN, INT32_MAX}})
            EXPECT_EQ(image.getPixel(x, y), 0u) << id << " at " << x << "," << y;
    }
    EXPECT_EQ(ImageRow().getPixel(0, 0), 0u);
}

// Brute force, column by column and row by row; the compared bits per format written out again.
Rect refOpaqueBounds(PelFmtId id, const std::uint8_t* pixels, std::int32_t pitch, std::int32_t w, std::int32_t h,
                     std::uint32_t key, Rect before) {
    const std::uint32_t masks[12] = {0,      0xFFFFFF, 0xFFFFFF, ~0u,    0xFFFF, 0x7FFF,
                                     0xFFFF, 0x0FFF,   0xFFFF,   0xFF,   0xFFFF, ~0u};
    if (id == 0 || id > 11) return before;
    const auto differs = [&](std::int32_t x, std::int32_t y) {
        const std::uint8_t* p = pixels + std::ptrdiff_t{y} * pitch + std::ptrdiff_t{x} * pelFmtBytes[id];
        return ((imgtest::le(p, pelFmtBytes[id]) ^ key) & masks[id]) != 0;
    };
    const auto differsIn = [&](std::int32_t x0, std::int32_t x1, std::int32_t y0, std::int32_t y1) {
        for (std::int32_t y = y0; y < y1; ++y)
            for (std::int32_t x = x0; x < x1; ++x)
                if (differs(x, y)) return true;
        return false;
    };
    Rect r;  // what no column or row sets stays 0
    for (std::int32_t x = 0; x < w; ++x)
        if (differsIn(x, x + 1, 0, h)) { r.x0 = x; break; }
    for (std::int32_t x = w - 1; x >= 0; --x)
        if (differsIn(x, x + 1, 0, h)) { r.x1 = x + 1; break; }
    for (std::int32_t y = 0; y < h; ++y)
        if (differsIn(0, w, y, y + 1)) { r.y0 = y; break; }
    for (std::int32_t y = h - 1; y >= 0; --y)
        if (differsIn(0, w, y, y + 1)) { r.y1 = y + 1; break; }
    return r;
}

// Random formats (0 to 12), sizes, pitches of both signs and keys with random x bits, over wrapped
// memory between guard bands.
TEST(Image, OpaqueBoundsAgainstBruteForce) {
    SeededRng rng(103);
    Mismatches bad;
    for (int round = 0; round < 4000; ++round) {
        const PelFmtId id = rng.below(13);
        const std::int32_t w = std::int32_t(rng.below(7)), h = std::int32_t(rng.below(7));
        const std::int32_t bytes = std::int32_t(id < 12 ? pelFmtBytes[id] : 4);
        const std::int32_t stride = w * bytes + std::int32_t(rng.below(3));
        const std::int32_t pitch = rng.below(2) != 0 ? -stride : stride;
        Guarded memory(std::size_t(stride) * h + 1);
        std::uint8_t* base = memory.data() + rng.below(2);
        std::uint8_t* pixels = pitch < 0 && h > 0 ? base + std::ptrdiff_t{stride} * (h - 1) : base;
        const std::uint32_t key = rng.next32();
        for (std::int32_t y = 0; y < h; ++y)
            for (std::int32_t x = 0; x < w; ++x) {
                std::uint8_t* p = pixels + std::ptrdiff_t{y} * pitch + std::ptrdiff_t{x} * bytes;
                const bool keyed = rng.below(5) != 0;
                for (std::int32_t k = 0; k < bytes; ++k)
                    p[k] = keyed && rng.below(4) != 0 ? static_cast<std::uint8_t>(key >> (8 * k)) : rng.edgeByte();
            }
        ImageRow image(w, h, PelFmt(id), pixels, pitch);
        image.setColorKey(key);
        if (rng.below(2) != 0) image.clearColorKey();
        const Rect before{7, 7, 7, 7};
        Rect got = before;
        image.opaqueBounds(got);
        const Rect expected = refOpaqueBounds(id, pixels, pitch, w, h, key, before);
        if (!(got == expected))
            bad.add("round ", round, " format ", id, " ", w, "x", h, ": got ", got.x0, ",", got.y0, ",", got.x1, ",",
                    got.y1, " expected ", expected.x0, ",", expected.y0, ",", expected.x1, ",", expected.y1);
        if (!memory.guardsIntact()) bad.add("round ", round, ": guard band written");
    }
    EXPECT_TRUE(bad.none());

    std::uint16_t block[3][4] = {};
    block[1][2] = 0x1234;
    ImageRow small(4, 3, PelFmt(4), block, 8);
    Rect r;
    small.opaqueBounds(r);
    EXPECT_EQ(r, (Rect{2, 1, 3, 2}));
    block[1][2] = 0;
    small.opaqueBounds(r);
    EXPECT_EQ(r, (Rect{}));
    ImageRow x5551(4, 3, PelFmt(5), block, 8);
    block[0][0] = 0x8000;
    x5551.opaqueBounds(r);
    EXPECT_EQ(r, (Rect{}));
}

// Rows at odd addresses with an odd, negative pitch: locks address the rectangle's top-left pixel,
// and pixel structs read and write there cleanly (UBSan), converting in place.
TEST(Image, LocksOverOddAddressesAndNegativePitch) {
    SeededRng rng(1031);
    imgtest::forEachPixelFormat([&]<PelFmtId D>() {
        constexpr std::int32_t w = 5, h = 3, bytes = Pixel<D>::bytes, stride = w * bytes + 1;
        Guarded memory(stride * h + 1);
        std::uint8_t* bottomUp = memory.data() + 1 + stride * (h - 1);
        ImageRow image(w, h, PelFmt(D), bottomUp, -stride);
        const Rect area{1, 1, 4, 3};
        Image::Lock lock(image, &area, Image::lockReadWrite);
        ASSERT_EQ(lock.bits, bottomUp - stride + bytes);
        ASSERT_EQ(lock.pitch, -stride);
        std::vector<std::uint32_t> written;
        for (std::int32_t y = 0; y < area.height(); ++y) {
            auto* row = reinterpret_cast<Pixel<D>*>(lock.bits + y * lock.pitch);
            for (std::int32_t x = 0; x < area.width(); ++x) {
                row[x].setValue(rng.next32());
                const auto colour = Rgb565::fromValue(rng.next32());
                assign(row[x], colour);
                const std::uint32_t expected = convertPixelFrom(colour, D);
                const std::uint32_t x2 = pelLayouts[D].xMask();
                EXPECT_EQ(row[x].value() & ~x2, expected & ~x2) << D;
                written.push_back(row[x].value());
            }
        }
        std::size_t i = 0;
        for (std::int32_t y = 1; y < 3; ++y)
            for (std::int32_t x = 1; x < 4; ++x, ++i)
                EXPECT_EQ(image.getPixel(x, y), D == 2 ? written[i] & 0xFFFFFF : written[i]) << D;
        EXPECT_TRUE(memory.guardsIntact()) << D;
    });
}

TEST(Image, ReleaseAndCreateOverWrappedMemory) {
    std::vector<std::uint8_t> foreign(4 * 3 * 4, 0x5A);
    Palette palette;
    const std::uint8_t entries[] = {0, 0, 0, 0xFF, 0x33, 0x22, 0x11, 0x80};
    palette.set(entries, 2);

    ImageRow image(4, 3, PelFmt(9, &palette), foreign.data(), 16);
    EXPECT_NE(image.format().palette(), &palette);
    image.setColorKey(1);
    EXPECT_EQ(image.keyPixel(), 1u);
    EXPECT_EQ(image.colorKeyRgbx(), 0x112233u);
    image.setColorKeyRgb(0xFF112234);
    EXPECT_EQ(image.keyPixel(), 1u);
    EXPECT_EQ(image.colorKeyRgbx(), 0xFF112234u);
    image.setClipRect({1, 1, 2, 2});
    image.release();
    EXPECT_EQ(image.pixels(), nullptr);
    EXPECT_FALSE(image.hasColorKey());

    ImageRow wrapped(4, 3, PelFmt(2), foreign.data(), 16);
    wrapped.setColorKey(0xFF00FF);
    wrapped.setClipRect({1, 1, 2, 2});
    wrapped.create(5, 2, PelFmt(4));
    EXPECT_TRUE(wrapped.ownsPixels());
    EXPECT_EQ(wrapped.pitch(), 10);
    EXPECT_FALSE(wrapped.hasColorKey());
    EXPECT_EQ(wrapped.clipRect(), (Rect{0, 0, 5, 2}));
    std::fill(wrapped.pixels(), wrapped.pixels() + 20, std::uint8_t{0});  // the block is 20 bytes (ASan)
    wrapped.allocate();  // the block it replaces is freed (ASan: no leak)
    ImageRow(4, 3, PelFmt(2), foreign.data(), 16).allocate();
    for (std::uint8_t b : foreign) ASSERT_EQ(b, 0x5A);

    wrapped.setColorKeyRgb(0xFFFF00FF);
    EXPECT_EQ(wrapped.keyPixel(), 0xF81Fu);
    EXPECT_EQ(wrapped.colorKeyRgbx(), 0xFFFF00FFu);
    wrapped.clearColorKey();
    EXPECT_EQ(wrapped.keyPixel(), 0xF81Fu);
    wrapped.create(2, 2, wrapped.format());
    EXPECT_EQ(wrapped.format().id(), 4u);
}

TEST(Image, RefusedSizesLeaveTheImageAsItWas) {
    ImageRow image;
    image.create(2, 2, PelFmt(4));
    image.setColorKey(0xF81F);
    const std::uint8_t* pixels = image.pixels();
    struct Bad {
        std::int32_t w, h;
        PelFmtId id;
    };
    for (const Bad& bad : {Bad{-1, 2, 4}, Bad{2, -1, 4}, Bad{0x40000000, 0, 2}, Bad{0x7FFFFFFF, 1, 4},
                           Bad{0x2AAAAAAB, 1, 1}, Bad{1, 1, 12}}) {
        EXPECT_THROW(image.create(bad.w, bad.h, PelFmt(bad.id)), talvo::Exception) << bad.w << " " << bad.id;
        EXPECT_EQ(image.width(), 2);
        EXPECT_EQ(image.height(), 2);
        EXPECT_EQ(image.format().id(), 4u);
        EXPECT_EQ(image.pixels(), pixels);
        EXPECT_EQ(image.pitch(), 4);
        EXPECT_TRUE(image.hasColorKey());
    }
    EXPECT_THROW(ImageRow(-1, 1, PelFmt(4), nullptr, 0), talvo::Exception);
    image.create(0x7FFFFFFF, 0, PelFmt(9));  // the widest row that fits
    EXPECT_EQ(image.pitch(), 0x7FFFFFFF);
}

TEST(Image, RectangleRules) {
    struct Case {
        Rect a, b, expected;
        bool empty;
    };
    const Case cases[] = {
        {{0, 0, 10, 10}, {5, 5, 20, 20}, {5, 5, 10, 10}, false},
        {{0, 0, 4, 4}, {6, 1, 9, 3}, {6, 1, 6, 3}, true},
        {{0, 0, 4, 4}, {1, 6, 3, 9}, {1, 6, 3, 6}, true},
        {{3, 3, 1, 8}, {0, 0, 9, 9}, {3, 3, 3, 8}, true},
    };
    for (const Case& c : cases) {
        Rect inPlace = c.a;
        inPlace.intersect(c.b);
        EXPECT_EQ(inPlace, c.expected);
        EXPECT_EQ(c.a.intersection(c.b), c.expected);
        EXPECT_EQ(c.expected.empty(), c.empty);
    }
    EXPECT_TRUE((Rect{0, 0, 5, 0}).empty());
    EXPECT_TRUE((Rect{INT32_MAX, 0, INT32_MIN, 1}).empty());  // far-apart corners (UBSan)
    EXPECT_FALSE((Rect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}).empty());
}

}  // namespace
