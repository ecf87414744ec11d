// Alpha masks and the masked and blended blits on headless surfaces of every depth.
#include "HeadlessScreen.h"

#include "framework/AlphaBlit.h"
#include "framework/AlphaMask.h"

#include <cstring>
#include <vector>

namespace {

class AlphaBlit : public HeadlessScreen {
protected:
    void TearDown() override
    {
        mmxEnabled = 0;
        HeadlessScreen::TearDown();
    }

    std::unique_ptr<Surface> surface(int w, int h)
    {
        auto s = std::make_unique<Surface>();
        EXPECT_EQ(s->create(display.get(), SurfaceKind::System, w, h), 0);
        return s;
    }

    template <class Pixel>
    static void put(Surface& s, int x, int y, Pixel v)
    {
        std::memcpy(s.pixels + y * s.pitch + x * int{sizeof(Pixel)}, &v, sizeof v);
    }
    template <class Pixel>
    static Pixel get(const Surface& s, int x, int y)
    {
        Pixel v;
        std::memcpy(&v, s.pixels + y * s.pitch + x * int{sizeof(Pixel)}, sizeof v);
        return v;
    }
    static void put24(Surface& s, int x, int y, uint32_t rgb)
    {
        uint8_t* p = s.pixels + y * s.pitch + x * 3;
        p[0] = static_cast<uint8_t>(rgb);
        p[1] = static_cast<uint8_t>(rgb >> 8);
        p[2] = static_cast<uint8_t>(rgb >> 16);
    }
    static uint32_t get24(const Surface& s, int x, int y)
    {
        const uint8_t* p = s.pixels + y * s.pitch + x * 3;
        return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
    }
    static void setMask(Surface& s, std::initializer_list<uint8_t> opacities)
    {
        ASSERT_EQ(s.createAlphaMask(), 0);
        ASSERT_EQ(s.alphaMask->alpha.size(), opacities.size());
        std::copy(opacities.begin(), opacities.end(), s.alphaMask->alpha.begin());
    }
};

TEST_F(AlphaBlit, MaskOpacityIsTheAverageOfTheWidenedChannels)
{
    open();
    auto picture = surface(4, 1);
    put<uint16_t>(*picture, 0, 0, 0xFFFF);
    put<uint16_t>(*picture, 1, 0, (30 << 11) | (61 << 5) | 30); // 30 of 31 widens to 246, so does 61 of 63
    put<uint16_t>(*picture, 2, 0, 0x0000);
    put<uint16_t>(*picture, 3, 0, 0xF800); // red alone: 255 / 3

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
}

TEST_F(AlphaBlit, MaskFillReportsAFailedLock)
{
    open();
    Surface picture;
    ASSERT_EQ(picture.create(display.get(), SurfaceKind::Video, 2, 2), 0);
    AlphaMask mask;
    mask.allocate(&picture);
    plat::headless::failNext(plat::headless::Operation::Lock, plat::result::Generic);
    EXPECT_EQ(mask.fillFromSurface({0, 0, 2, 2}), FrameworkResult::Lock);
    EXPECT_EQ(mask.alpha, std::vector<uint8_t>(4, 0));
}

TEST_F(AlphaBlit, Masked16BlendsCopiesAndLeaves)
{
    open();
    auto src = surface(5, 1);
    auto dst = surface(5, 1);
    const uint16_t s[5] = {0x0000, 0xFFFF, 0x1234, 0xFFFF, 0xABCD};
    const uint16_t d[5] = {0xFFFF, 0x0000, 0x0000, 0x0000, 0x5555};
    for (int i = 0; i < 5; ++i) {
        put(*src, i, 0, s[i]);
        put(*dst, i, 0, d[i]);
    }
    setMask(*src, {128, 128, 255, 254, 0});
    Rect r{0, 0, 5, 1};
    blitAlphaMasked(src.get(), dst.get(), 0, 0, r);
    EXPECT_EQ(get<uint16_t>(*dst, 0, 0), 0x7BEF);
    EXPECT_EQ(get<uint16_t>(*dst, 1, 0), 0x7BEF);
    EXPECT_EQ(get<uint16_t>(*dst, 2, 0), 0x1234);
    EXPECT_EQ(get<uint16_t>(*dst, 3, 0), (30 << 11) | (62 << 5) | 30);
    EXPECT_EQ(get<uint16_t>(*dst, 4, 0), 0x5555);
}

TEST_F(AlphaBlit, MaskIsReadOnlyInsideItsOwnSize)
{
    open();
    auto picture = surface(4, 3);
    auto maskPicture = surface(2, 1);
    auto dst = surface(4, 3);
    picture->fill(0xFFFF);
    maskPicture->fill(0xFFFF);
    dst->fill(0x0000);
    ASSERT_EQ(picture->createAlphaMask(), 0);
    picture->alphaMask->allocate(maskPicture.get()); // as the game does: a mask picture of its own
    ASSERT_EQ(picture->alphaMask->fillFromSurface({0, 0, 2, 1}), 0);

    Rect r{0, 0, 4, 3};
    blitAlphaMasked(picture.get(), dst.get(), 0, 0, r);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(get<uint16_t>(*dst, x, y), (y == 0 && x < 2) ? 0xFFFF : 0x0000) << x << "," << y;
}

TEST_F(AlphaBlit, ClippingStartsFromTheFirstVisibleColumn)
{
    open();
    auto src = surface(30, 1);
    for (int i = 0; i < 30; ++i)
        put<uint16_t>(*src, i, 0, static_cast<uint16_t>(i + 1));
    std::vector<uint8_t> full(30, 255);
    ASSERT_EQ(src->createAlphaMask(), 0);
    src->alphaMask->alpha = full;
    Surface& back = *display->back;
    back.fill(0);

    Rect r{0, 0, 20, 1};
    blitAlphaMasked(src.get(), &back, -10, 0, r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(get<uint16_t>(back, 0, 0), 11);
    EXPECT_EQ(get<uint16_t>(back, 9, 0), 20);
    EXPECT_EQ(get<uint16_t>(back, 10, 0), 0);

    // Off the right and bottom edges, and beyond the source itself.
    Rect r2{0, 0, 30, 1};
    blitAlphaMasked(src.get(), &back, 790, 599, r2);
    EXPECT_EQ(get<uint16_t>(back, 799, 599), 10);
    Rect r3{25, 0, 60, 5};
    blitAlphaMasked(src.get(), &back, 100, 100, r3);
    EXPECT_EQ(get<uint16_t>(back, 104, 100), 30);
    EXPECT_EQ(get<uint16_t>(back, 105, 100), 0);
    EXPECT_EQ(get<uint16_t>(back, 100, 101), 0);
}

TEST_F(AlphaBlit, NothingToDrawDrawsNothing)
{
    open();
    auto src = surface(4, 4);
    auto dst = surface(4, 4);
    src->fill(0xFFFF);
    dst->fill(0x1111);
    Rect r{0, 0, 4, 4};
    blitAlphaMasked(src.get(), dst.get(), 0, 0, r); // no mask
    blitAlphaMasked(nullptr, dst.get(), 0, 0, r);
    blitAlphaMasked(src.get(), nullptr, 0, 0, r);
    blitBlended(nullptr, dst.get(), 0, 0, r, 0, 128);
    ASSERT_EQ(src->createAlphaMask(), 0);
    std::fill(src->alphaMask->alpha.begin(), src->alphaMask->alpha.end(), 255);
    Rect empty{3, 3, 1, 1};
    blitAlphaMasked(src.get(), dst.get(), 0, 0, empty);
    blitBlended(src.get(), dst.get(), 0, 0, empty, 0, 128);
    Rect away{0, 0, 4, 4};
    blitAlphaMasked(src.get(), dst.get(), 5000, -5000, away);
    Surface noPixels;
    blitBlended(&noPixels, dst.get(), 0, 0, r, 0, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(get<uint16_t>(*dst, x, y), 0x1111);
}

TEST_F(AlphaBlit, BlendedLevelZeroIsBlackExceptKeyedPixels)
{
    open();
    auto src = surface(3, 1);
    auto dst = surface(3, 1);
    put<uint16_t>(*src, 0, 0, 0xFFFF);
    put<uint16_t>(*src, 1, 0, 0x0000); // the key
    put<uint16_t>(*src, 2, 0, 0x8410);
    dst->fill(0x5555);
    src->setColorKey(0);
    src->flags |= SurfaceFlag::Keyed;
    Rect r{0, 0, 3, 1};
    blitBlended(src.get(), dst.get(), 0, 0, r, 0, 0);
    EXPECT_EQ(get<uint16_t>(*dst, 0, 0), 0);
    EXPECT_EQ(get<uint16_t>(*dst, 1, 0), 0x5555);
    EXPECT_EQ(get<uint16_t>(*dst, 2, 0), 0);

    Rect r2{0, 0, 3, 1};
    blitBlended(src.get(), dst.get(), 0, 0, r2, 0, 255);
    EXPECT_EQ(get<uint16_t>(*dst, 0, 0), (30 << 11) | (62 << 5) | 30) << "255 is nearly the picture";
    Rect r3{0, 0, 3, 1};
    blitBlended(src.get(), dst.get(), 0, 0, r3, 0, 1000);
    EXPECT_EQ(get<uint16_t>(*dst, 0, 0), (30 << 11) | (62 << 5) | 30) << "levels are kept within 0..255";
}

TEST_F(AlphaBlit, FourPixelVariantsMatchOnSurfaces)
{
    open();
    auto src = surface(37, 5);
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 37; ++x)
            put<uint16_t>(*src, x, y, static_cast<uint16_t>(next() >> 8));
    ASSERT_EQ(src->createAlphaMask(), 0);
    for (auto& a : src->alphaMask->alpha)
        a = static_cast<uint8_t>((next() >> 16) % 3 == 0 ? 255 : next() >> 20);
    auto plain = surface(40, 6), four = surface(40, 6);
    for (int level : {0, 77, 128, 255}) {
        plain->fill(0x1357);
        four->fill(0x1357);
        for (uint8_t mmx : {uint8_t{0}, uint8_t{1}}) {
            mmxEnabled = mmx;
            Surface& d = mmx ? *four : *plain;
            Rect r{1, 0, 37, 5};
            blitAlphaMasked(src.get(), &d, 2, 1, r);
            Rect r2{0, 2, 30, 5};
            blitBlended(src.get(), &d, 9, 0, r2, 0x0841, level);
        }
        mmxEnabled = 0;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(get<uint16_t>(*plain, x, y), get<uint16_t>(*four, x, y)) << x << "," << y;
    }
}

TEST_F(AlphaBlit, TwentyFourBitPixelsBlendTheirThreeBytes)
{
    open(plat::format::Rgb888);
    auto src = surface(3, 1);
    auto dst = surface(3, 1);
    put24(*src, 0, 0, 0xFFFFFF);
    put24(*src, 1, 0, 0x102030);
    put24(*src, 2, 0, 0x000000);
    for (int i = 0; i < 3; ++i)
        put24(*dst, i, 0, 0x000000);
    setMask(*src, {128, 255, 0});
    Rect r{0, 0, 3, 1};
    blitAlphaMasked(src.get(), dst.get(), 0, 0, r);
    EXPECT_EQ(get24(*dst, 0, 0), 0x7F7F7Fu);
    EXPECT_EQ(get24(*dst, 1, 0), 0x102030u);

    // Blended toward a colour: each byte toward the colour's channel of the same colour.
    src->setColorKey(0x000000);
    src->flags |= SurfaceFlag::Keyed;
    put24(*dst, 2, 0, 0xABCDEF);
    Rect r2{0, 0, 3, 1};
    blitBlended(src.get(), dst.get(), 0, 0, r2, 0xFF0000, 0);
    EXPECT_EQ(get24(*dst, 0, 0), 0xFF0000u);
    EXPECT_EQ(get24(*dst, 2, 0), 0xABCDEFu) << "keyed pixel left alone";
    Rect r3{0, 0, 2, 1};
    blitBlended(src.get(), dst.get(), 0, 0, r3, 0xFF0000, 128);
    EXPECT_EQ(get24(*dst, 1, 0), uint32_t{(0xFF + ((0x10 - 0xFF) * 128 >> 8)) << 16 | (0x20 * 128 >> 8) << 8 | (0x30 * 128 >> 8)});
}

TEST_F(AlphaBlit, ThirtyTwoBitDestinationKeepsItsFourthByte)
{
    open(plat::format::Xrgb8888);
    auto src = surface(2, 1);
    auto dst = surface(2, 1);
    put<uint32_t>(*src, 0, 0, 0x11FFFFFF);
    put<uint32_t>(*src, 1, 0, 0x22000000);
    put<uint32_t>(*dst, 0, 0, 0xAA000000);
    put<uint32_t>(*dst, 1, 0, 0xBBFFFFFF);
    setMask(*src, {255, 128});
    Rect r{0, 0, 2, 1};
    blitAlphaMasked(src.get(), dst.get(), 0, 0, r);
    EXPECT_EQ(get<uint32_t>(*dst, 0, 0), 0xAAFFFFFFu);
    EXPECT_EQ(get<uint32_t>(*dst, 1, 0), 0xBB7F7F7Fu);
    Rect r2{0, 0, 2, 1};
    blitBlended(src.get(), dst.get(), 0, 0, r2, 0, 0);
    EXPECT_EQ(get<uint32_t>(*dst, 0, 0), 0xAA000000u);
}

TEST_F(AlphaBlit, EightBitWithoutBlendTablesDrawsNothing)
{
    open(plat::format::Indexed8);
    auto src = surface(2, 1);
    auto dst = surface(2, 1);
    src->fill(7);
    dst->fill(3);
    setMask(*src, {255, 128});
    Rect r{0, 0, 2, 1};
    blitAlphaMasked(src.get(), dst.get(), 0, 0, r);
    Rect r2{0, 0, 2, 1};
    blitBlended(src.get(), dst.get(), 0, 0, r2, 0, 100);
    EXPECT_EQ(get<uint8_t>(*dst, 0, 0), 3);
    EXPECT_EQ(get<uint8_t>(*dst, 1, 0), 3);
}

} // namespace
