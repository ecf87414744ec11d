// The sprite blitter: a seeded sweep against the reference model, golden vectors, and each mended fault.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

#include "blitTestImage.h"
#include "sprite/blit/blitSelect.h"
#include "sprite/imgRowCTy.h"
#include "sprite/palCTy.h"
#include "spriteTestSupport.h"

namespace {

using namespace blittest;

// (route, destination group, slot) cells that drew at least one pixel in the sweep.
using Cells = std::set<std::tuple<int, int, int>>;

// One seeded case: a source of any kind (index images with random palettes of 0 to 256 colours)
// onto a random image, with random rectangle, offset, mode, scale, key, alpha map, depth images
// and caller locks; compared byte for byte with the model. With wideRows every image is wide and
// the draw unscaled and without depth images, the requests the vector rows take.
void sweepCase(std::uint64_t seed, Cells* cells = nullptr, bool wideRows = false)
{
    SeededRng r(seed);
    // Most cases keep every image the source's size and the rectangle inside it, so that they
    // draw; the rest go anywhere.
    const bool fits = r.below(4) != 0;
    int srcW = 0, srcH = 0;
    const auto makeImage = [&](int kind) {
        // One in four images is wide, for the loops that move rows in blocks of 8 to 32 bytes.
        const int w = fits && srcW != 0 ? srcW : wideRows || r.below(4) == 0 ? r.between(10, 70) : r.between(1, 9),
                  h = fits && srcH != 0 ? srcH : r.between(1, 9);
        auto image = std::make_unique<TestImage>(kind, w, h, w + r.between(0, 3));
        for (std::size_t i = guard; i < image->buf.size() - guard; ++i) image->buf[i] = r.edgeByte();
        return image;
    };
    static constexpr int srcKinds[] = {1, 2, 3, 4, 5, 6, 9, 9, 9};
    auto src = makeImage(srcKinds[r.below(9)]);
    srcW = src->w, srcH = src->h;
    const bool withPalette = src->kind == 9 ? r.below(5) != 0 : r.below(10) == 0;
    if (withPalette) src->setPalette(r, r.below(3) == 0 ? 256 : r.below(257));
    if (r.below(2) != 0) {
        // A key mostly the colour of a source pixel (for an index, of its palette entry), so
        // that some pixels match it; the low bits that 16-bit kinds cut off at random.
        std::uint8_t key[4] = {r.edgeByte(), r.edgeByte(), r.edgeByte(), r.edgeByte()};
        const std::uint8_t* p = src->at(r.between(0, src->w - 1), r.between(0, src->h - 1));
        const palCTy* palette = src->img->pelFmt.palette;
        if (src->kind == 9 && palette != nullptr && *p < palette->count) {
            std::memcpy(key, palette->entries + 4 * std::size_t{*p}, 4);
            if (r.below(3) == 0) key[r.below(3)] ^= static_cast<std::uint8_t>(r.below(8));
        } else if (src->kind != 9 && r.below(4) != 0) {
            int c[3];
            model::readChannels(src->kind, p, c);
            for (int i = 0; i < 3; ++i) {
                const int lowBits = src->kind < 4 ? 0 : i == 1 && src->kind == 4 ? 2 : 3;
                key[i] = static_cast<std::uint8_t>(c[i] | static_cast<int>(r.below(1u << lowBits)));
            }
            if (src->kind <= 3) key[3] = src->kind == 1 ? r.edgeByte() : p[3];
        }
        src->img->SetColorKeyRgba(key);
    }
    static constexpr int dstKinds[] = {1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 6, 0, 7, 9, 10};
    const int dstKind = dstKinds[r.below(16)];
    const bool self = dstKind == src->kind && r.below(5) == 0;
    std::unique_ptr<TestImage> dstOwn = self ? nullptr : makeImage(dstKind);
    if (dstOwn && r.below(dstKind == 9 ? 2 : 16) == 0) dstOwn->setPalette(r, r.below(4));
    TestImage& dst = self ? *src : *dstOwn;
    const int mapPick = r.between(0, 3);
    std::unique_ptr<TestImage> map = mapPick == 0 ? nullptr : makeImage(mapPick == 3 ? 1 : 9);
    const auto depthImage = [&](int none) -> std::unique_ptr<TestImage> {
        const int pick = r.between(0, 7);
        if (pick < none || wideRows) return nullptr;
        auto image = makeImage(pick == 1 ? 9 : 10);
        if (image->kind == 10)
            for (int y = 0; y < image->h; ++y)
                for (int x = 0; x < image->w; ++x) {
                    const std::int32_t d = r.below(4) == 0 ? static_cast<std::int32_t>(r.next()) : r.between(-2, 2) * 65536;
                    std::memcpy(image->at(x, y), &d, 4);
                }
        return image;
    };
    auto srcDepth = depthImage(4);
    auto dstDepth = depthImage(1);

    model::Request req;
    static constexpr int edgeInts[] = {INT_MIN, INT_MAX, -1};
    req.mode = r.below(10) == 0 ? edgeInts[r.below(3)] : (r.below(4) == 0 ? r.between(-1, 17) : r.between(0, 15));
    req.scaled = !wideRows && r.below(5) < 2 ? static_cast<std::int32_t>(r.next()) | 1 : 0;
    static constexpr int alphas[] = {0, 1, 127, 128, 255, 256, 257, -5, 512, INT_MIN, INT_MAX};
    req.alpha = r.below(2) == 0 ? r.between(0, 256) : alphas[r.below(11)];
    static const float scales[] = {1.0f, 2.0f, 0.5f, 0.2f, 3.0f, 1.5f, 0.75f, 0.0f, -1.0f, std::nanf(""),
                                   std::numeric_limits<float>::infinity(), 1e-6f, 1e9f};
    req.scaleX = scales[r.below(13)];
    req.scaleY = r.below(2) == 0 ? req.scaleX : scales[r.below(13)];
    req.x = r.below(16) == 0 ? edgeInts[r.below(3)] : r.between(-6, 10);
    req.y = r.below(16) == 0 ? edgeInts[r.below(3)] : r.between(-6, 10);
    req.wholeSource = r.below(4) == 0;
    req.rx = r.below(16) == 0 ? edgeInts[r.below(3)] : r.between(-4, 10);
    req.ry = r.between(-4, 10);
    req.rw = r.between(-2, 12);
    req.rh = r.between(-2, 12);
    if (fits) {
        req.x = r.between(-2, 2), req.y = r.between(-2, 2);
        req.rx = r.between(0, src->w - 1), req.ry = r.between(0, src->h - 1);
        req.rw = r.between(1, src->w - req.rx), req.rh = r.between(1, src->h - req.ry);
    }

    const DrawParams params = drawParamsOf(req, map ? map->img.get() : nullptr, srcDepth ? srcDepth->img.get() : nullptr,
                                           dstDepth ? dstDepth->img.get() : nullptr);
    const imgRect rect = rectOf(req);

    // The caller may hold locks anywhere inside an image; the draw must not read through them.
    for (TestImage* image : {src.get(), &dst, map.get(), srcDepth.get(), dstDepth.get()}) {
        if (image == nullptr || r.below(4) != 0) continue;
        const imgRect lock{r.between(0, image->w - 1), r.between(0, image->h - 1), 1, 1};
        image->img->Lock(&lock, static_cast<int>(r.below(2)));
    }

    const std::vector<std::uint8_t> mapBefore = map ? map->buf : std::vector<std::uint8_t>{};
    const std::vector<std::uint8_t> srcDepthBefore = srcDepth ? srcDepth->buf : std::vector<std::uint8_t>{};
    std::vector<std::uint8_t> before = src->buf, want = dst.buf;
    std::vector<std::uint8_t> wantDepth = dstDepth ? dstDepth->buf : std::vector<std::uint8_t>{};
    model::Image mapView, sdView, ddView;
    if (map) mapView = map->view(map->buf);
    if (srcDepth) sdView = srcDepth->view(srcDepth->buf);
    if (dstDepth) ddView = dstDepth->view(wantDepth);
    model::Image dstView = dst.view(want);
    const model::Result result = model::draw(src->view(before), dstView, map ? &mapView : nullptr, srcDepth ? &sdView : nullptr,
                                             dstDepth ? &ddView : nullptr, req);
    if (cells != nullptr && result.pixels > 0) cells->insert({result.route, result.dstGroup, result.slot});

    src->img->DrawEx(dst.img.get(), req.x, req.y, req.wholeSource ? nullptr : &rect, &params);

    const std::string loop = blitLoopName(std::min(result.route, 5), result.dstGroup, result.slot);
    const std::string context = "seed " + std::to_string(seed) + ", loop " + loop + ", model: " + result.what + ": ";
    if (dst.buf != want) ADD_FAILURE() << context << "destination " << firstDifference(dst, want, dst.buf);
    if (dstDepth && dstDepth->buf != wantDepth) ADD_FAILURE() << context << "depth " << firstDifference(*dstDepth, wantDepth, dstDepth->buf);
    if (!self && src->buf != before) ADD_FAILURE() << context << "the source changed";
    if ((map && map->buf != mapBefore) || (srcDepth && srcDepth->buf != srcDepthBefore))
        ADD_FAILURE() << context << "an image only read changed";
    EXPECT_TRUE(allUnlocked({src->img.get(), dst.img.get(), params.alphaMap, params.srcDepth, params.dstDepth})) << context;
}

TEST(Blit, MatchesTheReferenceModelOnSeededRequests)
{
    // Rerun one case with VELMOOR_BLIT_SEED=n.
    if (const char* one = std::getenv("VELMOOR_BLIT_SEED")) {
        sweepCase(std::strtoull(one, nullptr, 10));
        return;
    }
    Cells cells;
    onVectorAndScalarRows([&] {
        for (std::uint64_t seed = 1; seed <= 200000 && !HasFailure(); ++seed) sweepCase(seed, &cells);
    });
    if (HasFailure()) return;
    // Every cell of the table ran: five source groups and the palettized route onto five
    // destination groups, 48 slots each, and the two index copies.
    for (int route = 0; route <= 5; ++route)
        for (int dst = 0; dst < 5; ++dst)
            for (int slot = 0; slot < drawSlotCount; ++slot)
                EXPECT_TRUE(cells.count({route, dst, slot}) != 0) << blitLoopName(route, dst, slot) << " never ran";
    EXPECT_TRUE(cells.count({6, 5, 1}) != 0 && cells.count({6, 5, 7}) != 0) << "an index copy never ran";
}

TEST(Blit, WideUnscaledRowsMatchTheReferenceModel)
{
    // The general sweep gives a vector row few wide plain draws of its own pair.
    onVectorAndScalarRows([&] {
        for (std::uint64_t seed = 1; seed <= 40000 && !HasFailure(); ++seed) sweepCase(seed, nullptr, true);
    });
}

TEST(Blit, ARepeatedRequestFollowsItsKeyModeAndDestination)
{
    // Draws in a row on one thread that differ from the one before only in the key colour, the key
    // flag, the mode or the destination's kind: each draws as its own request.
    SeededRng r(5);
    for (const int kind : {2, 4, 9}) {
        TestImage src(kind, 7, 3, 9), dst(kind, 7, 3, 7), other(kind == 9 ? 9 : kind == 2 ? 1 : 5, 7, 3, 8);
        // Pixels all 0 or all 0xFF, the two keys below.
        const std::size_t bytes = static_cast<std::size_t>(model::bytesOf(kind));
        for (std::size_t i = guard; i + bytes <= src.buf.size() - guard; i += bytes)
            std::memset(&src.buf[i], r.below(2) != 0 ? 0xFF : 0x00, bytes);
        const std::uint8_t keys[2][4] = {{0, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0xFF}};
        struct Step {
            int mode, key;  // key -1: none
            TestImage* onto;
        };
        const Step steps[] = {{0, 0, &dst}, {0, 1, &dst}, {0, -1, &dst}, {0, 1, &dst}, {1, 1, &dst}, {7, 1, &dst}, {7, 1, &other}, {0, 0, &dst}};
        for (const Step& step : steps) {
            if (step.key >= 0) src.img->SetColorKeyRgba(keys[step.key]);
            else src.img->hasColorKey = 0;
            for (std::size_t i = guard; i < step.onto->buf.size() - guard; ++i) step.onto->buf[i] = r.edgeByte();
            model::Request req;
            req.mode = step.mode, req.alpha = 100, req.x = 1, req.wholeSource = true;
            std::vector<std::uint8_t> before = src.buf, want = step.onto->buf;
            model::Image wantView = step.onto->view(want);
            model::draw(src.view(before), wantView, nullptr, nullptr, nullptr, req);
            const DrawParams params = drawParamsOf(req, nullptr, nullptr, nullptr);
            src.img->DrawEx(step.onto->img.get(), req.x, req.y, nullptr, &params);
            EXPECT_EQ(step.onto->buf, want) << "kind " << kind << " mode " << step.mode << " key " << step.key << " onto kind "
                                            << step.onto->kind;
        }
    }
}

TEST(Blit, GaplessBlocksDrawAsTheModelAndLockAsTheGeneralPath)
{
    // Same-group copies between images whose rows have no gaps (pitch equal to width), blocks of 1
    // byte to 2.8 KiB, either side of the AVX2 move's least size, whole or cut at the top, and one cut at the side (gaps again), at every
    // level: the pixels against the model, and both images' lock records against the same draw
    // of a subclass, which goes the general way.
    struct General : imgRowCTy {
        using imgRowCTy::imgRowCTy;
    };
    const auto records = [](const imgCTy& image) {
        const imgRect& l = image.lockRect;
        return std::vector<int>{l.x, l.y, l.width, l.height, image.lockAccess, image.lockPitch};
    };
    SeededRng r(11);
    onVectorAndScalarRows([&] {
        for (const auto& [srcKind, dstKind] : {std::pair{1, 1}, {2, 2}, {2, 3}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {9, 9}})
            for (const auto& [w, h] : {std::pair{1, 1}, {3, 5}, {8, 2}, {16, 16}, {40, 5}, {70, 9}, {72, 10}})
                for (const auto& [x, y] : {std::pair{0, 0}, {0, -2}, {0, 3}, {-1, 0}}) {
                    TestImage src(srcKind, w, h, w), dst(dstKind, w, h + 3, w);
                    for (TestImage* image : {&src, &dst})
                        for (std::size_t i = guard; i < image->buf.size() - guard; ++i) image->buf[i] = r.edgeByte();
                    model::Request req;
                    req.mode = srcKind == 9 ? r.between(0, 15) : 0, req.x = x, req.y = y;
                    std::vector<std::uint8_t> before = src.buf, want = dst.buf, generalDst = dst.buf;
                    model::Image wantView = dst.view(want);
                    model::draw(src.view(before), wantView, nullptr, nullptr, nullptr, req);
                    const DrawParams params = drawParamsOf(req, nullptr, nullptr, nullptr);
                    const imgPelFmt srcFmt(srcKind, nullptr), dstFmt(dstKind, nullptr);
                    General generalFrom(w, h, &srcFmt, before.data() + guard, w), generalTo(w, h + 3, &dstFmt, generalDst.data() + guard, w);
                    src.img->DrawEx(dst.img.get(), x, y, nullptr, &params);
                    generalFrom.DrawEx(&generalTo, x, y, nullptr, &params);
                    const std::string what = "kinds " + std::to_string(srcKind) + " onto " + std::to_string(dstKind) + ", " +
                                             std::to_string(w) + "x" + std::to_string(h) + " at " + std::to_string(x) + ", " + std::to_string(y);
                    EXPECT_EQ(dst.buf, want) << what;
                    EXPECT_EQ(generalDst, want) << what << ", general path";
                    EXPECT_EQ(records(*src.img), records(generalFrom)) << what;
                    EXPECT_EQ(records(*dst.img), records(generalTo)) << what;
                    EXPECT_TRUE(allUnlocked({src.img.get(), dst.img.get()})) << what;
                }
    });
}

// ---- golden vectors ----

using Bytes = std::vector<std::uint8_t>;

// The two bytes of a 16-bit word in memory.
Bytes w16(unsigned v) { return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)}; }

// A 1 x 1 source pixel of srcKind drawn onto a 1 x 1 destination holding dstBytes; key: the
// source's key colour B, G, R, A, or none when empty.
Bytes drawOne(int srcKind, const Bytes& pel, int dstKind, const Bytes& dstBytes, int mode, int alpha = 0, int mapByte = -1,
              const Bytes& key = {})
{
    TestImage src(srcKind, 1, 1, 1), dst(dstKind, 1, 1, 1), map(9, 1, 1, 1);
    std::memcpy(src.pels(), pel.data(), pel.size());
    std::memcpy(dst.pels(), dstBytes.data(), dstBytes.size());
    *map.pels() = static_cast<std::uint8_t>(mapByte);
    if (!key.empty()) src.img->SetColorKeyRgba(key.data());
    DrawParams params;
    params.mode = mode, params.alpha = alpha;
    if (mapByte >= 0) params.alphaMap = map.img.get();
    src.img->DrawEx(dst.img.get(), 0, 0, nullptr, &params);
    return {dst.pels(), dst.pels() + dstBytes.size()};
}

TEST(Blit, OnePixelOfEachFormatAndModeGivesKnownBytes)
{
    struct Case {
        const char* what;
        int srcKind;
        Bytes pel;
        int dstKind;
        Bytes before, after;
        int mode, alpha, mapByte;
        Bytes key;
    };
    const Bytes black3{0, 0, 0}, white3{255, 255, 255};
    const Case cases[] = {
        {"white copied onto rgb888", 4, w16(0xFFFF), 1, {0, 0, 0}, {0xF8, 0xFC, 0xF8}, 0, 0, -1, {}},
        {"white copied onto rgbx8888 sets A", 4, w16(0xFFFF), 2, {0, 0, 0, 0}, {0xF8, 0xFC, 0xF8, 0xFF}, 0, 0, -1, {}},
        {"white copied onto rgba8888 sets A", 4, w16(0xFFFF), 3, {0, 0, 0, 0}, {0xF8, 0xFC, 0xF8, 0xFF}, 0, 0, -1, {}},
        {"red onto rgbx5551 keeps bit 15 set", 4, w16(0xF800), 5, {0x00, 0x80}, {0x00, 0xFC}, 0, 0, -1, {}},
        {"red onto rgbx5551 keeps bit 15 clear", 4, w16(0xF800), 5, {0x00, 0x00}, {0x00, 0x7C}, 0, 0, -1, {}},
        {"red onto rgba5551 sets bit 15", 4, w16(0xF800), 6, {0x00, 0x00}, {0x00, 0xFC}, 0, 0, -1, {}},
        {"lowest green bit onto 5551 is dropped", 4, w16(0x0020), 5, {0x00, 0x00}, {0x00, 0x00}, 0, 0, -1, {}},
        {"lowest green bit onto rgb888 is G 4", 4, w16(0x0020), 1, {0, 0, 0}, {0x00, 0x04, 0x00}, 0, 0, -1, {}},
        {"white onto rgbx5551 0x0000", 4, w16(0xFFFF), 5, {0x00, 0x00}, {0xFF, 0x7F}, 0, 0, -1, {}},
        {"modulate white over white rgb888", 4, w16(0xFFFF), 1, {0xFF, 0xFF, 0xFF}, {0xF7, 0xFB, 0xF7}, 4, 0, -1, {}},
        {"modulate white over white rgb565", 4, w16(0xFFFF), 4, {0xFF, 0xFF}, {0xDE, 0xF7}, 4, 0, -1, {}},
        {"modulate keeps A", 4, w16(0xFFFF), 2, {0xFF, 0xFF, 0xFF, 0x00}, {0xF7, 0xFB, 0xF7, 0x00}, 4, 0, -1, {}},
        {"map 255 white over black", 4, w16(0xFFFF), 1, {0, 0, 0}, {0xF7, 0xFB, 0xF7}, 3, 0, 255, {}},
        {"map 0 leaves the destination", 4, w16(0xFFFF), 1, {1, 2, 3}, {1, 2, 3}, 3, 0, 0, {}},
        {"alpha 256 writes the source", 4, w16(0xFFFF), 1, {0, 0, 0}, {0xF8, 0xFC, 0xF8}, 1, 256, -1, {}},
        {"add onto rgba5551 keeps bit 15 clear", 4, w16(0x0001), 6, {0x00, 0x00}, {0x01, 0x00}, 7, 0, -1, {}},
        {"plain rgbx5551 copy carries bit 15", 5, w16(0x8001), 5, {0x00, 0x00}, {0x01, 0x80}, 0, 0, -1, {}},
        {"plain rgba5551 copy carries bit 15 clear", 6, w16(0x0001), 6, {0x00, 0x80}, {0x01, 0x00}, 0, 0, -1, {}},
        // rgb888 sources
        {"07 03 07 onto rgb565 truncates to 0", 1, {7, 3, 7}, 4, {0x55, 0x55}, {0, 0}, 0, 0, -1, {}},
        {"white onto rgbx5551, bit 15 clear", 1, white3, 5, {0, 0}, w16(0x7FFF), 0, 0, -1, {}},
        {"white onto rgbx5551, bit 15 set", 1, white3, 5, {0, 0x80}, w16(0xFFFF), 0, 0, -1, {}},
        {"white onto rgba5551", 1, white3, 6, {0, 0}, w16(0xFFFF), 0, 0, -1, {}},
        {"alpha 128 white over black rgb565", 1, white3, 4, {0, 0}, w16(0x7BEF), 1, 128, -1, {}},
        {"alpha 128 white over black rgb888", 1, white3, 1, black3, {127, 127, 127}, 1, 128, -1, {}},
        {"alpha 128 of 1 over 1 rgb888: each product shifted", 1, {1, 1, 1}, 1, {1, 1, 1}, black3, 1, 128, -1, {}},
        {"modulate 255 by 255", 1, white3, 1, white3, {254, 254, 254}, 4, 0, -1, {}},
        {"modulate2x 255 by 128", 1, {128, 128, 128}, 1, white3, white3, 5, 0, -1, {}},
        {"addsigned2x 100 and 20", 1, {20, 20, 20}, 1, {100, 100, 100}, black3, 9, 0, -1, {}},
        {"addsmooth 128 and 255", 1, white3, 1, {128, 128, 128}, white3, 11, 0, -1, {}},
        {"addsigned per channel", 1, {0, 100, 100}, 1, {0, 100, 200}, {0, 72, 172}, 8, 0, -1, {}},
        {"subtract 5 minus 10", 1, {10, 10, 10}, 1, {5, 5, 5}, black3, 10, 0, -1, {}},
        // 32-bit sources
        {"fourth byte 0x7F clears bit 15", 2, {0, 0, 0, 0x7F}, 6, {0, 0x80}, w16(0x0000), 0, 0, -1, {}},
        {"fourth byte 0x80 sets bit 15", 3, {0, 0, 0, 0x80}, 6, {0, 0}, w16(0x8000), 0, 0, -1, {}},
        {"x byte 00 copied stays 00", 2, {1, 2, 3, 0}, 3, {9, 9, 9, 0xFF}, {1, 2, 3, 0}, 0, 0, -1, {}},
        {"add keeps rgba5551 bit 15", 2, {8, 8, 8, 0x80}, 6, {0, 0}, w16(0x0421), 7, 0, -1, {}},
        {"key compares the fourth byte: drawn", 2, {1, 2, 3, 4}, 1, black3, {1, 2, 3}, 0, 0, -1, {1, 2, 3, 5}},
        {"key compares the fourth byte: skipped", 2, {1, 2, 3, 4}, 1, black3, black3, 0, 0, -1, {1, 2, 3, 4}},
        {"kept apart d 0 s 255 a 128", 2, {255, 255, 255, 0}, 2, {0, 0, 0, 7}, {127, 127, 127, 7}, 1, 128, -1, {}},
        {"kept apart s = d = 1 a 128 sums first", 2, {1, 1, 1, 0}, 3, {1, 1, 1, 7}, {1, 1, 1, 7}, 1, 128, -1, {}},
        {"kept apart map 255 d 0 s 255", 2, {255, 255, 255, 0}, 2, {0, 0, 0, 7}, {254, 254, 254, 7}, 3, 0, 255, {}},
        {"kept apart modulate2x 200 by 200", 2, {200, 200, 200, 0}, 2, {200, 200, 200, 7}, {255, 255, 255, 7}, 5, 0, -1, {}},
        {"32-bit alpha onto rgb888 shifts each product", 2, {1, 1, 1, 0}, 1, {1, 1, 1}, black3, 1, 128, -1, {}},
        // rgba5551 sources
        {"blue key skips 0x801F", 6, w16(0x801F), 6, w16(0x1234), w16(0x1234), 0, 0, -1, {255, 0, 0, 0}},
        {"blue key draws 0x001F", 6, w16(0x001F), 6, w16(0x1234), w16(0x001F), 0, 0, -1, {255, 0, 0, 0}},
        {"0xFFFF onto rgb565", 6, w16(0xFFFF), 4, {0, 0}, w16(0xFFDF), 0, 0, -1, {}},
        {"0x7FFF onto rgb565", 6, w16(0x7FFF), 4, {0, 0}, w16(0xFFDF), 0, 0, -1, {}},
        {"0x7FFF onto 32-bit: A 0", 6, w16(0x7FFF), 2, {0, 0, 0, 0xFF}, {248, 248, 248, 0}, 0, 0, -1, {}},
        {"0xFFFF onto 32-bit: A 255", 6, w16(0xFFFF), 3, {0, 0, 0, 0}, {248, 248, 248, 0xFF}, 0, 0, -1, {}},
        {"0x7FFF over rgba5551 0x8000", 6, w16(0x7FFF), 6, w16(0x8000), w16(0x7FFF), 0, 0, -1, {}},
        {"0x7FFF over rgbx5551 0x8000", 6, w16(0x7FFF), 5, w16(0x8000), w16(0xFFFF), 0, 0, -1, {}},
        {"alpha 128 of 0x7FFF over rgba5551 0x8000", 6, w16(0x7FFF), 6, w16(0x8000), w16(0xBDEF), 1, 128, -1, {}},
        {"alpha 128 of 0x7FFF over rgb565 0", 6, w16(0x7FFF), 4, {0, 0}, w16(0x7BEF), 1, 128, -1, {}},
        {"modulate 0x7FFF on 50 100 200", 6, w16(0x7FFF), 1, {50, 100, 200}, {48, 96, 193}, 4, 0, -1, {}},
        // rgbx5551 sources
        {"0x4210 onto rgb565", 5, w16(0x4210), 4, {0, 0}, w16(0x8410), 0, 0, -1, {}},
        {"0x9234 kept on rgbx5551", 5, w16(0x9234), 5, {0, 0}, w16(0x9234), 0, 0, -1, {}},
        {"0x1234 onto rgba5551", 5, w16(0x1234), 6, {0, 0}, w16(0x9234), 0, 0, -1, {}},
        {"key 0x1234 skips 0x9234", 5, w16(0x9234), 1, black3, black3, 0, 0, -1, {160, 136, 32, 0}},
        {"modulate 0x7FFF on 200", 5, w16(0x7FFF), 2, {200, 200, 200, 9}, {193, 193, 193, 9}, 4, 0, -1, {}},
        // rgb565 onto rgb565, kept apart
        {"565 d 31 s 0 a 128", 4, w16(0x0000), 4, w16(0x001F), w16(0x000F), 1, 128, -1, {}},
        {"565 map 255 d 0 s 31", 4, w16(0x001F), 4, w16(0x0000), w16(0x001E), 3, 0, 255, {}},
        {"565 0x001F minus 0x0001", 4, w16(0x0001), 4, w16(0x001F), w16(0x001E), 10, 0, -1, {}},
        {"565 0x0001 minus 0x001F", 4, w16(0x001F), 4, w16(0x0001), w16(0x0000), 10, 0, -1, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(drawOne(c.srcKind, c.pel, c.dstKind, c.before, c.mode, c.alpha, c.mapByte, c.key), c.after) << c.what;
}

TEST(Blit, Rgb888KeySkipsOnlyItsColourInEveryKeyedSlot)
{
    // Every keyed request onto each destination: pixel 0 (the key) stays, pixel 1 draws as unkeyed.
    const std::uint8_t key[4] = {0x10, 0x20, 0x30, 0};
    for (int dstKind = 1; dstKind <= 6; ++dstKind)
        for (int scaled = 0; scaled < 2; ++scaled)
            for (int mode = 0; mode <= 15; ++mode)
                for (int depth = 0; depth < 2; ++depth) {
                    Bytes got[2];
                    for (int keyed = 0; keyed < 2; ++keyed) {
                        TestImage src(1, 2, 1, 2), dst(dstKind, 2, 1, 2), map(9, 2, 1, 2), sd(10, 2, 1, 2), dd(10, 2, 1, 2);
                        const std::uint8_t pels[6] = {0x10, 0x20, 0x30, 0x10, 0x20, 0x31};
                        std::memcpy(src.pels(), pels, 6);
                        std::memset(dst.pels(), 0x44, dst.buf.size() - 2 * guard);
                        std::memset(map.pels(), 0x80, 2);
                        std::memset(sd.pels(), 0x11, 8);
                        std::memset(dd.pels(), 0, 8);
                        if (keyed) src.img->SetColorKeyRgba(key);
                        DrawParams params;
                        params.mode = mode, params.scaled = scaled, params.alpha = 100, params.alphaMap = map.img.get();
                        if (depth) params.srcDepth = sd.img.get(), params.dstDepth = dd.img.get();
                        src.img->DrawEx(dst.img.get(), 0, 0, nullptr, &params);
                        got[keyed] = dst.buf;
                    }
                    const std::size_t bytes = static_cast<std::size_t>(model::bytesOf(dstKind));
                    const std::string what = "kind " + std::to_string(dstKind) + " mode " + std::to_string(mode) +
                                             " scaled " + std::to_string(scaled) + " depth " + std::to_string(depth);
                    EXPECT_EQ(Bytes(got[1].begin() + guard, got[1].begin() + guard + bytes), Bytes(bytes, 0x44)) << what;
                    EXPECT_TRUE(std::equal(got[1].begin() + guard + bytes, got[1].end(), got[0].begin() + guard + bytes)) << what;
                }
}

// Which source column each destination column of a stretch takes, along one row.
std::vector<int> stretchColumns(float scale, int rectX, int count)
{
    TestImage src(4, 64, 1, 64), dst(4, count, 1, count);
    for (int x = 0; x < 64; ++x) model::setWord(src.at(x, 0), static_cast<unsigned>(x));
    DrawParams params;
    params.mode = static_cast<int>(DrawMode::Stretch);
    params.scaleX = scale;
    const imgRect rect{rectX, 0, count, 1};
    src.img->DrawEx(dst.img.get(), -rectX, 0, &rect, &params);
    std::vector<int> cols;
    for (int x = 0; x < count; ++x) cols.push_back(static_cast<int>(model::word(dst.at(x, 0))));
    return cols;
}

TEST(Blit, StretchSamplesInDestinationUnits)
{
    EXPECT_EQ(stretchColumns(3.0f, 0, 5), (std::vector<int>{0, 0, 0, 0, 1}));
    EXPECT_EQ(stretchColumns(0.2f, 0, 6), (std::vector<int>{0, 4, 9, 14, 19, 24}));
    EXPECT_EQ(stretchColumns(2.0f, 10, 2), (std::vector<int>{5, 5}));
}

TEST(Blit, EightyFourOfTheRequestsOfAColourPairDraw)
{
    // scaled x mode 0..16 x depth x key: 136 requests, for every source group and the
    // palettized route onto each destination kind 1 to 6; kinds 7 to 10 draw none.
    for (int src = 0; src <= blit::groupCount; ++src)
        for (int dstKind = 1; dstKind <= 10; ++dstKind) {
            int drawn = 0;
            for (int scaled = 0; scaled < 2; ++scaled)
                for (std::uint32_t mode = 0; mode <= 16; ++mode)
                    for (int depth = 0; depth < 2; ++depth)
                        for (int key = 0; key < 2; ++key) {
                            const int slot = blitRequestSlot(mode, scaled, key, depth);
                            drawn += (src == blit::groupCount ? blitPalCell(blitGroupOf(dstKind), slot)
                                                              : blitCell(src, blitGroupOf(dstKind), slot)) != nullptr;
                        }
            EXPECT_EQ(drawn, dstKind <= 6 ? 84 : 0) << "source " << src << " onto kind " << dstKind;
        }
}

TEST(Blit, OpacityOfTheFloatWrapper)
{
    struct Capture : imgRowCTy {
        void DrawEx(imgCTy*, int, int, const imgRect*, const DrawParams* p) override { alpha = p->alpha; }
        std::int32_t alpha = -1;
    } image;
    const std::pair<float, std::int32_t> cases[] = {{1.0f, 256}, {0.5f, 128}, {0.999f, 255}, {-0.5f, -128}, {2.0f, 512},
                                                    {std::nanf(""), 0}, {1e30f, INT32_MAX}, {-1e30f, INT32_MIN}};
    for (auto [opacity, alpha] : cases) {
        image.Draw(&image, 0, 0, nullptr, opacity);
        EXPECT_EQ(image.alpha, alpha) << opacity;
    }
    // 2.0 asks 512, which draws as 256 instead of wrapping the channel bytes.
    TestImage src(4, 1, 1, 1), dst(1, 1, 1, 1);
    model::setWord(src.pels(), 0xFFFF);
    src.img->Draw(dst.img.get(), 0, 0, nullptr, 2.0f);
    EXPECT_EQ(dst.buf[guard + 1], 0xFC);
}

// ---- faults mended, each shown once ----

TEST(Blit, SelfDrawReadsThePixelsBeforeTheDraw)
{
    TestImage image(4, 4, 1, 4);
    for (int x = 0; x < 4; ++x) model::setWord(image.at(x, 0), 10u + static_cast<unsigned>(x));
    image.img->Draw(image.img.get(), 1, 0, nullptr);
    std::vector<unsigned> got;
    for (int x = 0; x < 4; ++x) got.push_back(model::word(image.at(x, 0)));
    EXPECT_EQ(got, (std::vector<unsigned>{10, 10, 11, 12}));
    DrawParams params;
    params.mode = static_cast<int>(DrawMode::Stretch);
    params.scaleX = 2.0f;
    image.img->DrawEx(image.img.get(), 0, 0, nullptr, &params);  // samples 0, 0, 1, 1 of the old row
    got.clear();
    for (int x = 0; x < 4; ++x) got.push_back(model::word(image.at(x, 0)));
    EXPECT_EQ(got, (std::vector<unsigned>{10, 10, 10, 10}));
}

TEST(Blit, CallerLockedMapAndDepthAreReadAtTheSourceRectangle)
{
    TestImage src(4, 2, 1, 2), dst(1, 2, 1, 2), map(9, 2, 1, 2);
    model::setWord(src.at(0, 0), 0xFFFF), model::setWord(src.at(1, 0), 0xFFFF);
    *map.at(0, 0) = 0, *map.at(1, 0) = 255;
    std::memset(dst.pels(), 0, 6);
    const imgRect first{0, 0, 1, 1}, second{1, 0, 1, 1};
    map.img->Lock(&first, 1);
    src.img->DrawMasked(dst.img.get(), -1, 0, &second, map.img.get());
    EXPECT_EQ(*dst.at(0, 0), 0xF7) << "map byte of pixel 1, not of the caller's lock at pixel 0";
    EXPECT_EQ(map.img->lockedPels, nullptr);
}

TEST(Blit, MissingOrWrongImagesDrawNothing)
{
    TestImage src(4, 1, 1, 1), dst(1, 1, 1, 1), wrong(1, 1, 1, 1), depth(10, 1, 1, 1);
    const std::int32_t high = 1 << 20;
    std::memcpy(depth.pels(), &high, 4);
    struct Case {
        const char* what;
        int mode;
        imgCTy *map, *srcDepth, *dstDepth;
    };
    const Case cases[] = {{"mode 3 without an alpha map", 3, nullptr, nullptr, nullptr},
                          {"mode 3 with a map not of kind 9", 3, wrong.img.get(), nullptr, nullptr},
                          {"source depth without destination depth", 0, nullptr, depth.img.get(), nullptr},
                          {"depth image not of kind 10", 4, nullptr, wrong.img.get(), depth.img.get()}};
    for (const Case& c : cases) {
        model::setWord(src.pels(), 0xFFFF);
        std::memset(dst.pels(), 0x11, 3);
        DrawParams params;
        params.mode = c.mode, params.alphaMap = c.map, params.srcDepth = c.srcDepth, params.dstDepth = c.dstDepth;
        src.img->DrawEx(dst.img.get(), 0, 0, nullptr, &params);
        EXPECT_EQ(dst.buf[guard], 0x11) << c.what;
    }
}

TEST(Blit, BadScalesDrawNothing)
{
    for (float scale : {0.0f, -2.0f, std::nanf(""), std::numeric_limits<float>::infinity(), 1e-6f}) {
        TestImage src(4, 2, 2, 2), dst(1, 2, 2, 2);
        std::memset(src.pels(), 0xFF, 8);
        std::memset(dst.pels(), 0x11, 12);
        DrawParams params;
        params.mode = static_cast<int>(DrawMode::Copy), params.scaled = 1, params.scaleX = scale;
        src.img->DrawEx(dst.img.get(), 0, 0, nullptr, &params);
        EXPECT_EQ(dst.buf[guard], 0x11) << scale;
    }
}

// Draws with a recovery point registered; true when the error post jumped back to it.
bool drawJumpedBack(imgCTy* src, imgCTy* dst, int x, const imgRect* rect, const DrawParams* params)
{
    static ctyRecoveryPoint point;
    ctyError.recovery = &point;
    if (setjmp(point.jump) != 0) return true;
    src->DrawEx(dst, x, 0, rect, params);
    return false;
}

TEST(Blit, NoImageStaysLockedOnAnyPath)
{
    palCTy palette;
    const std::uint8_t grey[4] = {9, 9, 9, 0};
    palette.Set(grey, 1);
    enum Path { Empty, ClippedAway, Unserved, RefusedStop, RefusedJump };
    for (Path path : {Empty, ClippedAway, Unserved, RefusedStop, RefusedJump}) {
        resetErrors();
        TestImage src(4, 2, 2, 2), dst(1, 2, 2, 2), map(9, 2, 2, 2), sd(10, 2, 2, 2), dd(10, 2, 2, 2);
        if (path >= RefusedStop) dst.img->SetPalette(palette);
        const imgRect one{0, 0, 1, 1}, empty{0, 0, 0, 5};
        for (TestImage* image : {&src, &dst, &map, &sd, &dd}) image->img->Lock(&one, 0);
        DrawParams params;
        params.mode = path == Unserved ? 2 : 4;
        params.alphaMap = map.img.get(), params.srcDepth = sd.img.get(), params.dstDepth = dd.img.get();
        const int x = path == ClippedAway ? 50 : 0;
        const imgRect* rect = path == Empty ? &empty : nullptr;
        if (path == RefusedStop) ctyError.handler = [] { ctyError.answer = static_cast<std::int8_t>(ctyStopAnswer); };
        if (path == RefusedJump)
            EXPECT_TRUE(drawJumpedBack(src.img.get(), dst.img.get(), x, rect, &params));
        else
            src.img->DrawEx(dst.img.get(), x, 0, rect, &params);
        EXPECT_TRUE(allUnlocked({src.img.get(), dst.img.get(), map.img.get(), sd.img.get(), dd.img.get()})) << path;
        if (path >= RefusedStop) {
            EXPECT_EQ(lastMessage(), "imgCTy::Draw: This is not impelmetned yet");
        }
        resetErrors();
    }
}

}  // namespace
