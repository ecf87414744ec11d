// Resampling golden vectors: nearest columns, collector arithmetic, fetch addresses, driver cases.
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "img/image_row.h"
#include "img/resample.h"
#include "img/resample_fetch.h"
#include "img_test_support.h"

namespace {

using namespace talvo::g;

// ---- nearest ----

TEST(ResampleGolden, NearestColumnsAndRows) {
    struct Row {
        std::int32_t from;
        std::vector<std::uint8_t> picked;
    };
    const Row rows[] = {{4, {1, 3}}, {2, {0, 0, 1, 1}}, {3, {0, 2}}, {5, {2}}, {1, {0, 0, 0}}, {10, {1, 4, 8}},
                        {3, {0, 0, 0, 1, 1, 1, 1, 2, 2, 2}}};
    for (const Row& r : rows) {
        const std::int32_t n = r.from, t = std::int32_t(r.picked.size());
        std::vector<std::uint8_t> src(static_cast<std::size_t>(n)), across(static_cast<std::size_t>(t)), down(across);
        for (std::int32_t k = 0; k < n; ++k) src[static_cast<std::size_t>(k)] = std::uint8_t(k);
        resampleNearest<1>(across.data(), t, t, 1, src.data(), n, n, 1);
        resampleNearest<1>(down.data(), 1, 1, t, src.data(), 1, 1, n);
        EXPECT_EQ(across, r.picked) << n << " -> " << t;
        EXPECT_EQ(down, r.picked) << n << " -> " << t << " rows";
    }
}

// ---- collectors ----

Rgb888 rgb(std::uint8_t b, std::uint8_t g, std::uint8_t r) { return Rgb888::fromValue(std::uint32_t{r} << 16 | g << 8 | b); }

TEST(ResampleGolden, Collectors) {
    const Rgb888 key = rgb(255, 0, 255);
    RGBCollectorVoid<Rgb888> keyed(key);
    keyed.add2x2(key, key, rgb(10, 20, 30), rgb(30, 40, 50), 0x8000, 0x3000);
    EXPECT_EQ(keyed.result(), rgb(20, 30, 40));
    keyed.add2x2(key, key, key, key, 0x1234, 0x4321);
    EXPECT_EQ(keyed.result(), key);
    keyed.addPair(key, rgb(100, 100, 100), 0x4000);
    EXPECT_EQ(keyed.result(), rgb(100, 100, 100));
    keyed.add(rgb(1, 2, 3));
    (void)keyed.result();
    keyed.add(rgb(7, 8, 9));
    EXPECT_EQ(keyed.result(), rgb(7, 8, 9)) << "a result starts the next pixel from zero";

    RGBCollector<Rgb565> r565;
    r565.add(Rgb565::fromValue(30u << 11));
    r565.add(Rgb565::fromValue(31u << 11));
    EXPECT_EQ(r565.result().value(), 30u << 11);

    RGBACollector<Rgba5551> r5551;
    const auto alpha = [](std::uint32_t a) { return Rgba5551::fromValue(a << 15 | 0x1234); };
    r5551.add2x2(alpha(1), alpha(1), alpha(1), alpha(0), 0x8000, 0x8000);
    EXPECT_EQ(r5551.result().value() >> 15, 0u);
    r5551.add2x2(alpha(1), alpha(1), alpha(1), alpha(0), 0, 0);
    EXPECT_EQ(r5551.result().value() >> 15, 1u);

    // Bit 15 is x in Rgbx5551 (a key sample) but alpha in Rgba5551 (a colour).
    RGBCollectorVoid<Rgbx5551> x5551(Rgbx5551::fromValue(0x0421));
    x5551.add(Rgbx5551::fromValue(0x8421));
    EXPECT_EQ(x5551.result().value(), 0x0421u);
    RGBACollectorVoid<Rgba5551> a5551(Rgba5551::fromValue(0x0421));
    a5551.add(Rgba5551::fromValue(0x8421));
    EXPECT_EQ(a5551.result().value(), 0x8421u);
}

// ---- fetch addresses ----

// Records the pixels and fractions a fetch hands on; pixel values are 16 x column + row.
struct Recorder {
    std::vector<std::uint32_t> seen;
    std::uint32_t fx = 0, fy = 0;
    void add2x2(const Rgbx8888& a, const Rgbx8888& b, const Rgbx8888& c, const Rgbx8888& d, std::uint32_t x,
                std::uint32_t y) {
        seen = {a.value(), b.value(), c.value(), d.value()};
        fx = x;
        fy = y;
    }
    void addPair(const Rgbx8888& a, const Rgbx8888& b, std::uint32_t f) {
        seen = {a.value(), b.value()};
        fx = f;
    }
};

using FetchFn = void (*)(const std::uint8_t*, std::int32_t, std::int32_t, std::int32_t, std::int64_t, std::int64_t,
                         Recorder&);
template <bool Wx, bool Wy>
constexpr std::array<FetchFn, 3> shapes = {&fetchSample<Rgbx8888, Wx, Wy, FetchShape::square, Recorder>,
                                           &fetchSample<Rgbx8888, Wx, Wy, FetchShape::pairX, Recorder>,
                                           &fetchSample<Rgbx8888, Wx, Wy, FetchShape::pairY, Recorder>};
// By mode 1 to 4 (index 0 to 3), then shape.
constexpr std::array<std::array<FetchFn, 3>, 4> fetchers = {shapes<false, false>, shapes<true, false>,
                                                            shapes<false, true>, shapes<true, true>};

static_assert(fetch_rgb888_wrapxy_keyed == &fetchSample<Rgb888, true, true, FetchShape::square, KeyedCollector<Rgb888>>);
static_assert(fetch_pair_y_rgba4444_nowrap == &fetchSample<Rgba4444, false, false, FetchShape::pairY, PlainCollector<Rgba4444>>);

TEST(ResampleGolden, FetchAddresses) {
    constexpr std::int64_t one = 0x10000;
    struct Row {
        int mode, shape;
        std::int32_t w, h;
        std::int64_t x, y;
        std::vector<std::uint32_t> pixels;  // 16 x column + row
        std::uint32_t weight, fy;           // fy only for squares
    };
    const Row rows[] = {
        {4, 0, 4, 3, 3 * one + 0x8000, 2 * one + 0x4000, {0x32, 0x02, 0x30, 0x00}, 0x8000, 0x4000},
        {4, 0, 4, 3, 4 * one + 0x4000, 1 * one, {0x01, 0x11, 0x02, 0x12}, 0x4000, 0},
        {2, 0, 4, 4, 3 * one + 0x8000, 1 * one, {0x31, 0x01, 0x32, 0x02}, 0x8000, 0},
        {3, 0, 4, 3, 1 * one + 0x8000, 2 * one + 0x8000, {0x12, 0x22, 0x10, 0x20}, 0x8000, 0x8000},
        {1, 0, 4, 3, 1 * one + 0xC000, 0x8000, {0x10, 0x20, 0x11, 0x21}, 0xC000, 0x8000},
        {4, 1, 4, 3, 3 * one, 0, {0x30, 0x00}, 0, 0},
        {3, 2, 4, 3, 2 * one, 2 * one + 0xC000, {0x22, 0x20}, 0xC000, 0},
    };
    for (const bool bottomUp : {false, true})
        for (const Row& r : rows) {
            std::vector<std::uint8_t> mem(static_cast<std::size_t>(r.w * r.h * 4));
            const std::int32_t stride = r.w * 4;
            for (std::int32_t j = 0; j < r.h; ++j)
                for (std::int32_t i = 0; i < r.w; ++i) {
                    const std::int32_t storedRow = bottomUp ? r.h - 1 - j : j;
                    mem[static_cast<std::size_t>(storedRow * stride + i * 4)] = std::uint8_t(16 * i + j);
                }
            const std::uint8_t* first = bottomUp ? mem.data() + (r.h - 1) * stride : mem.data();
            Recorder rec;
            fetchers[static_cast<std::size_t>(r.mode - 1)][static_cast<std::size_t>(r.shape)](first, bottomUp ? -stride : stride, r.w, r.h, r.x,
                                                                    r.y, rec);
            EXPECT_EQ(rec.seen, r.pixels) << "mode " << r.mode << " shape " << r.shape << " bottom-up " << bottomUp;
            EXPECT_EQ(rec.fx, r.weight);
            if (r.shape == 0) {
                EXPECT_EQ(rec.fy, r.fy);
            }
        }
}

// ---- drivers ----

using Grey = std::vector<std::vector<int>>;  // [row][column]

// Grey Rgb888 pictures through a named driver.
template <auto Driver>
Grey runGrey(const Grey& src, std::int32_t tw, std::int32_t th, std::uint8_t keyGrey = 0) {
    const std::int32_t sw = std::int32_t(src[0].size()), sh = std::int32_t(src.size());
    std::vector<std::uint8_t> in(static_cast<std::size_t>(sw * sh * 3)), out(static_cast<std::size_t>(tw * th * 3));
    for (std::int32_t j = 0; j < sh; ++j)
        for (std::int32_t i = 0; i < sw; ++i) std::memset(&in[static_cast<std::size_t>((j * sw + i) * 3)], src[j][i], 3);
    Driver(out.data(), tw * 3, tw, th, in.data(), sw * 3, sw, sh, rgb(keyGrey, keyGrey, keyGrey));
    Grey result(static_cast<std::size_t>(th), std::vector<int>(static_cast<std::size_t>(tw)));
    for (std::int32_t j = 0; j < th; ++j)
        for (std::int32_t i = 0; i < tw; ++i) {
            const std::uint8_t* p = &out[static_cast<std::size_t>((j * tw + i) * 3)];
            EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
            result[j][i] = p[0];
        }
    return result;
}

TEST(ResampleGolden, DriverCases) {
    // 3 x 3 -> 2 x 2: grey 40 x column + 10 x row + 4, pixel (1, 0) the key grey 9.
    Grey g3 = {{4, 44, 84}, {14, 54, 94}, {24, 64, 104}};
    const Grey plain3 = runGrey<resample_rgb888_nowrap>(g3, 2, 2);
    EXPECT_EQ(plain3[0][0], (4 + 44 + 14 + 54) / 4);
    for (const Grey& other : {runGrey<resample_rgb888_wrapx>(g3, 2, 2), runGrey<resample_rgb888_wrapy>(g3, 2, 2),
                              runGrey<resample_rgb888_wrapxy>(g3, 2, 2)})
        EXPECT_EQ(other, plain3) << "3x3 -> 2x2 is the same in all modes";
    EXPECT_EQ(plain3[0][1], ((44 + 84) / 2 + 84 + (54 + 94) / 2 + 94) / 4);
    g3[0][1] = 9;
    EXPECT_EQ(runGrey<resample_rgb888_nowrap_keyed>(g3, 2, 2, 9)[0][0], 31);
    EXPECT_EQ(runGrey<resample_rgb888_nowrap>(g3, 2, 2, 9)[0][0], 20);

    // 2 x 2 -> 4 x 4: mode 1 interpolates towards the last pixel, mode 4 tiles; 2 and 3 mix them.
    const Grey g2 = {{0, 200}, {100, 40}};
    const auto firstRowAndColumn = [](const Grey& g) {
        return std::array<std::vector<int>, 2>{g[0], {g[0][0], g[1][0], g[2][0], g[3][0]}};
    };
    const std::vector<int> rowNo = {0, 50, 100, 150}, rowWrap = {0, 100, 200, 100};
    const std::vector<int> colNo = {0, 25, 50, 75}, colWrap = {0, 50, 100, 50};
    using Pair = std::array<std::vector<int>, 2>;
    EXPECT_EQ(firstRowAndColumn(runGrey<resample_rgb888_nowrap>(g2, 4, 4)), (Pair{rowNo, colNo}));
    EXPECT_EQ(firstRowAndColumn(runGrey<resample_rgb888_wrapx>(g2, 4, 4)), (Pair{rowWrap, colNo}));
    EXPECT_EQ(firstRowAndColumn(runGrey<resample_rgb888_wrapy>(g2, 4, 4)), (Pair{rowNo, colWrap}));
    EXPECT_EQ(firstRowAndColumn(runGrey<resample_rgb888_wrapxy>(g2, 4, 4)), (Pair{rowWrap, colWrap}));

    // 4 x 4 -> 4 x 3: the kept width is still interpolated where it does not wrap.
    const Grey ramp(4, std::vector<int>{0, 40, 80, 120});
    EXPECT_EQ(runGrey<resample_rgb888_nowrap>(ramp, 4, 3)[0], (std::vector<int>{0, 35, 70, 90}));
    EXPECT_EQ(runGrey<resample_rgb888_wrapy>(ramp, 4, 3)[0], (std::vector<int>{0, 35, 70, 90}));
    EXPECT_EQ(runGrey<resample_rgb888_wrapx>(ramp, 4, 3)[0], (std::vector<int>{0, 40, 80, 120}));
    EXPECT_EQ(runGrey<resample_rgb888_wrapxy>(ramp, 4, 3)[0], (std::vector<int>{0, 40, 80, 120}));

    // 3 -> 5 wide, mode 1: column 2 spans 0.8 to 1.2 and takes two samples.
    const Grey three = {{0, 100, 200}, {0, 100, 200}};
    EXPECT_EQ(runGrey<resample_rgb888_nowrap>(three, 5, 2)[0], (std::vector<int>{0, 39, 89, 119, 159}));

    // Box: blocks of 2 x 2, 1 x 2 and 5 x 5.
    Grey g4(4, std::vector<int>(4)), g5(5, std::vector<int>(5));
    SeededRng rng(5);
    for (auto& row : g4)
        for (int& v : row) v = int(rng.below(256));
    for (auto& row : g5)
        for (int& v : row) v = int(rng.below(256));
    const Grey box2 = runGrey<resample_rgb888_wrapxy>(g4, 2, 2), box42 = runGrey<resample_rgb888_nowrap>(g4, 4, 2);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(box2[j][i], (g4[2 * j][2 * i] + g4[2 * j][2 * i + 1] + g4[2 * j + 1][2 * i] + g4[2 * j + 1][2 * i + 1]) / 4);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 4; ++i) EXPECT_EQ(box42[j][i], (g4[2 * j][i] + g4[2 * j + 1][i]) / 2);
    int all = 0;
    for (const auto& row : g5)
        for (int v : row) all += v;
    EXPECT_EQ(runGrey<resample_rgb888_wrapy>(g5, 1, 1)[0][0], all / 25);
}

TEST(ResampleGolden, DriverKeyRules) {
    // A box block of key pixels only comes out as the key pixel, x bits and all.
    const std::uint32_t key = 0x7F102030;
    std::vector<std::uint32_t> src = {key, key | 0xFF000000, 5, 7,  key & 0xFFFFFF, key, 9, 11,
                                      1,   2,                3, 4,  5,              6,   7, 8};
    std::vector<std::uint32_t> out(4);
    resample_rgbx8888_nowrap_keyed(reinterpret_cast<std::uint8_t*>(out.data()), 8, 2, 2,
                                   reinterpret_cast<const std::uint8_t*>(src.data()), 16, 4, 4,
                                   Rgbx8888::fromValue(key));
    EXPECT_EQ(out[0], key);
    EXPECT_EQ(out[1], (5u + 7 + 9 + 11) / 4);

    // Keyed on a source without key pixels equals plain; plain ignores the key.
    SeededRng rng(11);
    imgtest::forEachPixelFormat([&]<PelFmtId Id>() {
        const std::int32_t sw = 7, sh = 5, bytes = std::int32_t(pelFmtBytes[Id]);
        std::vector<std::uint8_t> in(static_cast<std::size_t>(sw * sh * bytes));
        for (auto& b : in) b = rng.edgeByte();
        const Pixel<Id> absent = Pixel<Id>::fromValue(0x00C0FFEE);
        for (std::int32_t k = 0; k < sw * sh; ++k)
            if (Pixel<Id>::fromValue(imgtest::le(&in[static_cast<std::size_t>(k * bytes)], std::uint32_t(bytes))) == absent)
                in[static_cast<std::size_t>(k * bytes)] ^= 1;
        ImageRow source(sw, sh, PelFmt(Id), in.data(), sw * bytes);
        for (ResampleMode mode = 1; mode <= 4; ++mode)
            for (const auto& [tw, th] : {std::pair{3, 4}, std::pair{11, 2}}) {
                std::vector<std::uint8_t> a(static_cast<std::size_t>(tw * th * bytes)), b(a.size()), c(a.size());
                ImageRow ta(tw, th, PelFmt(Id), a.data(), tw * bytes), tb(tw, th, PelFmt(Id), b.data(), tw * bytes),
                    tc(tw, th, PelFmt(Id), c.data(), tw * bytes);
                const Image::Lock from(source, nullptr, Image::lockRead), la(ta, nullptr, Image::lockWrite),
                    lb(tb, nullptr, Image::lockWrite), lc(tc, nullptr, Image::lockWrite);
                resampleKeyed(tw, th, mode, la, from, absent.value(), ta.format(), source);
                resamplePlain(tw, th, mode, lb, from, absent.value(), tb.format(), source);
                resamplePlain(tw, th, mode, lc, from, 0x12345678, tc.format(), source);
                EXPECT_EQ(a, b) << "format " << Id << " mode " << mode;
                EXPECT_EQ(b, c) << "format " << Id << " mode " << mode;
            }
    });
}

}  // namespace
