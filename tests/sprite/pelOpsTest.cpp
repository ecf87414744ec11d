// Per-pixel operators, converters and keys: reference-model sweeps, golden vectors, member tables.
#include "sprite/pelOpList.h"
#include "sprite/blit/blitSelect.h"
#include "sprite/pelRows.h"
#include "spriteTestSupport.h"
#include "tests/support/seeded_rng.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Eight bytes leaning toward 0x00 and 0xFF, where the clamps and carries live; two draws.
uint64_t edgeBytes(SeededRng& rng)
{
    uint64_t v = rng.next();
    const uint64_t pick = rng.next();
    for (int k = 0; k < 8; ++k) {
        const uint64_t q = (pick >> 3 * k) & 7, byte = 0xFFull << 8 * k;
        v = q == 0 ? v & ~byte : q == 1 ? v | byte : v;
    }
    return v;
}

enum class Fmt { Rgb888, Rgba8888, Rgb565, Rgbx5551, Rgba5551 };
enum class Formula { Modulate, Modulate2x, Modulate4x, Add, AddSigned, AddSigned2x, Subtract, AddSmooth, Alpha, Premul };
enum class Family { Colour, Alpha, Premul };

// The words of the member lists, in the order of the enumerations above.
constexpr std::string_view fmtWords[] = {"rgb888", "rgba8888", "rgb565", "rgbx5551", "rgba5551"};
constexpr std::string_view formulaWords[] = {"modulate", "modulate2x", "modulate4x", "add",   "addsigned",
                                             "addsigned2x", "subtract", "addsmooth", "alpha", "premul"};

template <class E, std::size_t N>
E enumOf(const std::string_view (&words)[N], std::string_view w)
{
    const auto at = std::find(words, words + N, w);
    EXPECT_NE(at, words + N) << "unknown word " << w;
    return static_cast<E>(at - words);
}

void PrintTo(Family f, std::ostream* os) { *os << (f == Family::Colour ? "colour" : f == Family::Alpha ? "alpha" : "premul"); }

bool is8bit(Fmt f) { return f == Fmt::Rgb888 || f == Fmt::Rgba8888; }

// ---- Reference model: one scalar formula per mode, the formats' rules written out literally ----

using Chans = std::array<int64_t, 3>; // B, G, R

int64_t apply(Formula f, int64_t d, int64_t s, int64_t a)
{
    switch (f) {
    case Formula::Modulate: return (d * s) >> 8;
    case Formula::Modulate2x: return std::min<int64_t>(255, (d * s) >> 7);
    case Formula::Modulate4x: return std::min<int64_t>(255, (d * s) >> 6);
    case Formula::Add: return std::min<int64_t>(255, d + s);
    case Formula::AddSigned: return std::clamp<int64_t>(d + s - 128, 0, 255);
    case Formula::AddSigned2x: return std::clamp<int64_t>(2 * (d + s) - 256, 0, 255);
    case Formula::Subtract: return std::max<int64_t>(0, d - s);
    case Formula::AddSmooth: return std::min<int64_t>(255, d + ((s * (256 - d)) >> 8));
    case Formula::Alpha: return ((d * (256 - a)) >> 8) + ((s * a) >> 8);
    case Formula::Premul: return std::min<int64_t>(255, s + ((d * (256 - a)) >> 8));
    }
    return 0;
}

unsigned word(const uint8_t* p) { return p[0] | p[1] << 8u; }
void putWord(uint8_t* p, int64_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

Chans widen(Fmt f, const uint8_t* p)
{
    const unsigned v = word(p);
    if (is8bit(f)) return {p[0], p[1], p[2]};
    if (f == Fmt::Rgb565) return {(v & 31) << 3, (v >> 3) & 252, (v >> 11) << 3};
    return {(v & 31) << 3, ((v >> 5) & 31) << 3, ((v >> 10) & 31) << 3};
}

void pack(Fmt f, uint8_t* p, const Chans& c)
{
    if (is8bit(f)) {
        for (int i = 0; i < 3; ++i)
            p[i] = static_cast<uint8_t>(c[i]);
    } else if (f == Fmt::Rgb565) {
        putWord(p, ((c[2] >> 3) << 11) | ((c[1] >> 2) << 5) | (c[0] >> 3));
    } else {
        putWord(p, (word(p) & 0x8000) | ((c[2] >> 3) << 10) | ((c[1] >> 3) << 5) | (c[0] >> 3));
    }
}

// Constant alpha onto a 16-bit word: fields at the destination's widths, bit 15 kept.
void alphaOnto16(Fmt sf, Fmt df, uint8_t* dst, const uint8_t* src, int64_t a)
{
    const bool d565 = df == Fmt::Rgb565;
    const unsigned dv = word(dst), sv = word(src);
    const Chans d = d565 ? Chans{dv & 31, (dv >> 5) & 63, dv >> 11} : Chans{dv & 31, (dv >> 5) & 31, (dv >> 10) & 31};
    Chans s;
    if (is8bit(sf))
        s = {src[0] >> 3, d565 ? src[1] >> 2 : src[1] >> 3, src[2] >> 3};
    else if (sf == Fmt::Rgb565)
        s = {sv & 31, ((sv >> 5) & 63) >> (d565 ? 0 : 1), sv >> 11};
    else
        s = {sv & 31, ((sv >> 5) & 31) << (d565 ? 1 : 0), (sv >> 10) & 31};
    Chans f;
    for (int i = 0; i < 3; ++i)
        f[i] = apply(Formula::Alpha, d[i], s[i], a) & (d565 && i == 1 ? 63 : 31);
    putWord(dst, d565 ? (f[2] << 11) | (f[1] << 5) | f[0] : (dv & 0x8000) | (f[2] << 10) | (f[1] << 5) | f[0]);
}

struct Op {
    std::string name;
    Formula formula;
    Fmt src, dst;
    pelColourFn* colour;
    pelAlphaFn* blend;

    void run(uint8_t* d, const uint8_t* s, int a) const { colour ? colour(d, s) : blend(d, s, a); }
    void reference(uint8_t* d, const uint8_t* s, int a) const
    {
        if (formula == Formula::Alpha && !is8bit(dst))
            return alphaOnto16(src, dst, d, s, a);
        const Chans sc = widen(src, s), dc = widen(dst, d);
        Chans r;
        for (int i = 0; i < 3; ++i)
            r[i] = apply(formula, dc[i], sc[i], a) & 255; // narrowed to the channel's low 8 bits
        pack(dst, d, r);
    }
};

template <class Fn>
void collect(std::vector<Op>& out, const pelMember<Fn>& m)
{
    Op op{std::string(m.name), enumOf<Formula>(formulaWords, m.mode), enumOf<Fmt>(fmtWords, m.src), enumOf<Fmt>(fmtWords, m.dst), nullptr, nullptr};
    if constexpr (std::is_same_v<Fn, pelColourFn>)
        op.colour = m.fn;
    else
        op.blend = m.fn;
    out.push_back(op);
}

std::vector<Op> opsOf(Family f)
{
    std::vector<Op> ops;
    if (f == Family::Colour)
        for (const auto& m : pelColourMembers) collect(ops, m);
    if (f == Family::Alpha)
        for (const auto& m : pelAlphaMembers) collect(ops, m);
    if (f == Family::Premul)
        for (const auto& m : pelPremulMembers) collect(ops, m);
    return ops;
}

// ---- Differential checks between guard bytes ----

// A pixel at an odd offset between guard bytes, so the fourth byte of a 32-bit pixel and the
// bytes around a 16-bit word must come through untouched. Each buffer is eight bytes held in
// one word, which keeps copies and comparisons cheap under the sanitizers.
constexpr std::size_t Guard = 1;

struct Case {
    uint64_t dst, src;
    explicit Case(SeededRng& rng) : dst(edgeBytes(rng)), src(edgeBytes(rng)) {}
    uint8_t* dstPel() { return reinterpret_cast<uint8_t*>(&dst) + Guard; }
    uint8_t* srcPel() { return reinterpret_cast<uint8_t*>(&src) + Guard; }
};

std::string hex(uint64_t v)
{
    uint8_t b[8];
    std::memcpy(b, &v, 8);
    std::string s;
    char text[4];
    for (uint8_t byte : b) {
        std::snprintf(text, sizeof text, "%02X ", byte);
        s += text;
    }
    return s;
}

// Runs the operator and the reference on copies of the case; false with a report on a difference.
bool agree(const Op& op, const Case& c, int a, uint64_t seed)
{
    Case fast = c, ref = c;
    op.run(fast.dstPel(), fast.srcPel(), a);
    op.reference(ref.dstPel(), ref.srcPel(), a);
    if (fast.dst == ref.dst && fast.src == c.src) [[likely]]
        return true;
    ADD_FAILURE() << op.name << " a=" << a << " seed=" << seed << "\n  dst  " << hex(c.dst) << "\n  src  " << hex(c.src)
                  << "\n  got  " << hex(fast.dst) << "\n  want " << hex(ref.dst);
    return false;
}

// Where each channel lies in the pixel read as a little-endian number: {shift, bits}.
std::array<int, 2> layout(Fmt f, int channel)
{
    if (is8bit(f)) return {8 * channel, 8};
    if (f == Fmt::Rgb565) return std::array<std::array<int, 2>, 3>{{{0, 5}, {5, 6}, {11, 5}}}[channel];
    return std::array<std::array<int, 2>, 3>{{{0, 5}, {5, 5}, {10, 5}}}[channel];
}

void setField(uint8_t* p, std::array<int, 2> at, unsigned v)
{
    for (int bit = 0; bit < at[1]; ++bit) {
        const int pos = at[0] + bit;
        p[pos / 8] = static_cast<uint8_t>((p[pos / 8] & ~(1u << pos % 8)) | ((v >> bit) & 1u) << pos % 8);
    }
}

// The opacities every blending operator is checked at, plus random ones per operator.
std::vector<int> opacities(bool blends, SeededRng& rng)
{
    if (!blends) return {0};
    std::vector<int> as{0, 1, 64, 127, 128, 129, 255, 256, -1, 257, INT_MIN, INT_MAX};
    for (int i = 0; i < 4; ++i)
        as.push_back(rng.between(-300, 600));
    return as;
}

constexpr uint64_t Seed = 0x5EED0021;

class PelOpsFamily : public testing::TestWithParam<Family> {};

// For each channel, every pair of destination and source field values, with the other bits
// random and then inverted, so every bit outside the channel is seen both set and clear.
TEST_P(PelOpsFamily, EveryChannelPairMatchesTheReference)
{
    SeededRng rng{Seed};
    for (const Op& op : opsOf(GetParam()))
        for (int a : opacities(op.blend != nullptr, rng))
            for (int ch = 0; ch < 3; ++ch) {
                const auto ds = layout(op.dst, ch), ss = layout(op.src, ch);
                for (unsigned d = 0; d < 1u << ds[1]; ++d)
                    for (unsigned s = 0; s < 1u << ss[1]; ++s) {
                        Case c(rng);
                        for (int flip = 0; flip < 2; ++flip) {
                            if (flip)
                                c.dst = ~c.dst, c.src = ~c.src;
                            setField(c.dstPel(), ds, d);
                            setField(c.srcPel(), ss, s);
                            ASSERT_TRUE(agree(op, c, a, Seed)) << " channel " << ch;
                        }
                    }
            }
}

// Whole random pixels: borrows, carries or bit 15 leaking from one field into another. A million
// pairs per operator takes half a minute under the sanitizers, so the default is 100000;
// VELMOOR_PEL_PAIRS asks for more.
TEST_P(PelOpsFamily, RandomWholePixelsMatchTheReference)
{
    const char* asked = std::getenv("VELMOOR_PEL_PAIRS");
    const long pairs = asked ? std::atol(asked) : 100'000;
    const std::vector<Op> ops = opsOf(GetParam());
    for (std::size_t k = 0; k < ops.size(); ++k) {
        const uint64_t seed = Seed + k; // one seed per operator, so one can be rerun alone
        SeededRng rng{seed};
        const std::vector<int> as = opacities(ops[k].blend != nullptr, rng);
        for (long i = 0; i < pairs; ++i) {
            const Case c(rng);
            const uint64_t r = rng.next();
            const int a = r & 1 ? as[(r >> 1) % as.size()] : rng.between(-300, 600);
            ASSERT_TRUE(agree(ops[k], c, a, seed)) << " pair " << i;
        }
    }
}

std::string familyName(const testing::TestParamInfo<Family>& info)
{
    constexpr const char* names[] = {"Colour", "Alpha", "Premul"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Families, PelOpsFamily, testing::Values(Family::Colour, Family::Alpha, Family::Premul), familyName);

// ---- Rows onto 32-bit pixels: every pixel as the reference makes it, its fourth byte and the
// bytes past the row untouched ----

// A row of n pixels onto 32-bit pixels at opacity a; returns the pixels it drew.
using RowFn = int(uint8_t* d, const uint8_t* s, int n, int a);

struct RowCase {
    const char* name;
    std::string_view mode, src;
    RowFn* row;
    bool blends;
};

// The colour operators' vector steps draw the whole four-pixel steps and leave the rest to the
// per-pixel path.
template <class Mode, class Src>
int colourRow(uint8_t* d, const uint8_t* s, int n, int)
{
    return pel::colourRow32<Mode, Src>(d, s, n);
}

// Constant alpha onto 32-bit pixels is the blitter's loop, whole rows at the level the draw asks.
template <PelGroup G>
int alphaLoop(uint8_t* d, const uint8_t* s, int n, int a)
{
    const BlitView none{nullptr, 0};
    const BlitJob job{{const_cast<uint8_t*>(s), n}, {d, n}, none, none, none, 0, 0, n, 1, 1u << 16, 1u << 16, a, 0, nullptr};
    blitCell(static_cast<int>(G), static_cast<int>(PelGroup::X8888), drawSlotOf(drawKeyNamed("alpha")))(job);
    return n;
}

#define PEL_ROW_SOURCES(X, M) X(M, rgb888) X(M, rgb565) X(M, rgbx5551) X(M, rgba5551)
#define PEL_COLOUR_ROW(M, S) RowCase{"colourRow32 " #M " " #S, #M, #S, &colourRow<pel::mode::M, pel::fmt::S>, false},
#define PEL_ROW_MODES(X)                                                                                               \
    PEL_ROW_SOURCES(X, modulate) PEL_ROW_SOURCES(X, modulate2x) PEL_ROW_SOURCES(X, modulate4x)                         \
    PEL_ROW_SOURCES(X, add) PEL_ROW_SOURCES(X, addsigned) PEL_ROW_SOURCES(X, addsigned2x)                              \
    PEL_ROW_SOURCES(X, subtract) PEL_ROW_SOURCES(X, addsmooth)
const RowCase rowCases[] = {
    PEL_ROW_MODES(PEL_COLOUR_ROW)
    // The two-shift blend onto 32-bit pixels: 24-bit sources read pixel by pixel, 16-bit ones
    // widened in lanes.
    RowCase{"blit alpha rgb888", "alpha", "rgb888", &alphaLoop<PelGroup::Rgb888>, true},
    RowCase{"blit alpha rgb565", "alpha", "rgb565", &alphaLoop<PelGroup::Rgb565>, true},
    RowCase{"blit alpha rgbx5551", "alpha", "rgbx5551", &alphaLoop<PelGroup::Rgbx5551>, true},
    RowCase{"blit alpha rgba5551", "alpha", "rgba5551", &alphaLoop<PelGroup::Rgba5551>, true},
};
#undef PEL_ROW_MODES
#undef PEL_COLOUR_ROW
#undef PEL_ROW_SOURCES

// Rows of 0 to 37 pixels (whole steps and every tail) at odd addresses between guard bytes, at
// every level (the colour steps do not ask it: their caller does). The pixels a row leaves to the
// per-pixel path must be untouched; on x86 it leaves only the last n % 4.
TEST(PelRows, Rows32MatchTheReferencePixelByPixel)
{
    onVectorAndScalarRows([] {
        for (std::size_t k = 0; k < std::size(rowCases); ++k) {
            const RowCase& row = rowCases[k];
            const Op ref{row.name, enumOf<Formula>(formulaWords, row.mode), enumOf<Fmt>(fmtWords, row.src), Fmt::Rgb888, nullptr, nullptr};
            const std::size_t step = !is8bit(ref.src) ? 2 : row.blends ? 3 : 4;
            const uint64_t seed = Seed + 0x100 + k;
            SeededRng rng{seed};
            std::vector<int> as = opacities(row.blends, rng);
            std::erase_if(as, [](int a) { return a < 0 || a > 256; });  // a draw's opacity
            for (int round = 0; round < 200; ++round) {
                const int n = static_cast<int>(rng.below(38));
                const int a = as[rng.below(static_cast<std::uint32_t>(as.size()))];
                std::vector<uint8_t> src(step * std::size_t(n) + 2 * Guard), dst(4 * std::size_t(n) + 2 * Guard);
                for (auto* bytes : {&src, &dst})
                    for (uint8_t& b : *bytes) b = static_cast<uint8_t>(edgeBytes(rng));
                const std::vector<uint8_t> srcBefore = src;
                std::vector<uint8_t> want = dst;
                const int done = row.row(dst.data() + Guard, src.data() + Guard, n, a);
                ASSERT_EQ(done, row.blends ? n : TALVO_SIMD_X86 ? n - n % 4 : 0) << row.name << " n=" << n;
                for (int i = 0; i < done; ++i) ref.reference(want.data() + Guard + 4 * i, src.data() + Guard + step * std::size_t(i), a);
                ASSERT_EQ(dst, want) << row.name << " n=" << n << " a=" << a << " seed=" << seed << " round " << round;
                ASSERT_EQ(src, srcBefore) << row.name;
            }
        }
    });
}

// ---- Golden vectors: saturation, neutral values, field widths and wrapping opacities, pixels as little-endian numbers ----

struct Golden {
    const char* what;
    pelColourFn* colour;
    pelAlphaFn* blend;
    int a;
    uint32_t dst, src, want; // bytes beyond the pixel are guards and must stay
};

const Golden goldens[] = {
    {"addsigned: each channel from its own sum", pel_addsigned_rgb888_to_rgb888, nullptr, 0, 0x11C8640A, 0x0064320A, 0x11AC1600},
    {"addsigned: d (B 100, G 200, R 50), s (100, 10, 20)", pel_addsigned_rgb888_to_rgb888, nullptr, 0, 0x2232C864, 0x00140A64, 0x22005248},
    {"addsigned: 128 is neutral", pel_addsigned_rgb888_to_rgb888, nullptr, 0, 0x33123456, 0x00808080, 0x33123456},
    {"addsigned2x: 100 + 60 gives 64", pel_addsigned2x_rgb888_to_rgb888, nullptr, 0, 0x44646464, 0x003C3C3C, 0x44404040},
    {"addsigned2x: sum 128 gives 0, 256 gives 255", pel_addsigned2x_rgb888_to_rgb888, nullptr, 0, 0x5500C864, 0x0000381C, 0x5500FF00},
    {"modulate2x: 200 x 200 gives 255, fourth byte kept", pel_modulate2x_rgb888_to_rgb888, nullptr, 0, 0x66C8C8C8, 0x00C8C8C8, 0x66FFFFFF},
    {"modulate2x: 128 is neutral", pel_modulate2x_rgb888_to_rgb888, nullptr, 0, 0x66123456, 0x00808080, 0x66123456},
    {"modulate2x rgb565: 0xFFFF on 0xFFFF", pel_modulate2x_rgb565_to_rgb565, nullptr, 0, 0xABCDFFFF, 0x0000FFFF, 0xABCDFFFF},
    {"modulate rgb565: red 31 by 31 gives 30", pel_modulate_rgb565_to_rgb565, nullptr, 0, 0xF800, 0xF800, 0xF000},
    {"subtract rgb565: floor at 0, no borrow", pel_subtract_rgb565_to_rgb565, nullptr, 0, 0x0020, 0x0001, 0x0020},
    {"addsmooth: 255 stays, 0 becomes s", pel_addsmooth_rgb888_to_rgb888, nullptr, 0, 0x778000FF, 0x00FF4D4D, 0x77FF4DFF},
    {"add: zero source keeps 5551 green 31 and bit 15", pel_add_rgba5551_to_rgba5551, nullptr, 0, 0x83E0, 0x0000, 0x83E0},
    {"add: zero source keeps rgbx5551", pel_add_rgb888_to_rgbx5551, nullptr, 0, 0x83E0, 0x0000, 0x83E0},
    {"alpha 128: 127 + 124 gives 251", nullptr, pel_alpha_rgb565_to_rgb888, 128, 0x99FF0000, 0xF800, 0x99FB0000},
    {"alpha 255 is not fully opaque", nullptr, pel_alpha_rgb565_to_rgb888, 255, 0x99FFFFFF, 0x0000, 0x99000000},
    {"alpha 128: R 255 onto red field 31 gives 30", nullptr, pel_alpha_rgb888_to_rgb565, 128, 0xF800, 0x00FF0000, 0xF000},
    {"alpha 128: white onto 0 gives R 15, G 31, B 15", nullptr, pel_alpha_rgb888_to_rgb565, 128, 0x0000, 0x00FFFFFF, 0x7BEF},
    {"alpha onto rgb565 keeps six bits of green", nullptr, pel_alpha_rgb888_to_rgb565, 256, 0x0000, 0x00000400, 0x0020},
    {"alpha onto 5551 keeps five bits of green", nullptr, pel_alpha_rgb888_to_rgbx5551, 256, 0x8000, 0x00000400, 0x8000},
    {"alpha rgba8888: source A 0", nullptr, pel_alpha_rgba8888_to_rgba5551, 128, 0x0000, 0x00FF8040, 0x3D04},
    {"alpha rgba8888: source A 255", nullptr, pel_alpha_rgba8888_to_rgba5551, 128, 0x0000, 0xFFFF8040, 0x3D04},
    {"alpha 5551 onto 565: source bit 15 ignored", nullptr, pel_alpha_rgbx5551_to_rgb565, 128, 0x0000, 0xFFFF, 0x7BEF},
    {"alpha 5551 onto 565: bit 15 alone adds nothing", nullptr, pel_alpha_rgbx5551_to_rgb565, 128, 0x0000, 0x8000, 0x0000},
    {"alpha -1 wraps", nullptr, pel_alpha_rgb565_to_rgb888, -1, 0x00FFFFFF, 0xFFFF, 0x00FEFEFE},
    {"alpha 257 wraps", nullptr, pel_alpha_rgb565_to_rgb888, 257, 0x00808080, 0x0000, 0x00FFFFFF},
    {"alpha 257 wraps a field to its width", nullptr, pel_alpha_rgb888_to_rgb565, 257, 0x8000, 0x00000000, 0xF800},
    {"alpha INT_MAX keeps the low bits", nullptr, pel_alpha_rgb565_to_rgb888, INT_MAX, 0x00804020, 0xFFFF, 0x007F3F1F},
    {"alpha INT_MIN keeps the low bits", nullptr, pel_alpha_rgb565_to_rgb888, INT_MIN, 0x00804020, 0xFFFF, 0x00804020},
    {"alpha INT_MAX onto fields", nullptr, pel_alpha_rgb888_to_rgb565, INT_MAX, 0x8000, 0x00FFFFFF, 0x7FFF},
    {"premul 256 writes the source", nullptr, pel_premul_rgb888_to_rgb888, 256, 0x11223344, 0x00AABBCC, 0x11AABBCC},
    {"premul 0 adds, clamped at 255", nullptr, pel_premul_rgb888_to_rgb888, 0, 0x11808080, 0x00907F10, 0x11FFFF90},
    {"premul 257 is not clamped below", nullptr, pel_premul_rgb888_to_rgb888, 257, 0x00808080, 0x00000000, 0x00FFFFFF},
    {"premul INT_MAX wraps", nullptr, pel_premul_rgb565_to_rgb888, INT_MAX, 0x00804020, 0xFFFF, 0x00783C18},
    {"premul INT_MIN clamps", nullptr, pel_premul_rgb565_to_rgb888, INT_MIN, 0x00804020, 0xFFFF, 0x00FFFFFF},
};

TEST(PelOps, ClampsNeutralValuesAndAlphaWrapsWithoutTouchingNeighbours)
{
    constexpr uint64_t guards = 0x5AA5C33C'00000000ull | 0x96; // byte 0 and bytes 5 to 7
    for (const Golden& g : goldens) {
        uint64_t dst = guards | uint64_t{g.dst} << 8, src = uint64_t{g.src} << 8;
        auto* d = reinterpret_cast<uint8_t*>(&dst) + Guard;
        const auto* s = reinterpret_cast<const uint8_t*>(&src) + Guard;
        g.colour ? g.colour(d, s) : g.blend(d, s, g.a);
        EXPECT_EQ(hex(dst), hex(guards | uint64_t{g.want} << 8)) << g.what;
    }
}

TEST(PelConverters, Bit15FromAlphaKeyOrTargetAndTheTargetReturned)
{
    uint16_t w = 0x8000;
    const uint8_t a127[4] = {0, 0, 0, 127}, a128[4] = {0, 0, 0, 128}, green[3] = {0, 128, 0}, white[3] = {255, 255, 255};
    EXPECT_EQ(pel_convert_rgba8888_to_rgba5551(w, a127), 0x0000);
    EXPECT_EQ(pel_convert_rgba8888_to_rgba5551(w, a128), 0x8000);
    EXPECT_EQ(pel_convert_rgb888_to_rgba5551(w = 0x0000, green), 0x8200);
    EXPECT_EQ(pel_convert_rgb888_to_rgba5551_key(w = 0xFFFF, green), 0x8200);
    EXPECT_EQ(pel_convert_rgb888_to_rgb565(w = 0x0000, white), 0xFFFF);
    EXPECT_EQ(pel_convert_rgb888_to_rgbx5551(w = 0x8000, a127), 0x8000);
    EXPECT_EQ(&pel_key_rgb888_to_rgba5551(w, green), &w);
}

// Every converter on random bytes and random target words, against the converter table.
TEST(PelConverters, MatchTheConverterTable)
{
    SeededRng rng{Seed};
    for (int i = 0; i < 200'000; ++i) {
        const uint64_t r = edgeBytes(rng);
        uint8_t p[4];
        std::memcpy(p, &r, 4);
        const auto old = static_cast<uint16_t>(r >> 32);
        const unsigned B = p[0], G = p[1], R = p[2], A = p[3], f5551 = (R >> 3) << 10 | (G >> 3) << 5 | B >> 3;
        uint16_t w[6] = {old, old, old, old, old, old};
        const unsigned got[6] = {pel_convert_rgb888_to_rgb565(w[0], p), pel_convert_rgb888_to_rgbx5551(w[1], p),
                                 pel_convert_rgb888_to_rgba5551(w[2], p), pel_convert_rgb888_to_rgba5551_key(w[3], p),
                                 pel_convert_rgba8888_to_rgba5551(w[4], p), pel_key_rgb888_to_rgba5551(w[5], p)};
        const unsigned want[6] = {(R >> 3) << 11 | (G >> 2) << 5 | B >> 3, (old & 0x8000u) | f5551, 0x8000 | f5551,
                                  0x8000 | f5551, (A >> 7) << 15 | f5551, 0x8000 | f5551};
        for (int k = 0; k < 6; ++k)
            ASSERT_TRUE(got[k] == want[k] && w[k] == want[k]) << "converter " << k << " target " << old << " bytes " << hex(r);
    }
}

TEST(PelKeys, CopiesAndRecordsTakeTheKeyAsGiven)
{
    const uint8_t colorKeyRgba[4] = {0x11, 0x22, 0x33, 0x44};
    pelRgb888 k24{};
    EXPECT_EQ(&pel_copy_rgb888(k24, colorKeyRgba), &k24);
    EXPECT_EQ((std::array{k24.b, k24.g, k24.r}), (std::array<uint8_t, 3>{0x11, 0x22, 0x33}));
    uint32_t k32 = 0;
    EXPECT_EQ(pel_copy_32(k32, colorKeyRgba), 0x44332211u);
    uint16_t k16 = 0;
    const uint16_t key16 = 0xBEEF;
    EXPECT_EQ(pel_copy_16(k16, &key16), 0xBEEF);

    pelAlphaKey24 r24{};
    EXPECT_EQ(&pel_alphakey_rgb888(r24, -7, 0x44332211), &r24);
    EXPECT_EQ((std::array{r24.alpha, int{r24.key.b}, int{r24.key.g}, int{r24.key.r}}), (std::array{-7, 0x11, 0x22, 0x33}));
    pelAlphaKey32 r32{};
    EXPECT_EQ(pel_alphakey_32(r32, 256, 0x44332211).key, 0x44332211u);
    EXPECT_EQ(r32.alpha, 256);
    pelAlphaKey16 r16{};
    EXPECT_EQ(pel_alphakey_16(r16, INT_MIN, 0xBEEF).key, 0xBEEF);
    EXPECT_EQ(r16.alpha, INT_MIN);
}

// ---- The member lists against the member tables, typed in: 'o' an operator, '-' none ----

// source, destination, then modulate modulate2x modulate4x add addsigned addsigned2x subtract addsmooth
constexpr std::string_view colourTable[] = {
    "rgb888 rgb888 - o o o o o - o",       "rgb888 rgb565 o o o o o o o o",     "rgb888 rgbx5551 o o o o o o o o",
    "rgb888 rgba5551 o o o o o o o o",     "rgb565 rgb888 - o o o o o o o",     "rgb565 rgb565 o o o o o o o o",
    "rgb565 rgbx5551 o o o o o o o o",     "rgb565 rgba5551 o o o o o o o o",   "rgbx5551 rgb888 - o o o o o o o",
    "rgbx5551 rgb565 o o o o o o o o",     "rgbx5551 rgbx5551 o o o o o o o o", "rgbx5551 rgba5551 o o o o o o o o",
    "rgba5551 rgb888 - o o o o o o o",     "rgba5551 rgb565 o o o o o o o o",   "rgba5551 rgbx5551 o o o o o o o o",
    "rgba5551 rgba5551 o o o o o o o o",
};

// source, destination, then constant alpha, premultiplied
constexpr std::string_view blendTable[] = {
    "rgb888 rgb888 - o",     "rgb888 rgb565 o o",     "rgb888 rgbx5551 o o",     "rgb888 rgba5551 o o",
    "rgba8888 rgba5551 o -", "rgb565 rgb888 o o",     "rgb565 rgb565 - o",       "rgb565 rgbx5551 o o",
    "rgb565 rgba5551 o o",   "rgbx5551 rgb888 o o",   "rgbx5551 rgb565 o o",     "rgbx5551 rgbx5551 o o",
    "rgbx5551 rgba5551 o o", "rgba5551 rgb888 o o",   "rgba5551 rgb565 - o",     "rgba5551 rgbx5551 o o",
    "rgba5551 rgba5551 - o",
};

std::set<std::string> namesFrom(std::span<const std::string_view> table, std::vector<std::string> modes)
{
    std::set<std::string> names;
    for (std::string_view row : table) {
        std::istringstream in{std::string(row)};
        std::string src, dst, cell;
        in >> src >> dst;
        for (const std::string& mode : modes)
            if (in >> cell && cell == "o")
                names.insert("pel_" + mode + "_" + src + "_to_" + dst);
    }
    return names;
}

template <class Fn, std::size_t N>
std::set<std::string> namesOf(const pelMember<Fn> (&list)[N])
{
    std::set<std::string> names;
    for (const auto& m : list) {
        EXPECT_EQ(m.name, "pel_" + std::string(m.mode) + "_" + std::string(m.src) + "_to_" + std::string(m.dst));
        names.insert(std::string(m.name));
    }
    EXPECT_EQ(names.size(), N) << "a name listed twice";
    return names;
}

TEST(PelOps, MemberListsEqualTheMemberTables)
{
    const auto colour = namesFrom(colourTable, {"modulate", "modulate2x", "modulate4x", "add", "addsigned", "addsigned2x", "subtract", "addsmooth"});
    EXPECT_EQ(colour.size(), 123u);
    EXPECT_EQ(namesOf(pelColourMembers), colour);
    const auto blend = namesFrom(blendTable, {"alpha", "premul"});
    EXPECT_EQ(blend.size(), 13u + 16u);
    std::set<std::string> listed = namesOf(pelAlphaMembers);
    listed.merge(namesOf(pelPremulMembers));
    EXPECT_EQ(listed, blend);
}

} // namespace
