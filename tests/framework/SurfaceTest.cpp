// Surfaces on the headless backend: kinds, lock, fills, keyed and clipped blits, the list.
#include "HeadlessScreen.h"
#include "tests/support/simd_levels.h"

#include <vector>

namespace {
uint16_t at(const Surface& s, int x, int y)
{
    return reinterpret_cast<const uint16_t*>(s.pixels + y * s.pitch)[x];
}
// Pixel (x, y) holds y * width + x + 1.
void numberPixels(Surface& s)
{
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            reinterpret_cast<uint16_t*>(s.pixels + y * s.pitch)[x] = static_cast<uint16_t>(y * s.width + x + 1);
}
} // namespace

class SurfaceOnScreen : public OpenScreen {
protected:
    Surface* make(Surface& s, int w, int h, uint16_t kind = SurfaceKind::System)
    {
        EXPECT_EQ(s.create(display.get(), kind, w, h), 0);
        return &s;
    }
};

TEST_F(SurfaceOnScreen, KindsLockingAndFailedCreation)
{
    Surface video;
    make(video, 8, 8, SurfaceKind::Video);
    EXPECT_EQ(video.unlock(), 0); // unlocking the unlocked is harmless
    ASSERT_EQ(video.lock(), 0);
    uint8_t* first = video.pixels;
    EXPECT_EQ(video.lock(), 0);
    EXPECT_EQ(video.pixels, first);

    Surface s;
    plat::headless::failNext(plat::headless::Operation::CreateSurface, plat::result::OutOfMemory);
    ASSERT_EQ(s.create(display.get(), SurfaceKind::Auto | SurfaceKind::With3D, 8, 8), 0);
    EXPECT_EQ(s.kind, SurfaceKind::System | SurfaceKind::With3D) << "video memory failed: system memory";

    // Own memory is freed when the layer refuses the surface (the leak checker watches); a layer
    // without memory is said as such.
    Surface own;
    plat::headless::failNext(plat::headless::Operation::CreateSurface, plat::result::OutOfMemory);
    EXPECT_EQ(own.create(display.get(), SurfaceKind::OwnMemory, 64, 64), FrameworkResult::NoMemory);
    EXPECT_EQ(own.ownMemory, nullptr);
    EXPECT_EQ(own.pixels, nullptr);
}

TEST_F(SurfaceOnScreen, SurfaceWithoutPixelsGetsErrors)
{
    Surface empty;
    Surface other;
    make(other, 4, 4);
    Rect r{0, 0, 4, 4};
    EXPECT_EQ(empty.lock(), FrameworkResult::Lock);
    EXPECT_EQ(empty.fill(0), FrameworkResult::ColourFill);
    EXPECT_EQ(empty.fillRect(0, 0, 1, 1, 0), FrameworkResult::ColourFill);
    EXPECT_EQ(empty.getDC(), FrameworkResult::GetDC);
    EXPECT_NE(empty.blit(&other, 0, 0, r), 0);
    EXPECT_NE(other.blit(&empty, 0, 0, r), 0);
    EXPECT_FALSE(empty.restore());
    Surface unknownKind;
    EXPECT_EQ(unknownKind.create(display.get(), 9, 4, 4), 0);
    EXPECT_EQ(unknownKind.fill(0), FrameworkResult::ColourFill);
}

TEST_F(SurfaceOnScreen, KeyedBlitSkipsKeyPixelsAndBlitsClipToTheScreen)
{
    Surface src, dest;
    numberPixels(*make(src, 4, 1));
    ASSERT_EQ(make(dest, 4, 1)->fill(0x7777), 0);
    src.setColorKey(2);
    src.flags |= SurfaceFlag::keyed;
    Rect r{0, 0, 4, 1};
    ASSERT_EQ(src.blit(&dest, 0, 0, r), 0);
    EXPECT_EQ((std::vector<int>{at(dest, 0, 0), at(dest, 1, 0), at(dest, 2, 0)}), (std::vector<int>{1, 0x7777, 3}));
    src.flags &= static_cast<uint8_t>(~SurfaceFlag::keyed); // opaque again
    r = Rect{0, 0, 4, 1};
    ASSERT_EQ(src.blit(&dest, 0, 0, r), 0);
    EXPECT_EQ(at(dest, 1, 0), 2);

    // The clip rectangle is the screen's: the rectangle is cut to what shows.
    Surface big;
    numberPixels(*make(big, 50, 20));
    r = Rect{0, 0, 50, 20};
    ASSERT_EQ(big.blit(display->back, -10, 0, r), 0);
    EXPECT_EQ(r, (Rect{10, 0, 50, 20}));
    EXPECT_EQ(at(*display->back, 0, 0), 11);
    EXPECT_EQ(at(*display->back, 40, 0), 0);
    r = Rect{0, 0, 50, 20};
    ASSERT_EQ(big.blit(display->back, 780, 590, r), 0);
    EXPECT_EQ(r, (Rect{0, 0, 20, 10}));
    EXPECT_EQ(at(*display->back, 799, 599), 9 * 50 + 20);
}

TEST_F(SurfaceOnScreen, RectanglesOutsideSourceOrDestinationAreRefused)
{
    Surface src, dest;
    ASSERT_EQ(make(src, 10, 10)->fill(0xFFFF), 0);
    ASSERT_EQ(make(dest, 10, 10)->fill(0x1234), 0);
    const auto changed = [&] {
        int n = 0;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                n += at(dest, x, y) != 0x1234;
        return n;
    };
    // The clip rectangle is the screen's, so these reach the layer unclipped.
    const struct {
        int x, y;
        Rect r;
    } cases[] = {
        {0, 0, {0, 0, 11, 10}}, // wider than the source
        {0, 0, {-1, 0, 5, 5}},  // left of the source
        {0, 0, {0, 5, 5, 12}},  // below the source
        {6, 0, {0, 0, 5, 5}},   // past the destination's right edge
        {0, 8, {0, 0, 5, 5}},   // past its bottom
        {0, 0, {5, 5, 5, 9}},   // empty
        {0, 0, {5, 5, 2, 9}},   // reversed
    };
    for (const auto& c : cases) {
        Rect r = c.r;
        EXPECT_EQ(src.blit(&dest, c.x, c.y, r), plat::result::InvalidRect) << c.x << "," << c.y;
    }
    EXPECT_EQ(dest.fillRect(-1, 0, 5, 5, 0), FrameworkResult::ColourFill);
    EXPECT_EQ(dest.fillRect(0, 0, 11, 5, 0), FrameworkResult::ColourFill);
    EXPECT_EQ(dest.fillRect(3, 3, 3, 5, 0), FrameworkResult::ColourFill);
    EXPECT_EQ(changed(), 0);
    EXPECT_EQ(dest.fillRect(2, 3, 4, 5, 0), 0);
    EXPECT_EQ(changed(), 4);
}

TEST_F(SurfaceOnScreen, WideKeyedBlitsMatchThePixelModelAndSeeRedrawnPictures)
{
    // Sprite-like rows (key runs and picture runs of 1 to 70 pixels, the key also at row starts and
    // ends) at odd widths and offsets, at every vector level; then the picture is drawn over
    // through its pixels, without a lock, and blitted again: the blit sees the new pixels.
    constexpr uint16_t key = 0xF81F;
    constexpr int w = 157, h = 5;
    Surface src, dest;
    make(src, w, h);
    make(dest, w + 9, h);
    src.setColorKey(key);
    src.flags |= SurfaceFlag::keyed;
    uint32_t seed = 7;
    const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    const auto paint = [&] {
        for (int y = 0, left = 0, isKey = 1; y < h; ++y)
            for (int x = 0; x < w; ++x, --left) {
                if (left <= 0) {
                    left = 1 + static_cast<int>(next() % 70);
                    isKey ^= 1;
                }
                const auto v = static_cast<uint16_t>(next());
                reinterpret_cast<uint16_t*>(src.pixels + y * src.pitch)[x] = isKey ? key : v == key ? v ^ 2 : v;
            }
    };
    for (int round = 0; round < 2; ++round) {
        paint();
        for (const int x : {0, 3, 9})
            for (const int width : {w, w - 1, 64, 33, 32, 31})
                onEveryPlatLevel([&] {
                    ASSERT_EQ(dest.fill(0x1234), 0);
                    Rect r{w - width, 0, w, h};
                    ASSERT_EQ(src.blit(&dest, x, 0, r), 0);
                    for (int y = 0; y < h; ++y)
                        for (int c = 0; c < w + 9; ++c) {
                            const int sc = c - x + (w - width);
                            const bool inside = c >= x && c < x + width;
                            const uint16_t want = inside && at(src, sc, y) != key ? at(src, sc, y) : 0x1234;
                            ASSERT_EQ(at(dest, c, y), want) << "round " << round << " x " << x << " width " << width
                                                            << " at " << c << "," << y;
                        }
                });
    }
}

TEST_F(SurfaceOnScreen, OverlappingBlitsWithinOneSurfaceSeeTheSourceAsItWas)
{
    // Partial rows (opaque and keyed), and whole rows back to back (the one-block copy), both ways.
    struct Case {
        Rect r;
        int x, y;
        bool keyed;
    };
    for (const Case& c : {Case{{0, 0, 6, 6}, 2, 2, false}, Case{{2, 2, 8, 8}, 0, 0, true},
                          Case{{0, 0, 8, 5}, 0, 3, false}, Case{{0, 2, 8, 8}, 0, 0, false}}) {
        Surface s;
        numberPixels(*make(s, 8, 8));
        if (c.keyed) {
            s.setColorKey(0x7FFF);
            s.flags |= SurfaceFlag::keyed;
        }
        Rect r = c.r;
        ASSERT_EQ(s.blit(&s, c.x, c.y, r), 0);
        for (int y = 0; y < c.r.bottom - c.r.top; ++y)
            for (int x = 0; x < c.r.right - c.r.left; ++x)
                ASSERT_EQ(at(s, c.x + x, c.y + y), (c.r.top + y) * 8 + c.r.left + x + 1) << x << "," << y;
    }
}

TEST_F(SurfaceOnScreen, LostSourceIsRestoredOnceForABlit)
{
    Surface src;
    make(src, 4, 4);
    for (const int expected : {0, int{plat::result::SurfaceLost}}) {
        plat::headless::loseSurface(src.surface);
        if (expected)
            plat::headless::failNext(plat::headless::Operation::Restore, plat::result::Generic);
        Rect r{0, 0, 4, 4};
        EXPECT_EQ(src.blit(display->back, 0, 0, r), expected);
    }
}

namespace {
// A global Surface, built before main and destroyed after it, uses the list safely.
Surface globalSurface;
} // namespace

TEST_F(HeadlessTest, SurfaceListTakesTheLastIntoTheGap)
{
    const int before = surfaceListCount();
    bool globalListed = false;
    for (int i = 0; i < before; ++i)
        globalListed = globalListed || surfaceListAt(i) == &globalSurface;
    EXPECT_TRUE(globalListed);
    auto* first = new Surface;
    Surface second;
    Surface third;
    ASSERT_EQ(surfaceListCount(), before + 3);
    delete first;
    ASSERT_EQ(surfaceListCount(), before + 2);
    EXPECT_EQ(surfaceListAt(before), &third);
    EXPECT_EQ(surfaceListAt(before + 1), &second);
    EXPECT_EQ(surfaceListAt(before + 2), nullptr);
}
