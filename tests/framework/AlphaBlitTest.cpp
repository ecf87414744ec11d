// Alpha masks and the masked and blended blits on headless surfaces of every depth.
#include "HeadlessScreen.h"

#include "framework/AlphaBlit.h"
#include "framework/AlphaMask.h"
#include "platform/pixels.h"
#include "tests/support/seeded_rng.h"

#include <optional>
#include <vector>

namespace {

constexpr uint32_t almostWhite16 = (30 << 11) | (62 << 5) | 30; // 254 of 255 toward white

class AlphaBlit : public OpenScreen {
protected:
    void TearDown() override
    {
        mmxEnabled = 0;
        OpenScreen::TearDown();
    }

    std::unique_ptr<Surface> surface(int w, int h, uint32_t fill = 0)
    {
        auto s = std::make_unique<Surface>();
        EXPECT_EQ(s->create(display.get(), SurfaceKind::System, w, h), 0);
        EXPECT_EQ(s->fill(fill), 0);
        return s;
    }
    std::unique_ptr<Surface> row(const std::vector<uint32_t>& values)
    {
        auto s = surface(static_cast<int>(values.size()), 1);
        for (std::size_t x = 0; x < values.size(); ++x)
            put(*s, static_cast<int>(x), 0, values[x]);
        return s;
    }
    static uint32_t bytes(const Surface& s) { return s.display->pixelFormat->depth / 8; }
    static void put(Surface& s, int x, int y, uint32_t v)
    {
        plat::writePixel(s.pixels + y * s.pitch + x * static_cast<int>(bytes(s)), bytes(s), v);
    }
    static uint32_t get(const Surface& s, int x, int y)
    {
        return plat::readPixel(s.pixels + y * s.pitch + x * static_cast<int>(bytes(s)), bytes(s));
    }
    static std::vector<uint32_t> rowOf(const Surface& s)
    {
        std::vector<uint32_t> v;
        for (int x = 0; x < s.width; ++x)
            v.push_back(get(s, x, 0));
        return v;
    }
    static void setMask(Surface& s, const std::vector<uint8_t>& opacities)
    {
        ASSERT_EQ(s.createAlphaMask(), 0);
        ASSERT_EQ(s.alphaMask->alpha.size(), opacities.size());
        s.alphaMask->alpha = opacities;
    }
};

TEST_F(AlphaBlit, MaskOpacityIsTheAverageOfTheWidenedChannels)
{
    // 31 of 31 and 63 of 63 widen to 255 here; 30 and 61 to 246; red alone is 255 / 3.
    auto picture = row({0xFFFF, (30 << 11) | (61 << 5) | 30, 0x0000, 0xF800});
    AlphaMask mask;
    EXPECT_EQ(mask.fillFromSurface({0, 0, 4, 1}), FrameworkResult::AlphaMaskWithoutBuffer);
    mask.allocate(picture.get());
    ASSERT_EQ(mask.fillFromSurface({-5, -5, 100, 100}), 0) << "the rectangle is kept inside the buffer";
    EXPECT_EQ(mask.alpha, (std::vector<uint8_t>{255, 246, 0, 85}));
    EXPECT_EQ(mask.at(4, 0), 0);
    EXPECT_EQ(mask.at(-1, 0), 0);

    AlphaMask none;
    none.allocate(nullptr);
    EXPECT_EQ(none.fillFromSurface({0, 0, 1, 1}), FrameworkResult::AlphaMaskWithoutBuffer);
    // A mask picture too large to create (a corrupt file) keeps its size but holds nothing.
    Surface huge;
    EXPECT_NE(huge.create(display.get(), SurfaceKind::System, 1 << 20, 1 << 20), 0);
    none.allocate(&huge);
    EXPECT_EQ(none.fillFromSurface({0, 0, 1, 1}), FrameworkResult::AlphaMaskWithoutBuffer);

    Surface video;
    ASSERT_EQ(video.create(display.get(), SurfaceKind::Video, 2, 2), 0);
    AlphaMask locked;
    locked.allocate(&video);
    plat::headless::failNext(plat::headless::Operation::Lock, plat::result::Generic);
    EXPECT_EQ(locked.fillFromSurface({0, 0, 2, 2}), FrameworkResult::Lock);
    EXPECT_EQ(locked.alpha, std::vector<uint8_t>(4, 0));
}

TEST_F(AlphaBlit, MaskedBlitOnEveryDepth)
{
    struct Case {
        plat::PixelFormat format;
        std::vector<uint32_t> src, dst;
        std::vector<uint8_t> mask;
        std::vector<uint32_t> expected;
    };
    const Case cases[] = {
        // Half both ways gives the same grey; 255 copies, 254 blends, 0 leaves.
        {plat::format::Rgb565, {0x0000, 0xFFFF, 0x1234, 0xFFFF, 0xABCD}, {0xFFFF, 0, 0, 0, 0x5555},
         {128, 128, 255, 254, 0}, {0x7BEF, 0x7BEF, 0x1234, almostWhite16, 0x5555}},
        {plat::format::Rgb888, {0xFFFFFF, 0x102030, 0xABCDEF}, {0, 0, 0x123456}, {128, 255, 0},
         {0x7F7F7F, 0x102030, 0x123456}},
        // The fourth byte stays the destination's.
        {plat::format::Xrgb8888, {0x11FFFFFF, 0x22000000}, {0xAA000000, 0xBBFFFFFF}, {255, 128},
         {0xAAFFFFFF, 0xBB7F7F7F}},
        {plat::format::Indexed8, {7, 7}, {3, 3}, {255, 128}, {3, 3}}, // no blend tables: nothing drawn
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format.bitsPerPixel);
        reopen(c.format);
        auto src = row(c.src);
        auto dst = row(c.dst);
        setMask(*src, c.mask);
        Rect r{0, 0, src->width, 1};
        blitAlphaMasked(src.get(), dst.get(), 0, 0, r);
        EXPECT_EQ(rowOf(*dst), c.expected);
    }
}

TEST_F(AlphaBlit, BlendedBlitOnEveryDepth)
{
    struct Case {
        plat::PixelFormat format;
        std::vector<uint32_t> src, dst;
        std::optional<uint32_t> key;
        uint32_t colour;
        int level;
        std::vector<uint32_t> expected;
    };
    const std::vector<uint32_t> src16{0xFFFF, 0x0000, 0x8410}, dst16(3, 0x5555);
    const std::vector<uint32_t> src24{0xFFFFFF, 0x102030, 0}, dst24{0, 0, 0xABCDEF};
    const Case cases[] = {
        {plat::format::Rgb565, src16, dst16, 0, 0, 0, {0, 0x5555, 0}}, // level 0: black except keyed pixels
        {plat::format::Rgb565, src16, dst16, 0, 0, 255, {almostWhite16, 0x5555, 0x7BEF}},
        {plat::format::Rgb565, src16, dst16, 0, 0, 1000, {almostWhite16, 0x5555, 0x7BEF}}, // kept to 0..255
        // Each byte toward the same channel of the colour.
        {plat::format::Rgb888, src24, dst24, 0, 0xFF0000, 0, {0xFF0000, 0xFF0000, 0xABCDEF}},
        {plat::format::Rgb888, src24, dst24, 0, 0xFF0000, 128, {0xFF7F7F, 0x871018, 0xABCDEF}},
        {plat::format::Xrgb8888, {0x11FFFFFF, 0x22000000}, {0xAA000000, 0xBBFFFFFF}, {}, 0, 0,
         {0xAA000000, 0xBB000000}},
        {plat::format::Indexed8, {7, 7}, {3, 3}, {}, 0, 100, {3, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format.bitsPerPixel * 10000 + c.level);
        reopen(c.format);
        auto src = row(c.src);
        auto dst = row(c.dst);
        if (c.key) {
            src->setColorKey(*c.key);
            src->flags |= SurfaceFlag::keyed;
        }
        Rect r{0, 0, src->width, 1};
        blitBlended(src.get(), dst.get(), 0, 0, r, c.colour, c.level);
        EXPECT_EQ(rowOf(*dst), c.expected);
    }
}

TEST_F(AlphaBlit, MaskIsReadOnlyInsideItsOwnSize)
{
    auto picture = surface(4, 3, 0xFFFF);
    auto maskPicture = surface(2, 1, 0xFFFF);
    auto dst = surface(4, 3);
    ASSERT_EQ(picture->createAlphaMask(), 0);
    picture->alphaMask->allocate(maskPicture.get()); // as the game does: a mask picture of its own
    ASSERT_EQ(picture->alphaMask->fillFromSurface({0, 0, 2, 1}), 0);
    Rect r{0, 0, 4, 3};
    blitAlphaMasked(picture.get(), dst.get(), 0, 0, r);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(get(*dst, x, y), (y == 0 && x < 2) ? 0xFFFFu : 0u) << x << "," << y;
}

TEST_F(AlphaBlit, ClippingStartsFromTheFirstVisibleColumn)
{
    std::vector<uint32_t> numbers;
    for (uint32_t i = 1; i <= 30; ++i)
        numbers.push_back(i);
    auto src = row(numbers);
    setMask(*src, std::vector<uint8_t>(30, 255));
    Surface& back = *display->back;

    Rect r{0, 0, 20, 1};
    blitAlphaMasked(src.get(), &back, -10, 0, r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(get(back, 0, 0), 11u);
    EXPECT_EQ(get(back, 9, 0), 20u);
    EXPECT_EQ(get(back, 10, 0), 0u);
    // Off the right and bottom edges, and beyond the source itself.
    r = Rect{0, 0, 30, 1};
    blitAlphaMasked(src.get(), &back, 790, 599, r);
    EXPECT_EQ(get(back, 799, 599), 10u);
    r = Rect{25, 0, 60, 5};
    blitAlphaMasked(src.get(), &back, 100, 100, r);
    EXPECT_EQ(get(back, 104, 100), 30u);
    EXPECT_EQ(get(back, 105, 100), 0u);
    EXPECT_EQ(get(back, 100, 101), 0u);
}

TEST_F(AlphaBlit, NothingToDrawDrawsNothing)
{
    auto src = surface(4, 4, 0xFFFF);
    auto dst = surface(4, 4, 0x1111);
    Rect r{0, 0, 4, 4};
    blitAlphaMasked(src.get(), dst.get(), 0, 0, r); // no mask
    blitAlphaMasked(nullptr, dst.get(), 0, 0, r);
    blitAlphaMasked(src.get(), nullptr, 0, 0, r);
    blitBlended(nullptr, dst.get(), 0, 0, r, 0, 128);
    setMask(*src, std::vector<uint8_t>(16, 255));
    Rect empty{3, 3, 1, 1};
    blitAlphaMasked(src.get(), dst.get(), 0, 0, empty);
    blitBlended(src.get(), dst.get(), 0, 0, empty, 0, 128);
    Rect away{0, 0, 4, 4};
    blitAlphaMasked(src.get(), dst.get(), 5000, -5000, away);
    Surface noPixels;
    blitBlended(&noPixels, dst.get(), 0, 0, r, 0, 0);
    int changed = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            changed += get(*dst, x, y) != 0x1111;
    EXPECT_EQ(changed, 0);
}

TEST_F(AlphaBlit, FourPixelVariantsMatchOnSurfaces)
{
    auto src = surface(37, 5);
    SeededRng rng{12345};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 37; ++x)
            put(*src, x, y, rng.below(0x10000));
    ASSERT_EQ(src->createAlphaMask(), 0);
    for (auto& a : src->alphaMask->alpha)
        a = static_cast<uint8_t>(rng.below(3) == 0 ? 255 : rng.below(256));
    for (int level : {0, 77, 128, 255}) {
        auto plain = surface(40, 6, 0x1357), four = surface(40, 6, 0x1357);
        for (Surface* d : {plain.get(), four.get()}) {
            mmxEnabled = d == four.get();
            Rect r{1, 0, 37, 5};
            blitAlphaMasked(src.get(), d, 2, 1, r);
            Rect r2{0, 2, 30, 5};
            blitBlended(src.get(), d, 9, 0, r2, 0x0841, level);
        }
        mmxEnabled = 0;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(get(*plain, x, y), get(*four, x, y)) << x << "," << y << " level " << level;
    }
}

} // namespace
