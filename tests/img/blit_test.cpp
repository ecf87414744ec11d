// Two-image operations against a per-pixel model: every pair of copy, alpha draw and constant alpha,
// palettes, index copies, keys, clipping, self-draws, and the dispatch table.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "img/image_context.h"
#include "img/image_row.h"
#include "img/palette.h"
#include "img/pixel.h"
#include "tests/support/simd_levels.h"
#include "img_test_support.h"
#include "talvo/exception.h"

namespace {

using namespace talvo::g;
using imgtest::Mismatches;
using imgtest::Surface;

// ---- reference model, from the operations' rules; conversions through convertPixelFrom ----

enum class Kind { copy, draw, alphaK };
constexpr PelFmtId paletted = 100;  // a source kind: id 9 with a palette

struct Field {
    unsigned shift, width;
};
// Colour fields r, g, b of the formats 1 to 8.
const Field colourFields[9][3] = {
    {},
    {{16, 8}, {8, 8}, {0, 8}}, {{16, 8}, {8, 8}, {0, 8}}, {{16, 8}, {8, 8}, {0, 8}},
    {{11, 5}, {5, 6}, {0, 5}}, {{10, 5}, {5, 5}, {0, 5}}, {{10, 5}, {5, 5}, {0, 5}},
    {{8, 4}, {4, 4}, {0, 4}},  {{8, 4}, {4, 4}, {0, 4}},
};
// The bits the x formats keep through a conversion, and the bits a source key compares.
const std::uint32_t xBits[9] = {0, 0, 0xFF000000, 0, 0, 0x8000, 0, 0xF000, 0};
const std::uint32_t keyBits[9] = {0, 0xFFFFFF, 0xFFFFFF, ~0u, 0xFFFF, 0x7FFF, 0xFFFF, 0x0FFF, 0xFFFF};

std::uint32_t convert(PelFmtId s, std::uint32_t v, PelFmtId d) {
    std::uint32_t out = 0;
    withPixelFormat(s, 0, [&]<PelFmtId S>() { return out = convertPixelFrom(Pixel<S>::fromValue(v), d); });
    return out;
}

// The copy's cell: =, =32, A, B3 or the conversion that keeps x bits.
std::uint32_t refCopy(PelFmtId d, PelFmtId s, std::uint32_t old, std::uint32_t v) {
    if (d == s || (d == 2 && s == 3)) return v;
    if (d == 3 && s == 2) return v | 0xFF000000;
    if (d == 1 && (s == 2 || s == 3)) return v & 0xFFFFFF;
    return convert(s, v, d) | (old & xBits[d]);
}

template <class F>
std::uint32_t mixFields(PelFmtId d, std::uint32_t old, std::uint32_t c, F f) {
    std::uint32_t out = old;
    for (const Field fl : colourFields[d]) {
        const std::uint32_t mask = (1u << fl.width) - 1;
        const std::uint32_t r = f((old >> fl.shift) & mask, (c >> fl.shift) & mask);
        out = (out & ~(mask << fl.shift)) | (r << fl.shift);
    }
    return out;
}

std::uint32_t twoProduct(PelFmtId d, std::uint32_t old, std::uint32_t c, std::uint32_t a) {
    return mixFields(d, old, c, [a](std::uint32_t x, std::uint32_t y) { return (x * (256 - a) >> 8) + (y * a >> 8); });
}

std::uint32_t refDraw(PelFmtId d, PelFmtId s, std::uint32_t old, std::uint32_t v) {
    std::uint32_t a;
    switch (s) {
        case 3: a = v >> 24; break;
        case 6: a = v >> 15 ? 255 : 0; break;
        case 8: a = (v >> 12) * 17; break;
        default: return refCopy(d, s, old, v);
    }
    if (a == 0) return old;
    if (a == 255) return refCopy(d, s, old, v);
    return twoProduct(d, old, d == s ? v : convert(s, v, d), a);
}

std::uint32_t refAlphaK(PelFmtId d, PelFmtId s, std::uint32_t old, std::uint32_t v, std::uint32_t k) {
    k = std::min(k, 255u);
    if (d == 2 && s == 2) return twoProduct(d, old, v, k);
    if (d == 4 && s == 4)
        return mixFields(d, old, v, [k](std::uint32_t x, std::uint32_t y) {
            return std::uint32_t(std::int32_t(x) + ((std::int32_t(y) - std::int32_t(x)) * std::int32_t(k) >> 8));
        });
    if (k == 0) return old;
    if (k == 255) return refCopy(d, s, old, v);
    return twoProduct(d, old, d == s ? v : convert(s, v, d), k);
}

// One destination pixel. A paletted source gives its entry in the destination format, which the
// operation treats as a source of that format.
std::uint32_t refPixel(Kind kind, PelFmtId d, PelFmtId s, std::uint32_t old, std::uint32_t v, std::uint32_t k) {
    switch (kind) {
        case Kind::copy: return refCopy(d, s, old, v);
        case Kind::draw: return refDraw(d, s, old, v);
        default: return refAlphaK(d, s, old, v, k);
    }
}

struct Draw {
    Kind kind;
    std::int32_t x, y;
    Rect srcRect;
    std::uint32_t k;
};

void run(Image& dst, Image& src, const Draw& dr) {
    switch (dr.kind) {
        case Kind::copy: return dst.blit(dr.x, dr.y, src, &dr.srcRect);
        case Kind::draw: return dst.draw(dr.x, dr.y, src, &dr.srcRect);
        default: return dst.blendK(dr.x, dr.y, src, &dr.srcRect, dr.k);
    }
}

// What the draw must leave in the destination block: each source pixel of the rectangle that lies in
// the source lands at its place if that lies in the destination and its clip rectangle.
std::vector<std::uint8_t> model(Surface& dst, Surface& src, PelFmtId d, PelFmtId s, Palette* palette,
                                const Draw& dr) {
    std::vector<std::uint8_t> out = dst.snapshot();
    const Image& di = *dst.image;
    const Image& si = *src.image;
    const bool index = d == 9;
    const std::uint32_t dBytes = pelFmtBytes[d];
    for (std::int64_t sy = dr.srcRect.y0; sy < dr.srcRect.y1; ++sy)
        for (std::int64_t sx = dr.srcRect.x0; sx < dr.srcRect.x1; ++sx) {
            const std::int64_t x = dr.x + sx - dr.srcRect.x0, y = dr.y + sy - dr.srcRect.y0;
            if (sx < 0 || sy < 0 || sx >= si.width() || sy >= si.height()) continue;
            if (x < 0 || y < 0 || x >= di.width() || y >= di.height()) continue;
            if (di.hasClipRect()) {
                const Rect& c = di.clipRect();
                if (x < c.x0 || y < c.y0 || x >= c.x1 || y >= c.y1) continue;
            }
            const std::uint32_t v = src.value(std::int32_t(sx), std::int32_t(sy));
            if (si.hasColorKey()) {
                const std::uint32_t key = si.keyPixel();
                const bool hit = index ? (v & 0xFF) == (key & 0xFF) : s == paletted ? v == key : ((v ^ key) & keyBits[s]) == 0;
                if (hit) continue;
            }
            std::uint8_t* p = out.data() + dst.offset(std::int32_t(x), std::int32_t(y));
            std::uint32_t value = v;
            if (!index) {
                const std::uint32_t old = imgtest::le(p, dBytes);
                if (s == paletted) {
                    const std::uint32_t entry = v < palette->count() ? palette->entryAs(v, d) : 0;
                    value = dr.kind == Kind::alphaK ? refAlphaK(d, d, old, entry, dr.k) : entry;
                } else {
                    value = refPixel(dr.kind, d, s, old, v, dr.k);
                }
            }
            imgtest::putLe(p, dBytes, value);
        }
    return out;
}

// Alphas where the rules turn: 0, 1, 127, 128, 254, 255, or any.
std::uint32_t edgeAlpha(SeededRng& rng) {
    const std::uint32_t alphas[] = {0, 1, 127, 128, 254, 255, rng.below(256)};
    return alphas[rng.below(7)];
}

// A rectangle around an image of w x h: mostly inside, often reaching past an edge, now and then far away.
Rect looseRect(SeededRng& rng, std::int32_t w, std::int32_t h) {
    if (rng.below(16) == 0) return {rng.between(-40, 40), rng.between(-40, 40), rng.between(-40, 40), rng.between(-40, 40)};
    const std::int32_t x0 = rng.between(-3, w), y0 = rng.between(-3, h);
    return {x0, y0, x0 + rng.between(0, w + 3), y0 + rng.between(0, h + 3)};
}

std::unique_ptr<Palette> randomPalette(SeededRng& rng) {
    const std::uint32_t counts[] = {0, 5, 256, 300};
    const std::uint32_t count = counts[rng.below(4)];
    std::vector<std::uint8_t> entries(std::size_t{count} * 4);
    for (auto& b : entries) b = rng.edgeByte();
    auto palette = std::make_unique<Palette>();
    palette->set(entries.data(), count);
    return palette;
}

// One seeded case: random images, layouts, rectangles, keys and clip rectangles; every byte compared.
void checkCase(Kind kind, PelFmtId d, PelFmtId s, std::uint32_t k, std::uint64_t seed, Mismatches& bad,
               std::int32_t side = 12) {
    SeededRng rng(seed);
    const auto layout = [&] { return Surface::Layout(rng.below(3)); };
    std::unique_ptr<Palette> srcPalette = s == paletted ? randomPalette(rng) : nullptr;
    std::unique_ptr<Palette> dstPalette = d == 9 && rng.below(2) ? randomPalette(rng) : nullptr;
    Surface dst(d, dstPalette.get(), rng.between(1, side), rng.between(1, 12), layout(), rng);
    Surface src(s == paletted ? 9 : s, srcPalette.get(), rng.between(1, side), rng.between(1, 12), layout(), rng);
    Image& si = *src.image;
    for (std::int32_t y = 0; y < si.height(); ++y)
        for (std::int32_t x = 0; x < si.width(); ++x) {
            if (s == 3) src.at(x, y)[3] = std::uint8_t(edgeAlpha(rng));
            if (d <= 8 && rng.below(2)) imgtest::putLe(dst.at(x % dst.image->width(), y % dst.image->height()),
                                                      pelFmtBytes[d], dst.value(x % dst.image->width(), y % dst.image->height()) | xBits[d]);
        }
    if (rng.below(2)) {  // the key of a pixel that occurs, x bits now and then changed
        const std::uint32_t v = src.value(rng.between(0, si.width() - 1), rng.between(0, si.height() - 1));
        si.setColorKey(s <= 8 && rng.below(2) ? v ^ xBits[s] : v);
    }
    if (rng.below(3) == 0) dst.image->setClipRect(looseRect(rng, dst.image->width(), dst.image->height()));
    if (rng.below(4) == 0) si.setClipRect(looseRect(rng, si.width(), si.height()));  // plays no part
    const Draw dr{kind, rng.between(-6, dst.image->width() + 2), rng.between(-6, dst.image->height() + 2),
                  looseRect(rng, si.width(), si.height()), k};
    const std::vector<std::uint8_t> expected = model(dst, src, d, s, srcPalette.get(), dr);
    run(*dst.image, si, dr);
    const auto result = dst.equals(expected);
    if (!result) bad.add("kind ", int(kind), " dst ", d, " src ", s, " k ", k, " seed ", seed, ": ", result.message());
}

// Runs check(bad) at every vector level the processor has.
template <class F>
void sweepAtEveryLevel(F check) {
    onEveryTalvoLevel([&] {
        Mismatches bad;
        check(bad);
        EXPECT_TRUE(bad.none());
    });
}

TEST(Blit, EveryPairAgainstTheModel) {
    sweepAtEveryLevel([](Mismatches& bad) {
        const std::uint32_t ks[] = {0, 1, 100, 128, 254, 255, 256, 1000};
        PelFmtId sources[] = {1, 2, 3, 4, 5, 6, 7, 8, paletted};
        std::uint64_t seed = 1;
        for (Kind kind : {Kind::copy, Kind::draw, Kind::alphaK})
            for (PelFmtId d = 1; d <= 8; ++d)
                for (PelFmtId s : sources)
                    for (std::uint32_t rep = 0; rep < 16; ++rep) checkCase(kind, d, s, ks[rep % 8], ++seed, bad);
        for (Kind kind : {Kind::copy, Kind::draw})  // index copies: 8-bit onto 8-bit, palettes or none
            for (PelFmtId s : {PelFmtId{9}, paletted})
                for (std::uint32_t rep = 0; rep < 16; ++rep) checkCase(kind, 9, s, 0, ++seed, bad);
    });
}

// Rows long enough for the pairs that take several pixels a step, with ragged ends.
TEST(Blit, WideRowsAgainstTheModel) {
    struct Pair {
        Kind kind;
        PelFmtId d, s;
    };
    sweepAtEveryLevel([](Mismatches& bad) {
        std::uint64_t seed = 100000;
        for (const Pair p : {Pair{Kind::draw, 2, 3}, Pair{Kind::draw, 4, 3}, Pair{Kind::alphaK, 2, 2}, Pair{Kind::alphaK, 4, 1}})
            for (std::uint32_t rep = 0; rep < 48; ++rep) checkCase(p.kind, p.d, p.s, rep % 256, ++seed, bad, 40);
        for (PelFmtId d = 1; d <= 8; ++d)
            for (PelFmtId s = 1; s <= 8; ++s)
                for (std::uint32_t rep = 0; rep < 8; ++rep) checkCase(Kind::copy, d, s, 0, ++seed, bad, 40);
    });
}

// The stepped pairs over every byte, at every alpha or K (the copies at alphas 0 and 255): source channels all x, destination channel c
// of row y 3y + c (Rgb565 fields: y's low bits), x bytes set; rows of whole steps.
TEST(Blit, SteppedPairsOverEveryByte) {
    struct Pair {
        Kind kind;
        PelFmtId d, s;
    };
    sweepAtEveryLevel([](Mismatches& bad) {
        for (const Pair p : {Pair{Kind::draw, 2, 3}, Pair{Kind::draw, 4, 3}, Pair{Kind::alphaK, 2, 2}, Pair{Kind::alphaK, 4, 1},
                             Pair{Kind::copy, 4, 2}, Pair{Kind::copy, 4, 3}, Pair{Kind::copy, 5, 6}}) {
            const std::int32_t w = 256, h = p.d == 4 ? 64 : 86;
            const std::uint32_t db = pelFmtBytes[p.d], sb = pelFmtBytes[p.s];
            std::vector<std::uint8_t> dst(std::size_t(w * h) * db), src(std::size_t(w * h) * sb);
            ImageRow di(w, h, PelFmt(p.d), dst.data(), std::int32_t(w * db)), si(w, h, PelFmt(p.s), src.data(), std::int32_t(w * sb));
            for (std::uint32_t t = 0; t < 256; t += p.kind == Kind::copy ? 255 : 1) {
                for (std::uint32_t y = 0; y < std::uint32_t(h); ++y)
                    for (std::uint32_t x = 0; x < std::uint32_t(w); ++x) {
                        const std::size_t i = y * w + x;
                        const auto channel = [y](std::uint32_t c) { return std::min(3 * y + c, 255u); };
                        imgtest::putLe(&src[i * sb], sb, x * 0x010101u | (p.s == 3 ? t : y) << 24);
                        imgtest::putLe(&dst[i * db], db, p.d == 4 ? (y & 31) << 11 | y << 5 | (y & 31)
                                                                  : channel(2) << 16 | channel(1) << 8 | channel(0) | (x ^ t) << 24);
                    }
                const std::vector<std::uint8_t> before = dst;
                run(di, si, Draw{p.kind, 0, 0, Rect{0, 0, w, h}, t});
                for (std::size_t i = 0; i < std::size_t(w * h); ++i) {
                    const std::uint32_t old = imgtest::le(&before[i * db], db), v = imgtest::le(&src[i * sb], sb);
                    const std::uint32_t want = refPixel(p.kind, p.d, p.s, old, v, t), got = imgtest::le(&dst[i * db], db);
                    if (got != want) bad.add("kind ", int(p.kind), " dst ", p.d, " src ", p.s, " t ", t, " old ", old, " v ", v, ": ", got, " not ", want);
                }
            }
        }
    });
}

// Golden pixels of the rules, through 1 x 1 images.
TEST(Blit, GoldenPixels) {
    struct Case {
        Kind kind;
        PelFmtId d, s;
        std::uint32_t k, old, v, expected;
        std::int64_t key;  // -1: none
    };
    const Case cases[] = {
        {Kind::copy, 2, 3, 0, 0x00000000, 0x80112233, 0x80112233, -1},
        {Kind::copy, 3, 2, 0, 0x00000000, 0x00112233, 0xFF112233, -1},
        {Kind::copy, 2, 1, 0, 0x7F000000, 0x112233, 0x7F112233, -1},
        {Kind::copy, 5, 6, 0, 0x8000, 0x7FFF, 0xFFFF, -1},
        {Kind::copy, 6, 6, 0, 0x8000, 0x7FFF, 0x7FFF, -1},
        {Kind::copy, 1, 4, 0, 0, 0xFFFF, 0xFFFFFF, -1},
        {Kind::copy, 1, 4, 0, 0, 0x0821, 0x080408, -1},
        {Kind::copy, 4, 4, 0, 0x1234, 0xF81F, 0x1234, 0xF81F},
        {Kind::copy, 5, 5, 0, 0x1234, 0x801F, 0x1234, 0x001F},
        {Kind::copy, 6, 6, 0, 0x1234, 0x801F, 0x801F, 0x001F},
        {Kind::copy, 3, 2, 0, 0x1234, 0xFFFF00FF, 0x1234, 0x00FF00FF},
        {Kind::copy, 3, 3, 0, 0x1234, 0xFFFF00FF, 0xFFFF00FF, 0x00FF00FF},
        {Kind::draw, 2, 3, 0, 0x000000FF, 0x80FF0000, 0x007F007F, -1},
        {Kind::draw, 2, 3, 0, 0x00000000, 0xFF123456, 0xFF123456, -1},
        {Kind::draw, 1, 3, 0, 0x000000, 0xFF123456, 0x123456, -1},
        {Kind::draw, 3, 3, 0, 0xFFFFFFFF, 0x01000000, 0xFFFEFEFE, -1},
        {Kind::draw, 4, 3, 0, 0x001F, 0x80FF0000, 0x780F, -1},
        {Kind::draw, 4, 6, 0, 0x1234, 0x7C00, 0x1234, -1},
        {Kind::draw, 4, 6, 0, 0x1234, 0xFC00, 0xF800, -1},
        {Kind::draw, 8, 8, 0, 0x000F, 0x8F00, 0x0707, -1},
        {Kind::draw, 3, 3, 0, 0x00000000, 0x80FF00FF, 0x007F007F, 0x00FF00FF},
        {Kind::alphaK, 2, 2, 255, 0xAB000000, 0x00FFFFFF, 0xABFEFEFE, -1},
        {Kind::alphaK, 2, 2, 128, 0x00C8C8C8, 0x00646464, 0x00969696, -1},
        {Kind::alphaK, 3, 3, 255, 0x00000000, 0x12345678, 0x12345678, -1},
        {Kind::alphaK, 3, 2, 255, 0x00000000, 0x00345678, 0xFF345678, -1},
        {Kind::alphaK, 2, 3, 255, 0x00000000, 0x12345678, 0x12345678, -1},
        {Kind::alphaK, 4, 4, 100, 0xA000, 0x5000, 0x8000, -1},
        {Kind::alphaK, 6, 2, 128, 0x8000, 0x000000, 0x8000, -1},
        {Kind::alphaK, 6, 2, 255, 0x0000, 0x000000, 0x8000, -1},
        {Kind::alphaK, 5, 5, 255, 0x0000, 0x8000, 0x8000, -1},
        {Kind::alphaK, 5, 6, 255, 0x8000, 0x0000, 0x8000, -1},
        {Kind::alphaK, 2, 2, 128, 0x00000000, 0xFFFF00FF, 0x00000000, 0x00FF00FF},
        {Kind::alphaK, 3, 3, 255, 0x00000000, 0xFFFF00FF, 0xFFFF00FF, 0x00FF00FF},
        {Kind::alphaK, 3, 3, 1000, 0x00000000, 0x12345678, 0x12345678, -1},
    };
    for (const Case& c : cases) {
        std::uint8_t d[4], s[4];
        imgtest::putLe(d, 4, c.old);
        imgtest::putLe(s, 4, c.v);
        ImageRow dst(1, 1, PelFmt(c.d), d, 4), src(1, 1, PelFmt(c.s), s, 4);
        if (c.key >= 0) src.setColorKey(std::uint32_t(c.key));
        run(dst, src, {c.kind, 0, 0, {0, 0, 1, 1}, c.k});
        EXPECT_EQ(imgtest::le(d, pelFmtBytes[c.d]), c.expected)
            << int(c.kind) << " " << c.d << " from " << c.s << " k " << c.k << " value " << std::hex << c.v;
    }
    // A paletted source: entry 5 (B 0, G 0, R 255, A 255) into Rgb565; key on index 3.
    std::vector<std::uint8_t> entries(6 * 4, 0);
    entries[5 * 4 + 2] = entries[5 * 4 + 3] = 255;
    Palette palette;
    palette.set(entries.data(), 6);
    std::uint8_t indices[2] = {5, 3};
    std::uint8_t pixels[4] = {0x34, 0x12, 0x34, 0x12};
    ImageRow src(2, 1, PelFmt(9, &palette), indices, 2), dst(2, 1, PelFmt(4), pixels, 4);
    src.setColorKey(3);
    dst.blit(0, 0, src);
    EXPECT_EQ(imgtest::le(pixels, 4), 0x1234F800u);
}

// Within one image, rectangles overlapping in each of the eight directions give what drawing from an
// untouched copy of the source gives.
TEST(Blit, SelfDrawsEqualDrawsFromACopy) {
    sweepAtEveryLevel([](Mismatches& bad) {
        std::uint64_t seed = 5000;
        for (PelFmtId id = 1; id <= 9; ++id)
            for (Kind kind : {Kind::copy, Kind::alphaK})
                for (std::int32_t dy = -1; dy <= 1; ++dy)
                    for (std::int32_t dx = -1; dx <= 1; ++dx) {
                        if ((dx == 0 && dy == 0) || (id == 9 && kind == Kind::alphaK)) continue;
                        ++seed;
                        // Three images of the same bytes: drawn onto itself, and a destination and source pair.
                        const auto make = [&] {
                            SeededRng rng(seed);
                            return std::make_unique<Surface>(id, nullptr, 12, 10, Surface::Layout(seed % 3), rng);
                        };
                        auto self = make(), dst = make(), src = make();
                        SeededRng rng(~seed);
                        if (rng.below(2))
                            for (Surface* s : {self.get(), src.get()}) s->image->setColorKey(self->value(4, 4));
                        const Draw dr{kind, 3 + dx * rng.between(1, 3), 2 + dy * rng.between(1, 3), {3, 2, 10, 9}, 100};
                        run(*self->image, *self->image, dr);
                        run(*dst->image, *src->image, dr);
                        const auto result = self->equals(dst->snapshot());
                        if (!result) bad.add("format ", id, " kind ", int(kind), " direction ", dx, ",", dy, ": ", result.message());
                    }
    });
}

// The drivers' placement and cuts, operations given back, rectangles restored, clones.
TEST(Blit, DriversRectanglesAndClones) {
    std::uint16_t line[20], out[20] = {};
    for (std::uint16_t i = 0; i < 20; ++i) line[i] = std::uint16_t(i + 1);
    ImageRow src(20, 1, PelFmt(4), line, 40), dst(20, 1, PelFmt(4), out, 40);
    const OpHandle<OpAssignStd> copy(dst.context().makeAssign());
    dst.blitRectWith({1, 0, 3, 1}, src, nullptr, *copy);  // cut to the destination rectangle's width
    EXPECT_EQ(std::vector<std::uint16_t>(out, out + 4), (std::vector<std::uint16_t>{0, 1, 2, 0}));
    EXPECT_EQ(copy->rect, nullptr);
    dst.setClipRect({10, 0, 20, 1});  // a draw starting 10 left of the clip copies from column 10 on
    dst.blit(0, 0, src);
    EXPECT_EQ(out[9], 0);
    EXPECT_EQ(out[10], 11);
    EXPECT_EQ(out[19], 20);

    Palette palette;
    ImageRow indexed(1, 1, PelFmt(9, &palette), out, 1);
    const OpHandle<UOpFillStd> fill(dst.context().makeFill(1));
    const Rect r{0, 0, 1, 1};
    fill->rect = &r;
    fill->dst = &indexed;
    EXPECT_THROW(indexed.apply(*fill), talvo::Exception);
    EXPECT_EQ(fill->rect, &r);
    ImageContext::release(nullptr);

    SeededRng rng(99);
    for (PelFmtId id = 1; id <= 11; ++id)
        for (bool keyed : {false, true}) {
            Surface s(id, nullptr, 5, 3, Surface::bottomUp, rng);
            if (keyed) s.image->setColorKey(s.value(1, 1));
            const std::unique_ptr<Image> made = s.image->clone();
            auto& clone = dynamic_cast<ImageRow&>(*made);
            ASSERT_EQ(clone.pitch(), std::int32_t(5 * pelFmtBytes[id]));
            EXPECT_FALSE(clone.hasColorKey());
            for (std::int32_t y = 0; y < 3; ++y)
                for (std::int32_t x = 0; x < 5; ++x) {
                    const std::uint32_t v = s.value(x, y);
                    const bool skipped = id >= 10 || (keyed && ((v ^ s.image->keyPixel()) & (id == 9 ? 0xFF : keyBits[id])) == 0);
                    EXPECT_EQ(imgtest::le(clone.pixels() + y * clone.pitch() + x * pelFmtBytes[id], pelFmtBytes[id]),
                              skipped ? 0 : v) << id << " " << keyed << " at " << x << "," << y;
                }
        }
}

}  // namespace
