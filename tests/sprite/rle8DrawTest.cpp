// Sprite draws against the reference model on seeded random sprites, plus worked pixels of the
// mirrored placement and of the alpha and colour-operator rounding.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "rle8Model.h"
#include "sprite/imgRle8CTy.h"
#include "sprite/imgRowCTy.h"
#include "sprite/palCTy.h"
#include "spriteTestSupport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int guard = 32;

// A sprite of W x H with every run kind, null rows, and palette colours equal to the key's.
struct TestSprite {
    imgRle8CTy image;
    rmodel::Sprite model;

    TestSprite(SeededRng& rnd, bool keyed, int W, int H)
    {
        std::uint8_t colours[256 * 4];
        for (auto& c : colours) c = rnd.edgeByte();
        const int keyIndex = static_cast<int>(rnd.below(256));
        for (int i = 0; i < 256; i += 16) std::memcpy(colours + 4 * i, colours + 4 * keyIndex, 4);
        palCTy pal;
        pal.Set(colours, 256);
        imgPelFmt fmt(9, &pal);
        image.Create(W, H, &fmt);
        if (keyed) image.SetColorKey(static_cast<std::uint32_t>(keyIndex));
        image.Lock(nullptr, 0);
        for (int y = 0; y < H; ++y) {
            std::uint8_t* row = image.lockBuffer + y * W;
            const bool blank = rnd.below(5) == 0;
            for (int x = 0; x < W;) {
                const int kind = blank ? 0 : static_cast<int>(rnd.below(3));
                const int len = 1 + static_cast<int>(rnd.below(kind == 2 ? 12 : 80));
                const auto v = static_cast<std::uint8_t>(rnd.next());
                for (int k = 0; k < len && x < W; ++k, ++x)
                    row[x] = kind == 0 ? static_cast<std::uint8_t>(keyIndex) : kind == 1 ? v : static_cast<std::uint8_t>(rnd.next());
            }
        }
        image.Unlock();
        refreshModel();
    }

    void refreshModel()
    {
        const imgRect& b = image.bounds;
        model = rmodel::Sprite{image.width, b.x, b.y, b.width, b.height, {}, nullptr, image.hasColorKey != 0, {}};
        for (int r = 0; r < b.height; ++r) model.pixels.push_back(rmodel::decodeRow(image.rowTable[r], b.width));
        model.palette = image.pelFmt.palette != nullptr ? image.pelFmt.palette->entries : nullptr;
        std::memcpy(model.key, image.colorKeyRgba, 4);
    }
};

// Pixels between guard bands: the image sees the middle, the test compares all of it.
struct Guarded {
    Bytes bytes;
    std::unique_ptr<imgRowCTy> image;
    Guarded(SeededRng& rnd, int kind, int w, int h, int pitch, palCTy* palette = nullptr)
    {
        const int b = imgPelBytes(kind);
        bytes.resize(static_cast<std::size_t>(pitch * h * b + 2 * guard));
        for (auto& v : bytes) v = kind == 10 ? static_cast<std::uint8_t>(rnd.below(4)) : rnd.edgeByte();
        if (kind == 10)
            for (std::size_t i = 3; i < bytes.size(); i += 4) bytes[i] = 0;  // small depths: many ties
        imgPelFmt fmt(kind, palette);
        image = std::make_unique<imgRowCTy>(w, h, &fmt, bytes.data() + guard, pitch);
    }
};

// One call through the real entry point.
void call(imgRle8CTy& s, imgCTy* dst, const rmodel::Call& c, const imgRect* rect, const DrawParams& p)
{
    switch (c.entry) {
    case rmodel::Entry::Draw: s.Draw(dst, c.x, c.y, rect); break;
    case rmodel::Entry::DrawAlpha: s.Draw(dst, c.x, c.y, rect, c.fAlpha); break;
    case rmodel::Entry::DrawEx: s.DrawEx(dst, c.x, c.y, rect, &p); break;
    case rmodel::Entry::MirrorH: s.DrawMirrorH(dst, c.x, c.y, rect); break;
    case rmodel::Entry::ExMirrorH: s.DrawExMirrorH(dst, c.x, c.y, rect, &p); break;
    }
}

// Runs one seed: a random sprite, destination, entry point, mode, rectangle and request.
void checkSeed(std::uint64_t seed)
{
    SeededRng rnd(seed);
    TestSprite sprite(rnd, rnd.below(3) != 0, 1 + static_cast<int>(rnd.below(rnd.below(3) == 0 ? 220 : 70)), 1 + static_cast<int>(rnd.below(12)));
    static const int kinds[] = {1, 2, 3, 4, 5, 6, 1, 2, 4, 5, 7, 9};
    const int kind = kinds[rnd.below(12)];
    const int dw = 1 + static_cast<int>(rnd.below(80)), dh = 1 + static_cast<int>(rnd.below(16));
    palCTy dstPal;
    Guarded dst(rnd, kind, dw, dh, dw + static_cast<int>(rnd.below(3)), kind == 9 ? &dstPal : nullptr);

    rmodel::Call c;
    c.entry = static_cast<rmodel::Entry>(rnd.below(5));
    static const int modes[] = {0, 1, 4, 5, 6, 7, 8, 9, 10, 11, 13, 0, 1, 13, 2, 3, 12, 14, 15, 99};
    c.mode = modes[rnd.below(20)];
    static const int alphas[] = {0, 128, 256, -40, 300};
    c.alpha = rnd.below(2) ? alphas[rnd.below(5)] : static_cast<int>(rnd.below(257));
    static const float fAlphas[] = {0.0f, 0.5f, 1.0f, 2.0f, -1.0f, 0.999f, std::numeric_limits<float>::quiet_NaN(), 1e30f};
    c.fAlpha = fAlphas[rnd.below(8)];
    static const float scales[] = {1.0f, 2.0f, 0.5f, 1.5f, 0.75f, 3.0f, 0.0f, -1.0f, std::numeric_limits<float>::infinity()};
    c.scaleX = scales[rnd.below(c.mode == 13 && rnd.below(4) == 0 ? 9 : 6)];
    c.scaleY = scales[rnd.below(6)];
    c.x = static_cast<int>(rnd.below(50)) - 15;
    c.y = static_cast<int>(rnd.below(16)) - 4;
    c.nullRect = rnd.below(3) == 0;
    const imgRect& b = sprite.image.bounds;
    c.rx = b.x + static_cast<int>(rnd.below(static_cast<std::uint32_t>(b.width + 8))) - 4;
    c.ry = b.y + static_cast<int>(rnd.below(static_cast<std::uint32_t>(b.height + 4))) - 2;
    c.rw = static_cast<int>(rnd.below(static_cast<std::uint32_t>(b.width + 10)));
    c.rh = static_cast<int>(rnd.below(static_cast<std::uint32_t>(b.height + 4)));

    std::unique_ptr<Guarded> srcDepth, dstDepth;
    rmodel::Depth srcModel, dstModel;
    if (rnd.below(3) == 0) {
        const int zw = 1 + static_cast<int>(rnd.below(80)), zh = 1 + static_cast<int>(rnd.below(16));
        srcDepth = std::make_unique<Guarded>(rnd, rnd.below(8) ? 10 : 2, zw, zh, zw);
        srcModel = {zw, zh, zw, srcDepth->image->pelFmt.kind, nullptr};
        if (rnd.below(6)) {
            const int ow = 1 + static_cast<int>(rnd.below(80)), oh = 1 + static_cast<int>(rnd.below(16));
            dstDepth = std::make_unique<Guarded>(rnd, 10, ow, oh, ow + 1);
            dstModel = {ow, oh, ow + 1, 10, nullptr};
        }
    }
    DrawParams p;
    p.mode = c.mode;
    p.alpha = c.alpha;
    p.scaleX = c.scaleX;
    p.scaleY = c.scaleY;
    p.scaled = static_cast<std::int32_t>(rnd.below(2));
    p.srcDepth = srcDepth ? srcDepth->image.get() : nullptr;
    p.dstDepth = dstDepth ? dstDepth->image.get() : nullptr;

    // The model works on copies.
    Bytes expected = dst.bytes;
    Bytes expectedDepth = dstDepth ? dstDepth->bytes : Bytes{};
    Bytes srcDepthCopy = srcDepth ? srcDepth->bytes : Bytes{};
    if (srcDepth) srcModel.pels = reinterpret_cast<std::int32_t*>(srcDepthCopy.data() + guard);
    if (dstDepth) dstModel.pels = reinterpret_cast<std::int32_t*>(expectedDepth.data() + guard);
    c.srcDepth = srcDepth ? &srcModel : nullptr;
    c.dstDepth = dstDepth ? &dstModel : nullptr;
    rmodel::Dest md{kind, dw, dh, dst.image->pitch, expected.data() + guard, kind == 9};
    rmodel::draw(sprite.model, md, c);

    const imgRect rect{c.rx, c.ry, c.rw, c.rh};
    resetErrors();
    call(sprite.image, dst.image.get(), c, c.nullRect ? nullptr : &rect, p);
    const std::string what = "seed " + std::to_string(seed) + " entry " + std::to_string(static_cast<int>(c.entry)) +
                             " mode " + std::to_string(c.mode) + " kind " + std::to_string(kind);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(static_cast<int>(dst.bytes[i]), static_cast<int>(expected[i])) << what << " byte " << i;
    }
    if (dstDepth) {
        ASSERT_EQ(dstDepth->bytes, expectedDepth) << what << " depth";
    }
    if (srcDepth) {
        ASSERT_EQ(srcDepth->bytes, srcDepthCopy) << what << " source depth written";
    }
    ASSERT_EQ(dst.image->lockedPels, nullptr) << what;
    if (kind == 9) {
        ASSERT_NE(lastMessage().find("not impelmetned yet"), std::string::npos) << what;
    }
}

}  // namespace

TEST(Rle8Draw, MatchesTheReferenceModel)
{
    onVectorAndScalarRows([&] {
        for (std::uint64_t seed = 1; seed <= 6000 && !HasFatalFailure(); ++seed) checkSeed(seed);
    });
}

// One sprite drawn again and again (copies, plain and mirrored, onto changing kinds) while its
// palette, key and rows change between draws: every draw as the model draws a fresh sprite.
TEST(Rle8Draw, RepeatedCopiesFollowEveryChange)
{
    onVectorAndScalarRows([&] {
        for (std::uint64_t seed = 1; seed <= 300 && !HasFatalFailure(); ++seed) {
            SeededRng rnd(seed);
            TestSprite sprite(rnd, true, 1 + static_cast<int>(rnd.below(150)), 1 + static_cast<int>(rnd.below(10)));
            imgRle8CTy& image = sprite.image;
            for (int step = 0; step < 10; ++step) {
                const std::uint32_t change = rnd.below(6);
                if (change == 0) {
                    std::uint8_t colours[256 * 4];
                    for (auto& c : colours) c = rnd.edgeByte();
                    for (int i = 0; i < 256; i += 8) std::memcpy(colours + 4 * i, image.colorKeyRgba, 3);
                    image.pelFmt.palette->Set(colours, 256);
                } else if (change == 1) {
                    image.SetColorKey(rnd.below(256));
                } else if (change == 2) {
                    image.hasColorKey = 0;
                } else if (change == 3) {
                    image.Lock(nullptr, 0);
                    const int from = static_cast<int>(rnd.below(static_cast<std::uint32_t>(image.width * image.height)));
                    const int n = static_cast<int>(rnd.below(40));
                    for (int i = from; i < from + n && i < image.width * image.height; ++i)
                        image.lockBuffer[i] = rnd.below(3) == 0 ? static_cast<std::uint8_t>(image.colorKeyPel) : rnd.edgeByte();
                    image.Unlock();
                }
                sprite.refreshModel();
                // Each request twice: a cache made for another one is replaced when a request repeats.
                const int kind = 1 + static_cast<int>(rnd.below(6));
                rmodel::Call c;
                static const rmodel::Entry entries[] = {rmodel::Entry::Draw, rmodel::Entry::DrawEx, rmodel::Entry::MirrorH,
                                                        rmodel::Entry::ExMirrorH};
                c.entry = entries[rnd.below(4)];
                for (int again = 0; again < 2; ++again) {
                    const int dw = 1 + static_cast<int>(rnd.below(160)), dh = 1 + static_cast<int>(rnd.below(12));
                    Guarded dst(rnd, kind, dw, dh, dw + static_cast<int>(rnd.below(3)));
                    c.x = static_cast<int>(rnd.below(40)) - 20;
                    c.y = static_cast<int>(rnd.below(8)) - 3;
                    c.nullRect = rnd.below(3) == 0;
                    const imgRect& b = image.bounds;
                    c.rx = b.x + static_cast<int>(rnd.below(static_cast<std::uint32_t>(b.width + 4))) - 2;
                    c.ry = b.y + static_cast<int>(rnd.below(static_cast<std::uint32_t>(b.height + 2))) - 1;
                    c.rw = static_cast<int>(rnd.below(static_cast<std::uint32_t>(b.width + 4)));
                    c.rh = static_cast<int>(rnd.below(static_cast<std::uint32_t>(b.height + 2)));
                    Bytes expected = dst.bytes;
                    rmodel::Dest md{kind, dw, dh, dst.image->pitch, expected.data() + guard, false};
                    rmodel::draw(sprite.model, md, c);
                    const imgRect rect{c.rx, c.ry, c.rw, c.rh};
                    call(image, dst.image.get(), c, c.nullRect ? nullptr : &rect, DrawParams{});
                    ASSERT_EQ(dst.bytes, expected)
                        << "seed " << seed << " step " << step << " change " << change << " kind " << kind;
                }
            }
        }
    });
}

namespace {

// A one-row sprite of width W whose opaque columns hold the given indices (0 is the key), with
// palette entry i = (i, i, i).
struct LineSprite {
    imgRle8CTy image;
    LineSprite(int W, const Bytes& indices, bool keyed = true)
    {
        std::uint8_t colours[256 * 4];
        for (int i = 0; i < 256; ++i) std::memset(colours + 4 * i, i, 4);
        palCTy pal;
        pal.Set(colours, 256);
        imgPelFmt fmt(9, &pal);
        image.Create(W, 1, &fmt);
        if (keyed) image.SetColorKey(0);
        image.Lock(nullptr, 0);
        std::memcpy(image.lockBuffer, indices.data(), indices.size());
        image.Unlock();
    }
};

}  // namespace

TEST(Rle8Draw, MirroredPlacementAndOperatorRoundingByWorkedPixels)
{
    // Width 10, bounds {2, 0, 5, 1}: mirrored at x = 0, columns 4..8 get sprite columns 6..2.
    LineSprite s(10, {0, 0, 12, 13, 14, 15, 16, 0, 0, 0});
    ASSERT_EQ(s.image.bounds.x, 2);
    Bytes pels(10 * 3, 1);
    imgPelFmt rgb(1, nullptr);
    imgRowCTy dst(10, 1, &rgb, pels.data(), 10);
    s.image.DrawMirrorH(&dst, 0, 0, nullptr);
    const Bytes mirrored{1, 1, 1, 1, 16, 15, 14, 13, 12, 1};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(pels[static_cast<std::size_t>(3 * x)], mirrored[static_cast<std::size_t>(x)]) << x;
    std::fill(pels.begin(), pels.end(), 1);
    const imgRect two{4, 0, 2, 1};
    s.image.DrawMirrorH(&dst, 0, 0, &two);
    EXPECT_EQ(pels[12], 16);
    EXPECT_EQ(pels[15], 15);
    EXPECT_EQ(pels[18], 1);

    // Constant alpha 128, white over white: 254 on rgb888, 255 on 32-bit. Mode 4 on rgb888:
    // 200 under 100 gives 78. Mode 5 on 32-bit: 255 stays 255, 128 stays 128.
    LineSprite white(1, {255}, false), grey(1, {100}, false), mid(1, {128}, false);
    const auto one = [](LineSprite& sp, int kind, std::uint8_t d, int mode, int alpha) {
        Bytes px(4, d);
        imgPelFmt fmt(kind, nullptr);
        imgRowCTy target(1, 1, &fmt, px.data(), 1);
        DrawParams p;
        p.mode = mode;
        p.alpha = alpha;
        sp.image.DrawEx(&target, 0, 0, nullptr, &p);
        return px[0];
    };
    EXPECT_EQ(one(white, 1, 255, 1, 128), 254);
    EXPECT_EQ(one(white, 2, 255, 1, 128), 255);
    EXPECT_EQ(one(grey, 1, 200, 4, 0), 78);
    EXPECT_EQ(one(white, 2, 255, 5, 0), 255);
    EXPECT_EQ(one(mid, 2, 128, 5, 0), 128);
    EXPECT_EQ(one(white, 1, 7, 1, 512), 255) << "alpha clamped to 256";
}

TEST(Rle8Draw, MendedFaults)
{
    // A sprite without palette draws nothing, with the palette's message.
    imgRle8CTy bare;
    bare.Create(4, 1, nullptr);
    bare.Lock(nullptr, 0);
    std::memset(bare.lockBuffer, 5, 4);
    bare.Unlock();
    Bytes pels(12, 9);
    imgPelFmt rgb(1, nullptr);
    imgRowCTy dst(4, 1, &rgb, pels.data(), 4);
    resetErrors();
    bare.Draw(&dst, 0, 0, nullptr);
    EXPECT_EQ(pels, Bytes(12, 9));
    EXPECT_NE(ctyError.code, 0);

    // Draw releases the caller's lock first, so it lands where asked, and leaves dst unlocked.
    LineSprite s(2, {7, 8}, false);
    const imgRect corner{2, 0, 1, 1};
    dst.Lock(&corner, 0);
    s.image.Draw(&dst, 0, 0, nullptr);
    EXPECT_EQ(pels[0], 7);
    EXPECT_EQ(pels[3], 8);
    EXPECT_EQ(pels[6], 9);
    EXPECT_EQ(dst.lockedPels, nullptr);

    // Float alpha: 2.0 asks 512 and draws as 256; NaN draws as 0.
    s.image.Draw(&dst, 2, 0, nullptr, 2.0f);
    EXPECT_EQ(pels[6], 7);
    s.image.Draw(&dst, 2, 0, nullptr, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(pels[6], 7);

    // The mirrored draws of a sprite INT_MAX wide and 0 high reflect its columns without
    // overflowing, and draw nothing.
    imgRle8CTy wide;
    wide.Create(std::numeric_limits<int>::max(), 0, nullptr);
    const Bytes before = pels;
    DrawParams p;
    for (const int mode : {0, 13}) {
        p.mode = mode;
        wide.DrawMirrorH(&dst, 0, 0, nullptr);
        wide.DrawExMirrorH(&dst, 0, 0, nullptr, &p);
    }
    EXPECT_EQ(pels, before);
}
