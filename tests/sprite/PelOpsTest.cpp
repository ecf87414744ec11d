// The per-pixel operators against a reference written from the formula and format tables: every
// channel pair, random whole pixels between guard bytes, golden vectors and the member lists.
#include "sprite/PelOpList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// splitmix64: a seed reruns a sweep exactly, on any standard library.
struct Rng {
    uint64_t state;
    uint64_t next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int in(int lo, int hi) { return lo + static_cast<int>(next() % static_cast<uint64_t>(hi - lo + 1)); }
    // Eight bytes leaning toward 0x00 and 0xFF, where the clamps and carries live.
    uint64_t bytes()
    {
        uint64_t v = next();
        const uint64_t pick = next();
        for (int k = 0; k < 8; ++k) {
            const uint64_t q = (pick >> 3 * k) & 7, byte = 0xFFull << 8 * k;
            v = q == 0 ? v & ~byte : q == 1 ? v | byte : v;
        }
        return v;
    }
};

enum class Fmt { Rgb888, Rgba8888, Rgb565, Rgbx5551, Rgba5551 };
enum class Formula { Modulate, Modulate2x, Modulate4x, Add, AddSigned, AddSigned2x, Subtract, AddSmooth, Alpha, Premul };
enum class Family { Colour, Alpha, Premul };

Fmt fmtOf(std::string_view w)
{
    if (w == "rgb888") return Fmt::Rgb888;
    if (w == "rgba8888") return Fmt::Rgba8888;
    if (w == "rgb565") return Fmt::Rgb565;
    if (w == "rgbx5551") return Fmt::Rgbx5551;
    if (w == "rgba5551") return Fmt::Rgba5551;
    ADD_FAILURE() << "unknown format word " << w;
    return Fmt::Rgb888;
}

Formula formulaOf(std::string_view w)
{
    constexpr std::string_view words[] = {"modulate", "modulate2x", "modulate4x", "add", "addsigned",
                                          "addsigned2x", "subtract", "addsmooth", "alpha", "premul"};
    for (std::size_t i = 0; i < std::size(words); ++i)
        if (words[i] == w)
            return static_cast<Formula>(i);
    ADD_FAILURE() << "unknown mode word " << w;
    return Formula::Add;
}

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

    int srcBytes() const { return src == Fmt::Rgba8888 ? 4 : is8bit(src) ? 3 : 2; }
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
    Op op{std::string(m.name), formulaOf(m.mode), fmtOf(m.src), fmtOf(m.dst), nullptr, nullptr};
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
    explicit Case(Rng& rng) : dst(rng.bytes()), src(rng.bytes()) {}
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
std::vector<int> opacities(const Op& op, Rng& rng)
{
    if (!op.blend) return {0};
    std::vector<int> as{0, 1, 64, 127, 128, 129, 255, 256, -1, 257, INT_MIN, INT_MAX};
    for (int i = 0; i < 4; ++i)
        as.push_back(rng.in(-300, 600));
    return as;
}

constexpr uint64_t Seed = 0x5EED0021;

class PelOpsFamily : public testing::TestWithParam<Family> {};

// For each channel, every pair of destination and source field values, with the other bits
// random and then inverted, so every bit outside the channel is seen both set and clear.
TEST_P(PelOpsFamily, EveryChannelPairMatchesTheReference)
{
    Rng rng{Seed};
    for (const Op& op : opsOf(GetParam()))
        for (int a : opacities(op, rng))
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
        Rng rng{seed};
        const std::vector<int> as = opacities(ops[k], rng);
        for (long i = 0; i < pairs; ++i) {
            const Case c(rng);
            const uint64_t r = rng.next();
            const int a = r & 1 ? as[(r >> 1) % as.size()] : rng.in(-300, 600);
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

} // namespace
