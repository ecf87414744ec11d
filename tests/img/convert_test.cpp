// Pixel conversions against a reference model of the rule table, exhaustively; the scaling tables.
#include <cmath>
#include <cstdint>

#include "img/pel_fmt.h"
#include "img/pixel.h"
#include "img/scale_tables.h"
#include "img_test_support.h"

namespace {

using namespace talvo::g;
using imgtest::Mismatches;

// ---- reference model: the formats' fields typed in again, the alpha / x rule per pair, plain arithmetic ----

struct RefField {
    unsigned shift, width;
};
struct RefFormat {
    RefField r, g, b, fourth;  // fourth: alpha or x bits
};
const RefFormat refFormats[9] = {
    {},
    {{16, 8}, {8, 8}, {0, 8}, {0, 0}},   {{16, 8}, {8, 8}, {0, 8}, {24, 8}}, {{16, 8}, {8, 8}, {0, 8}, {24, 8}},
    {{11, 5}, {5, 6}, {0, 5}, {0, 0}},   {{10, 5}, {5, 5}, {0, 5}, {15, 1}}, {{10, 5}, {5, 5}, {0, 5}, {15, 1}},
    {{8, 4}, {4, 4}, {0, 4}, {12, 4}},   {{8, 4}, {4, 4}, {0, 4}, {12, 4}},
};
// The alpha / x rule of each pair, destination rows 1 to 8, source columns 1 to 8:
// n nothing, k x kept, m maximum, s the source's alpha scaled.
const char* const refAlpha[9] = {"",         "nnnnnnnn", "kkkkkkkk", "mmsmmsms", "nnnnnnnn",
                                 "kkkkkkkk", "mmsmmsms", "kkkkkkkk", "mmsmmsms"};

std::uint32_t refScale(std::uint32_t v, unsigned n, unsigned m) {
    if (n == m) return v;
    return static_cast<std::uint32_t>(std::floor(double(v) * ((1u << m) - 1) / ((1u << n) - 1) + 0.5));
}
std::uint32_t field(std::uint32_t value, RefField f) { return (value >> f.shift) & ((1u << f.width) - 1); }
std::uint32_t ones(RefField f) { return ((1u << f.width) - 1) << f.shift; }

// In-place conversion of an old destination value from a source value.
std::uint32_t refAssign(PelFmtId d, std::uint32_t old, PelFmtId s, std::uint32_t v) {
    if (d == s) return v;
    const RefFormat& df = refFormats[d];
    const RefFormat& sf = refFormats[s];
    std::uint32_t out = refScale(field(v, sf.r), sf.r.width, df.r.width) << df.r.shift;
    out |= refScale(field(v, sf.g), sf.g.width, df.g.width) << df.g.shift;
    out |= refScale(field(v, sf.b), sf.b.width, df.b.width) << df.b.shift;
    switch (refAlpha[d][s - 1]) {
        case 'k': out |= old & ones(df.fourth); break;
        case 'm': out |= ones(df.fourth); break;
        case 's': out |= refScale(field(v, sf.fourth), sf.fourth.width, df.fourth.width) << df.fourth.shift; break;
        default: break;
    }
    return out;
}

std::uint32_t refConvert(PelFmtId s, std::uint32_t v, PelFmtId target) {
    if (target < 1 || target > 8) return 0;
    if (target == s) return s == 2 ? v & 0x00FFFFFF : v;
    return refAssign(target, 0, s, v);
}

std::uint32_t xBits(PelFmtId id) { return id == 2 || id == 5 || id == 7 ? ones(refFormats[id].fourth) : 0; }

// Checks one source value by convertPixelFrom to every target and in place into every format.
template <PelFmtId S>
void checkSource(std::uint32_t v, SeededRng& rng, Mismatches& bad) {
    const auto src = Pixel<S>::fromValue(v);
    for (PelFmtId t = 0; t <= 12; ++t) {
        const std::uint32_t got = convertPixelFrom(src, t);
        if (got != refConvert(S, v, t)) bad.add("from ", S, " value ", v, " to ", t, ": got ", got);
    }
    imgtest::forEachPixelFormat([&]<PelFmtId D>() {
        const std::uint32_t old = (rng.next32() | xBits(D)) & (D == 1 ? 0xFFFFFFu : D <= 3 ? ~0u : 0xFFFFu);
        auto dst = Pixel<D>::fromValue(old);
        assign(dst, src);
        if (dst.value() != refAssign(D, old, S, v))
            bad.add("in place ", D, " old ", old, " from ", S, " value ", v, ": got ", dst.value());
    });
}

TEST(Convert, EverySixteenBitSourceValueToEveryTarget) {
    SeededRng rng(16);
    Mismatches bad;
    imgtest::forEachPixelFormat([&]<PelFmtId S>() {
        if constexpr (Pixel<S>::bytes == 2)
            for (std::uint32_t v = 0; v <= 0xFFFF; ++v) checkSource<S>(v, rng, bad);
    });
    EXPECT_TRUE(bad.none());
}

TEST(Convert, EachEightBitChannelThroughAllValues) {
    SeededRng rng(24);
    Mismatches bad;
    imgtest::forEachPixelFormat([&]<PelFmtId S>() {
        if constexpr (Pixel<S>::bytes >= 3)
            for (unsigned channel = 0; channel < Pixel<S>::bytes; ++channel)
                for (std::uint32_t c = 0; c < 256; ++c) {
                    std::uint32_t v = rng.next32() & (S == 1 ? 0xFFFFFFu : ~0u);
                    v = (v & ~(0xFFu << (8 * channel))) | (c << (8 * channel));
                    checkSource<S>(v, rng, bad);
                }
    });
    EXPECT_TRUE(bad.none());
}

TEST(Convert, TablesFollowTheRoundingFormula) {
    struct Table {
        const std::uint8_t* data;
        unsigned n, m;
    };
    const Table tables[] = {
        {scale1to4.data(), 1, 4}, {scale1to8.data(), 1, 8}, {scale4to1.data(), 4, 1}, {scale4to5.data(), 4, 5},
        {scale4to6.data(), 4, 6}, {scale4to8.data(), 4, 8}, {scale5to4.data(), 5, 4}, {scale5to6.data(), 5, 6},
        {scale5to8.data(), 5, 8}, {scale6to4.data(), 6, 4}, {scale6to5.data(), 6, 5}, {scale6to8.data(), 6, 8},
        {scale8to1.data(), 8, 1}, {scale8to4.data(), 8, 4}, {scale8to5.data(), 8, 5}, {scale8to6.data(), 8, 6},
    };
    Mismatches bad;
    for (const Table& t : tables)
        for (std::uint32_t i = 0; i < (1u << t.n); ++i) {
            if (t.data[i] != refScale(i, t.n, t.m)) bad.add(t.n, " to ", t.m, " entry ", i, ": ", int(t.data[i]));
            const bool shift = (t.n == 4 && t.m == 1) || (t.n == 5 && t.m == 4) || (t.n == 6 && t.m == 5) ||
                               (t.n == 8 && t.m == 1);
            if (shift && t.data[i] != (i >> (t.n - t.m))) bad.add(t.n, " to ", t.m, " is no shift at ", i);
        }
    EXPECT_TRUE(bad.none());
    for (std::uint32_t i = 0; i < 16; ++i) EXPECT_EQ(scale4to8[i], i * 17);
    EXPECT_EQ(scale1to8[0], 0);
    EXPECT_EQ(scale1to8[1], 255);
    EXPECT_EQ(scale5to8[3], 25);  // to nearest, not 24 as bit replication gives
    EXPECT_EQ(scale6to8[48], 194);
}

// Conversions compute the table entries arithmetically: every entry of every table, once more.
TEST(Convert, ComputedScalesEqualTheTables) {
    Mismatches bad;
    const auto check = [&]<unsigned N, unsigned M>() {
        for (std::uint32_t i = 0; i < (1u << N); ++i)
            if (scaleField<N, M>(i) != scaleTable<N, M>[i]) bad.add(N, " to ", M, " entry ", i);
    };
    check.operator()<1, 4>(), check.operator()<1, 8>(), check.operator()<4, 1>(), check.operator()<4, 5>();
    check.operator()<4, 6>(), check.operator()<4, 8>(), check.operator()<5, 4>(), check.operator()<5, 6>();
    check.operator()<5, 8>(), check.operator()<6, 4>(), check.operator()<6, 5>(), check.operator()<6, 8>();
    check.operator()<8, 1>(), check.operator()<8, 4>(), check.operator()<8, 5>(), check.operator()<8, 6>();
    EXPECT_TRUE(bad.none());
}

TEST(Convert, GoldenValues) {
    struct Case {
        PelFmtId from;
        std::uint32_t value;
        PelFmtId to;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {4, 0xFFFF, 3, 0xFFFFFFFF},     {4, 0x07E0, 3, 0xFF00FF00},     {4, 0x07E0, 2, 0x0000FF00},
        {6, 0x7FFF, 3, 0x00FFFFFF},     {6, 0x8000, 3, 0xFF000000},     {8, 0x8421, 3, 0x88442211},
        {8, 0x8421, 6, 0xA082},         {3, 0x7F000000, 6, 0x0000},     {3, 0x80000000, 6, 0x8000},
        {1, 0x000809, 7, 0x0001},       {4, 0x001F, 8, 0xF00F},         {4, 0x001F, 7, 0x000F},
        {2, 0xAB123456, 2, 0x00123456}, {2, 0xAB123456, 3, 0xFF123456}, {5, 0x8000, 5, 0x8000},
        {5, 0x8000, 6, 0x8000},         {4, 0x0821, 1, 0x080408},       {4, 0xFFFF, 1, 0xFFFFFF},
        {0, 0x1234, 3, 0},              {9, 0x12, 3, 0},                {10, 0x1234, 4, 0},
        {11, 0x12345678, 3, 0},         {3, 0xFFFFFFFF, 0, 0},          {3, 0xFFFFFFFF, 9, 0},
        {3, 0xFFFFFFFF, 10, 0},         {3, 0xFFFFFFFF, 11, 0},         {3, 0xFFFFFFFF, 12, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PelFmt(c.from).toFormat(c.value, c.to), c.expected) << c.from << " " << c.value << " " << c.to;
    EXPECT_EQ(PelFmt(4).fromRgb(Rgba8888::fromValue(0xFFFF00FF)), 0xF81Fu);
    EXPECT_EQ(PelFmt(12).fromRgb(Rgba8888::fromValue(0xFFFF00FF)), 0u);

    auto x5551 = Rgbx5551::fromValue(0x8000);
    assign(x5551, Rgb888::fromValue(0));
    EXPECT_EQ(x5551.value(), 0x8000u);
    const Rgbx8888 widened(Rgb888::fromValue(0x112233));
    EXPECT_EQ(widened.value(), 0x00112233u);
    // Key equality: Rgba formats compare alpha, Rgbx formats ignore x.
    EXPECT_TRUE(Rgbx5551::fromValue(0x801F) == Rgbx5551::fromValue(0x001F));
    EXPECT_FALSE(Rgba5551::fromValue(0x801F) == Rgba5551::fromValue(0x001F));
    EXPECT_TRUE(Rgbx4444::fromValue(0xF123) == Rgbx4444::fromValue(0x0123));
    EXPECT_FALSE(Rgba4444::fromValue(0xF123) == Rgba4444::fromValue(0x0123));
    EXPECT_TRUE(Rgbx8888::fromValue(0xFFFF00FF) == Rgbx8888::fromValue(0x00FF00FF));
    EXPECT_FALSE(Rgba8888::fromValue(0xFFFF00FF) == Rgba8888::fromValue(0x00FF00FF));
    EXPECT_FALSE(Rgb565::fromValue(0x8000) == Rgb565::fromValue(0x0000));
}

}  // namespace
