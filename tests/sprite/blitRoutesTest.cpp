// The blitter's palettized route, index copy, exhaustive 16-bit copies and pair properties.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "blitTestImage.h"

namespace {

using namespace blittest;
using Bytes = std::vector<std::uint8_t>;

// A 1-row index image with a palette of 16 colours i, 2i, 3i (A 255); entries 3 and 7 are the
// key colour 10, 20, 30 and entry 5 differs from it only below the 5/6-bit cut.
struct PalSource {
    explicit PalSource(const Bytes& indices) : image(9, static_cast<int>(indices.size()), 1, static_cast<int>(indices.size()))
    {
        std::uint8_t colours[16 * 4];
        for (int i = 0; i < 16; ++i) colours[4 * i] = colours[4 * i + 1] = colours[4 * i + 2] = static_cast<std::uint8_t>(i * 9);
        for (int i : {3, 7}) colours[4 * i] = 10, colours[4 * i + 1] = 20, colours[4 * i + 2] = 30;
        colours[20] = 13, colours[21] = 21, colours[22] = 31;
        palette.Set(colours, 16);
        image.img->SetPalette(palette);
        std::memcpy(image.pels(), indices.data(), indices.size());
    }
    palCTy palette;
    TestImage image;
};

TEST(BlitPalettized, KeyByColourAndIndicesPastTheCount)
{
    const std::uint8_t key[4] = {10, 20, 30, 255};
    for (int kind = 1; kind <= 6; ++kind) {
        PalSource src({3, 7, 200, 5});
        src.image.img->SetColorKeyRgba(key);
        TestImage dst(kind, 4, 1, 4);
        const std::size_t bytes = static_cast<std::size_t>(model::bytesOf(kind));
        std::memset(dst.pels(), 0x44, 4 * bytes);
        src.image.img->Draw(dst.img.get(), 0, 0, nullptr);
        const auto pixel = [&](int x) { return Bytes(dst.at(x, 0), dst.at(x, 0) + bytes); };
        EXPECT_EQ(pixel(0), Bytes(bytes, 0x44)) << "entry 3 is the key colour, kind " << kind;
        EXPECT_EQ(pixel(1), Bytes(bytes, 0x44)) << "entry 7 is the key colour, kind " << kind;
        EXPECT_EQ(pixel(2), Bytes(bytes, 0)) << "index 200 of 16 entries, kind " << kind;
        EXPECT_EQ(pixel(3) == Bytes(bytes, 0x44), kind >= 4) << "equal after the cut, kind " << kind;
    }
}

TEST(BlitPalettized, TableBuiltPerKindAndReportedOnceForKindsWithoutOne)
{
    PalSource src({1});
    for (int kind : {7, 7, 8, 10, 10, 0, 9, -1, 11}) {
        resetErrors();
        TestImage dst(kind >= 0 && kind <= 10 ? kind : 1, 1, 1, 1);
        dst.img->pelFmt.kind = kind;  // kinds no image is made of still reach the selector
        std::memset(dst.pels(), 0x44, static_cast<std::size_t>(model::bytesOf(dst.kind)));
        const std::uint32_t before = src.image.img->pelFmt.palette->tableKind;
        src.image.img->Draw(dst.img.get(), 0, 0, nullptr);
        EXPECT_EQ(*dst.pels(), 0x44) << kind;
        const bool outside = kind < 0 || kind > 10;
        const bool report = !outside && (kind == 0 || before != static_cast<std::uint32_t>(kind));
        EXPECT_EQ(lastMessage(), report ? "palCTy::BuildTbl: not impelmetned yet" : "") << kind;
        if (outside) {
            EXPECT_EQ(src.image.img->pelFmt.palette->tableKind, before) << "nothing built for kind " << kind;
        }
        EXPECT_TRUE(allUnlocked({src.image.img.get(), dst.img.get()}));
    }
    resetErrors();
}

TEST(BlitPalettized, OnlyIndexImagesTakeThePalettizedRoute)
{
    TestImage src(4, 1, 1, 1), dst(1, 1, 1, 1);
    palCTy palette;
    const std::uint8_t grey[4] = {9, 9, 9, 0};
    palette.Set(grey, 1);
    src.img->SetPalette(palette);
    model::setWord(src.pels(), 0xFFFF);
    src.img->Draw(dst.img.get(), 0, 0, nullptr);
    EXPECT_EQ(Bytes(dst.pels(), dst.pels() + 3), (Bytes{0xF8, 0xFC, 0xF8})) << "drawn as the rgb565 word it is";
    EXPECT_EQ(src.img->pelFmt.palette->tableKind, 0u) << "no table built";
}

// The index copies: any mode, key and depth ignored; the plain copy reads at the rectangle.
TEST(BlitIndex, CopiesAndStretchesBytes)
{
    for (bool palettes : {false, true}) {
        TestImage src(9, 4, 4, 4), dst(9, 8, 8, 8), depth(10, 8, 8, 8);
        for (int i = 0; i < 16; ++i) src.pels()[i] = static_cast<std::uint8_t>(i);
        if (palettes) {
            PalSource other({0});
            src.img->SetPalette(other.palette), dst.img->SetPalette(other.palette);
        }
        const std::uint8_t key[4] = {1, 2, 3, 4};
        src.img->SetColorKeyRgba(key);
        const auto draw = [&](int mode, int scaled, float scale, imgRect rect) {
            std::memset(dst.pels(), 0xEE, 64);
            DrawParams params;
            params.mode = mode, params.scaled = scaled, params.scaleX = params.scaleY = scale;
            params.srcDepth = depth.img.get(), params.dstDepth = depth.img.get();
            src.img->DrawEx(dst.img.get(), -rect.x, -rect.y, &rect, &params);
        };
        draw(2, 1, 2.0f, {0, 0, 8, 8});
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) ASSERT_EQ(*dst.at(x, y), (y / 2) * 4 + x / 2) << "scale 2 at " << x << ", " << y;
        draw(17, 1, 0.5f, {0, 0, 2, 2});
        EXPECT_EQ((Bytes{*dst.at(0, 0), *dst.at(1, 0), *dst.at(0, 1), *dst.at(1, 1), *dst.at(2, 0)}), (Bytes{0, 2, 8, 10, 0xEE}));
        draw(13, 0, 2.0f, {1, 2, 2, 2});
        EXPECT_EQ((Bytes{*dst.at(0, 0), *dst.at(1, 0), *dst.at(0, 1), *dst.at(1, 1)}), (Bytes{9, 10, 13, 14}))
            << "mode 13 unscaled copies the rectangle at (1, 2)";
    }
}

// Copies every 16-bit source word through the plain and keyed copy slots onto every
// destination kind over mixed bytes, against the model.
TEST(BlitExhaustive, Every16BitWordThroughTheCopySlots)
{
    const std::uint8_t key[4] = {0x10, 0x20, 0x30, 0x40};
    onVectorAndScalarRows([&] {
        for (int srcKind = 4; srcKind <= 6; ++srcKind)
            for (int dstKind = 1; dstKind <= 6; ++dstKind)
                for (bool keyed : {false, true}) {
                    TestImage src(srcKind, 256, 256, 256), dst(dstKind, 256, 256, 256);
                    for (unsigned v = 0; v < 65536; ++v) model::setWord(src.pels() + 2 * v, v);
                    SeededRng r(static_cast<std::uint64_t>(srcKind * 100 + dstKind * 10 + keyed));
                    for (std::size_t i = guard; i < dst.buf.size() - guard; ++i) dst.buf[i] = r.edgeByte();
                    if (keyed) src.img->SetColorKeyRgba(key);
                    std::vector<std::uint8_t> want = dst.buf, before = src.buf;
                    model::Image dstView = dst.view(want);
                    model::draw(src.view(before), dstView, nullptr, nullptr, nullptr, model::Request{});
                    src.img->Draw(dst.img.get(), 0, 0, nullptr);
                    EXPECT_TRUE(dst.buf == want) << "kind " << srcKind << " onto " << dstKind << (keyed ? " keyed: " : ": ")
                                                 << firstDifference(dst, want, dst.buf);
                }
    });
}

// Destination kinds 2 and 3 give the same bytes from every source, and so do 5 and 6 under
// palettized sources; bit 15 of a 5551 source changes nothing in the six slots shared onto rgb565.
TEST(BlitProperties, SharedBlocksDrawAlike)
{
    SeededRng r(23);
    const auto fill = [&r](TestImage& image) {
        for (std::size_t i = guard; i < image.buf.size() - guard; ++i) image.buf[i] = r.edgeByte();
    };
    const auto drawOnto = [](TestImage& src, int kind, const Bytes& dstBytes, int mode, int scaled, TestImage& map) {
        TestImage dst(kind, 8, 8, 8);
        dst.buf = dstBytes;
        DrawParams params;
        params.mode = mode, params.scaled = scaled, params.alpha = 77, params.alphaMap = &*map.img;
        src.img->DrawEx(dst.img.get(), 0, 0, nullptr, &params);
        return dst.buf;
    };
    TestImage map(9, 8, 8, 8);
    fill(map);
    for (int srcKind : {1, 2, 3, 4, 5, 6, 9}) {
        TestImage src(srcKind, 8, 8, 8), wide(2, 8, 8, 8), narrow(5, 8, 8, 8);
        fill(src), fill(wide), fill(narrow);
        PalSource pal({0});
        if (srcKind == 9) src.img->SetPalette(pal.palette);
        for (int mode = 0; mode <= 15; ++mode)
            for (int scaled = 0; scaled < 2; ++scaled) {
                EXPECT_EQ(drawOnto(src, 2, wide.buf, mode, scaled, map), drawOnto(src, 3, wide.buf, mode, scaled, map))
                    << "kind " << srcKind << " mode " << mode;
                if (srcKind == 9) {
                    EXPECT_EQ(drawOnto(src, 5, narrow.buf, mode, scaled, map), drawOnto(src, 6, narrow.buf, mode, scaled, map))
                        << "mode " << mode;
                }
            }
    }
    // Slots 1, 3, 7, 9, 11 and 15: stretch copy, stretch alpha, copy, depth copy, alpha, alpha map.
    TestImage x(5, 8, 8, 8), a(6, 8, 8, 8), dst(4, 8, 8, 8), depth(10, 8, 8, 8), deeper(10, 8, 8, 8);
    fill(x), fill(dst);
    std::memset(deeper.pels(), 0x7F, 256);
    a.buf = x.buf;
    for (int i = 0; i < 64; ++i) a.pels()[2 * i + 1] ^= 0x80;
    struct Request {
        int mode, scaled;
        bool depth;
    };
    for (const Request q : {Request{0, 1, false}, Request{1, 1, false}, Request{0, 0, false}, Request{0, 0, true},
                            Request{1, 0, false}, Request{3, 0, false}}) {
        Bytes got[2];
        for (int which = 0; which < 2; ++which) {
            TestImage& src = which == 0 ? x : a;
            TestImage out(4, 8, 8, 8), dd(10, 8, 8, 8);
            out.buf = dst.buf, dd.buf = depth.buf;
            DrawParams params;
            params.mode = q.mode, params.scaled = q.scaled, params.alpha = 99, params.alphaMap = map.img.get();
            if (q.depth) params.srcDepth = deeper.img.get(), params.dstDepth = dd.img.get();
            src.img->DrawEx(out.img.get(), 0, 0, nullptr, &params);
            got[which] = out.buf;
        }
        EXPECT_EQ(got[0], got[1]) << "mode " << q.mode << " scaled " << q.scaled << " depth " << q.depth;
        EXPECT_NE(got[0], dst.buf) << "mode " << q.mode << " drew";
    }
}

}  // namespace
