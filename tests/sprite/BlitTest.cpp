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
#include <vector>

#include "BlitRequest.h"
#include "sprite/blit/BlitSelect.h"
#include "sprite/imgRowCTy.h"
#include "sprite/palCTy.h"
#include "sprite_test_support.h"

namespace {

constexpr std::size_t guard = 16;
constexpr std::uint8_t guardByte = 0xA5;

// A row image over its own buffer with guard bytes on both sides; the model sees the same bytes.
struct TestImage {
    TestImage(int kind, int w, int h, int pitch)
        : kind(kind), w(w), h(h), pitch(pitch),
          buf(2 * guard + static_cast<std::size_t>(pitch) * h * model::bytesOf(kind), guardByte)
    {
        const imgPelFmt fmt(kind, nullptr);
        img = std::make_unique<imgRowCTy>(w, h, &fmt, pels(), pitch);
    }
    std::uint8_t* pels() { return buf.data() + guard; }
    std::uint8_t* at(int x, int y) { return pels() + (static_cast<std::size_t>(y) * pitch + x) * model::bytesOf(kind); }
    // The model's view of these bytes, or of another buffer of the same layout.
    model::Image view(std::vector<std::uint8_t>& bytes)
    {
        model::Image v;
        v.kind = kind, v.w = w, v.h = h, v.pitch = pitch, v.pels = bytes.data() + guard;
        v.keyed = img->hasColorKey != 0;
        std::memcpy(v.key, img->colorKeyRgba, 4);
        return v;
    }
    int kind, w, h, pitch;
    std::vector<std::uint8_t> buf;
    std::unique_ptr<imgRowCTy> img;
};

bool allUnlocked(std::initializer_list<imgCTy*> images)
{
    for (imgCTy* image : images)
        if (image != nullptr && image->lockedPels != nullptr) return false;
    return true;
}

// The first byte where two buffers differ, as a pixel of the image.
std::string firstDifference(const TestImage& image, const std::vector<std::uint8_t>& want, const std::vector<std::uint8_t>& got)
{
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (want[i] == got[i]) continue;
        std::string where = "guard byte " + std::to_string(i);
        if (i >= guard && i < want.size() - guard) {
            const std::size_t pel = (i - guard) / static_cast<std::size_t>(model::bytesOf(image.kind));
            where = "pixel (" + std::to_string(pel % image.pitch) + ", " + std::to_string(pel / image.pitch) + ") byte " +
                    std::to_string((i - guard) % model::bytesOf(image.kind));
        }
        return where + ": expected " + std::to_string(want[i]) + ", got " + std::to_string(got[i]);
    }
    return {};
}

// One seeded case: rgb565 source onto a random image, with random rectangle, offset, mode,
// scale, key, alpha map, depth images and caller locks; compared byte for byte with the model.
void sweepCase(std::uint64_t seed)
{
    TestRandom r(seed);
    const auto between = [&r](int lo, int hi) { return lo + static_cast<int>(r.below(static_cast<std::uint32_t>(hi - lo + 1))); };
    const auto makeImage = [&](int kind) {
        const int w = between(1, 9), h = between(1, 9);
        auto image = std::make_unique<TestImage>(kind, w, h, w + between(0, 3));
        for (std::size_t i = guard; i < image->buf.size() - guard; ++i) image->buf[i] = r.byte();
        return image;
    };
    auto src = makeImage(4);
    if (r.below(2) != 0) {
        // A key mostly taken from a source pixel, so that some pixels match it.
        const unsigned v = model::word(src->at(between(0, src->w - 1), between(0, src->h - 1)));
        std::uint8_t key[4] = {static_cast<std::uint8_t>((v & 31) << 3 | r.below(8)), static_cast<std::uint8_t>(((v >> 5) & 63) << 2 | r.below(4)),
                               static_cast<std::uint8_t>((v >> 11) << 3 | r.below(8)), r.byte()};
        if (r.below(4) == 0) key[0] = r.byte();
        src->img->SetColorKeyRgba(key);
    }
    static constexpr int dstKinds[] = {1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 6, 0, 7, 9, 10};
    const int dstKind = dstKinds[r.below(16)];
    const bool self = dstKind == 4 && r.below(5) == 0;
    std::unique_ptr<TestImage> dstOwn = self ? nullptr : makeImage(dstKind);
    TestImage& dst = self ? *src : *dstOwn;
    const int mapPick = between(0, 3);
    std::unique_ptr<TestImage> map = mapPick == 0 ? nullptr : makeImage(mapPick == 3 ? 1 : 9);
    const auto depthImage = [&]() -> std::unique_ptr<TestImage> {
        const int pick = between(0, 5);
        if (pick == 0) return nullptr;
        auto image = makeImage(pick == 1 ? 9 : 10);
        if (image->kind == 10)
            for (int y = 0; y < image->h; ++y)
                for (int x = 0; x < image->w; ++x) {
                    const std::int32_t d = r.below(4) == 0 ? static_cast<std::int32_t>(r.next()) : between(-2, 2) * 65536;
                    std::memcpy(image->at(x, y), &d, 4);
                }
        return image;
    };
    auto srcDepth = depthImage();
    auto dstDepth = depthImage();

    model::Request req;
    static constexpr int edgeInts[] = {INT_MIN, INT_MAX, -1};
    req.mode = r.below(10) == 0 ? edgeInts[r.below(3)] : between(-1, 17);
    req.scaled = r.below(3) == 0 ? static_cast<std::int32_t>(r.next()) | 1 : 0;
    static constexpr int alphas[] = {0, 1, 127, 128, 255, 256, 257, -5, 512, INT_MIN, INT_MAX};
    req.alpha = r.below(2) == 0 ? between(0, 256) : alphas[r.below(11)];
    static const float scales[] = {1.0f, 2.0f, 0.5f, 0.2f, 3.0f, 1.5f, 0.75f, 0.0f, -1.0f, std::nanf(""),
                                   std::numeric_limits<float>::infinity(), 1e-6f, 1e9f};
    req.scaleX = scales[r.below(13)];
    req.scaleY = r.below(2) == 0 ? req.scaleX : scales[r.below(13)];
    req.x = r.below(16) == 0 ? edgeInts[r.below(3)] : between(-6, 10);
    req.y = r.below(16) == 0 ? edgeInts[r.below(3)] : between(-6, 10);
    req.wholeSource = r.below(4) == 0;
    req.rx = r.below(16) == 0 ? edgeInts[r.below(3)] : between(-4, 10);
    req.ry = between(-4, 10);
    req.rw = between(-2, 12);
    req.rh = between(-2, 12);

    const DrawParams params = drawParamsOf(req, map ? map->img.get() : nullptr, srcDepth ? srcDepth->img.get() : nullptr,
                                           dstDepth ? dstDepth->img.get() : nullptr);
    const imgRect rect = rectOf(req);

    // The caller may hold locks anywhere inside an image; the draw must not read through them.
    for (TestImage* image : {src.get(), &dst, map.get(), srcDepth.get(), dstDepth.get()}) {
        if (image == nullptr || r.below(4) != 0) continue;
        const imgRect lock{between(0, image->w - 1), between(0, image->h - 1), 1, 1};
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
    const std::string what = model::draw(src->view(before), dstView, map ? &mapView : nullptr, srcDepth ? &sdView : nullptr,
                                         dstDepth ? &ddView : nullptr, req);

    src->img->DrawEx(dst.img.get(), req.x, req.y, req.wholeSource ? nullptr : &rect, &params);

    const int slot = blitSlotFor(static_cast<std::uint32_t>(req.mode), req.scaled != 0, src->img->hasColorKey != 0, srcDepth != nullptr);
    const std::string loop = blitLoopName(blitGroupOf(4), blitGroupOf(dstKind), slot);
    const std::string context = "seed " + std::to_string(seed) + ", loop " + loop + ", model: " + what + ": ";
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
    for (std::uint64_t seed = 1; seed <= 30000 && !HasFailure(); ++seed) sweepCase(seed);
}

// ---- golden vectors ----

// A 1 x 1 source word of srcKind drawn onto a 1 x 1 destination holding dstBytes.
std::vector<std::uint8_t> drawOne(int srcKind, unsigned v, int dstKind, std::vector<std::uint8_t> dstBytes, int mode,
                                  int alpha = 0, int mapByte = -1)
{
    TestImage src(srcKind, 1, 1, 1), dst(dstKind, 1, 1, 1), map(9, 1, 1, 1);
    model::setWord(src.pels(), v);
    std::memcpy(dst.pels(), dstBytes.data(), dstBytes.size());
    *map.pels() = static_cast<std::uint8_t>(mapByte);
    DrawParams params;
    params.mode = mode, params.alpha = alpha;
    if (mapByte >= 0) params.alphaMap = map.img.get();
    src.img->DrawEx(dst.img.get(), 0, 0, nullptr, &params);
    return {dst.pels(), dst.pels() + dstBytes.size()};
}

TEST(Blit, GoldenVectors)
{
    using B = std::vector<std::uint8_t>;
    struct Case {
        const char* what;
        int srcKind;
        unsigned v;
        int dstKind;
        B before, after;
        int mode, alpha, mapByte;
    };
    const Case cases[] = {
        {"white copied onto rgb888", 4, 0xFFFF, 1, {0, 0, 0}, {0xF8, 0xFC, 0xF8}, 0, 0, -1},
        {"white copied onto rgbx8888 sets A", 4, 0xFFFF, 2, {0, 0, 0, 0}, {0xF8, 0xFC, 0xF8, 0xFF}, 0, 0, -1},
        {"white copied onto rgba8888 sets A", 4, 0xFFFF, 3, {0, 0, 0, 0}, {0xF8, 0xFC, 0xF8, 0xFF}, 0, 0, -1},
        {"red onto rgbx5551 keeps bit 15 set", 4, 0xF800, 5, {0x00, 0x80}, {0x00, 0xFC}, 0, 0, -1},
        {"red onto rgbx5551 keeps bit 15 clear", 4, 0xF800, 5, {0x00, 0x00}, {0x00, 0x7C}, 0, 0, -1},
        {"red onto rgba5551 sets bit 15", 4, 0xF800, 6, {0x00, 0x00}, {0x00, 0xFC}, 0, 0, -1},
        {"lowest green bit onto 5551 is dropped", 4, 0x0020, 5, {0x00, 0x00}, {0x00, 0x00}, 0, 0, -1},
        {"lowest green bit onto rgb888 is G 4", 4, 0x0020, 1, {0, 0, 0}, {0x00, 0x04, 0x00}, 0, 0, -1},
        {"white onto rgbx5551 0x0000", 4, 0xFFFF, 5, {0x00, 0x00}, {0xFF, 0x7F}, 0, 0, -1},
        {"modulate white over white rgb888", 4, 0xFFFF, 1, {0xFF, 0xFF, 0xFF}, {0xF7, 0xFB, 0xF7}, 4, 0, -1},
        {"modulate white over white rgb565", 4, 0xFFFF, 4, {0xFF, 0xFF}, {0xDE, 0xF7}, 4, 0, -1},
        {"modulate keeps A", 4, 0xFFFF, 2, {0xFF, 0xFF, 0xFF, 0x00}, {0xF7, 0xFB, 0xF7, 0x00}, 4, 0, -1},
        {"map 255 white over black", 4, 0xFFFF, 1, {0, 0, 0}, {0xF7, 0xFB, 0xF7}, 3, 0, 255},
        {"map 0 leaves the destination", 4, 0xFFFF, 1, {1, 2, 3}, {1, 2, 3}, 3, 0, 0},
        {"alpha 256 writes the source", 4, 0xFFFF, 1, {0, 0, 0}, {0xF8, 0xFC, 0xF8}, 1, 256, -1},
        {"add onto rgba5551 keeps bit 15 clear", 4, 0x0001, 6, {0x00, 0x00}, {0x01, 0x00}, 7, 0, -1},
        {"plain rgbx5551 copy carries bit 15", 5, 0x8001, 5, {0x00, 0x00}, {0x01, 0x80}, 0, 0, -1},
        {"plain rgba5551 copy carries bit 15 clear", 6, 0x0001, 6, {0x00, 0x80}, {0x01, 0x00}, 0, 0, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(drawOne(c.srcKind, c.v, c.dstKind, c.before, c.mode, c.alpha, c.mapByte), c.after) << c.what;
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
    // scaled x mode 0..16 x depth x key: 136 requests. rgb565 onto rgb565 leaves 24 of them
    // to the kept-apart blend loops.
    for (int dstKind = 1; dstKind <= 6; ++dstKind) {
        int drawn = 0;
        for (int scaled = 0; scaled < 2; ++scaled)
            for (std::uint32_t mode = 0; mode <= 16; ++mode)
                for (int depth = 0; depth < 2; ++depth)
                    for (int key = 0; key < 2; ++key)
                        drawn += blitCell(blitGroupOf(4), blitGroupOf(dstKind), blitSlotFor(mode, scaled, key, depth)) != nullptr;
        EXPECT_EQ(drawn, dstKind == 4 ? 60 : 84) << "kind " << dstKind;
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
