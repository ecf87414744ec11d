// The decoders' general path against resize and blit done by hand: other sizes, other formats,
// destination rectangles reaching outside the destination or its clip rectangle.
#include <algorithm>
#include <cstdint>

#include "img/image_row.h"
#include "img/jpg_decoder.h"
#include "img/tga_decoder.h"
#include "img_test_support.h"
#include "picture_files.h"

namespace {

using namespace talvo::g;
using imgtest::Bytes;
using imgtest::MemStream;
using imgtest::Mismatches;

constexpr talvo::io::IoState badAndFail = talvo::io::badBit | talvo::io::failBit;

// A destination of the format with a recognisable background, and a clip rectangle now and then.
void prepare(ImageRow& d, PelFmtId id, SeededRng& rng) {
    d.create(23, 17, PelFmt(id));
    for (std::int32_t y = 0; y < d.height(); ++y)
        std::fill_n(d.pixels() + std::ptrdiff_t{y} * d.pitch(), d.pitch(), std::uint8_t(0x5A + y));
    if (rng.below(3) == 0) d.setClipRect({2, 1, 20, 15});
}

Rect randomInside(SeededRng& rng, std::int32_t w, std::int32_t h) {
    const std::int32_t x0 = std::int32_t(rng.below(std::uint32_t(w)));
    const std::int32_t y0 = std::int32_t(rng.below(std::uint32_t(h)));
    return {x0, y0, x0 + 1 + std::int32_t(rng.below(std::uint32_t(w - x0))),
            y0 + 1 + std::int32_t(rng.below(std::uint32_t(h - y0)))};
}

// Rectangles of the same size now and then, and some reaching past the destination's edges.
Rect randomTarget(SeededRng& rng, const Rect& s) {
    const std::int32_t x0 = std::int32_t(rng.below(30)) - 6, y0 = std::int32_t(rng.below(24)) - 5;
    if (rng.below(3) == 0) return {x0, y0, x0 + s.width(), y0 + s.height()};
    return {x0, y0, x0 + 1 + std::int32_t(rng.below(30)), y0 + 1 + std::int32_t(rng.below(25))};
}

// What the decoder must give: the source rectangle of the whole picture, resized to t, blitted at t.
void byHand(ImageRow& picture, const Rect& s, ImageRow& d, const Rect& t, std::uint32_t mode) {
    ImageRow part;
    part.create(s.width(), s.height(), picture.format());
    part.blit(0, 0, picture, &s);
    part.resize(t.width(), t.height(), mode);
    d.blit(t.x0, t.y0, part);
}

template <class Decoder>
void compare(Mismatches& bad, std::uint64_t seed, const Bytes& file, SeededRng& rng) {
    ImageRow whole;
    {
        MemStream stream(file, badAndFail);
        Decoder().load(stream.in(), whole);
    }
    const Rect s = randomInside(rng, whole.width(), whole.height());
    const Rect t = randomTarget(rng, s);
    const std::uint32_t mode = rng.below(2);
    static constexpr PelFmtId formats[] = {1, 3, 4};
    const PelFmtId id = rng.below(4) == 0 ? whole.format().id() : formats[rng.below(3)];
    SeededRng copy = rng;
    ImageRow got, want;
    prepare(got, id, rng);
    prepare(want, id, copy);
    MemStream stream(file, badAndFail);
    Decoder decoder;
    decoder.open(stream.in());
    decoder.read(&s, got, &t, mode);
    byHand(whole, s, want, t, mode);
    if (!std::equal(got.pixels(), got.pixels() + std::ptrdiff_t{got.pitch()} * got.height(), want.pixels()))
        bad.add("seed ", seed, ": format ", id, " source ", s.x0, ",", s.y0, " ", s.width(), "x", s.height(),
                " target ", t.x0, ",", t.y0, " ", t.width(), "x", t.height(), " mode ", mode);
}

TEST(DecoderPaths, TgaEqualsResizeThenBlit) {
    Mismatches bad;
    for (std::uint64_t seed = 0; seed < 200; ++seed) {
        SeededRng rng(seed);
        imgtest::TgaFile f;
        static constexpr std::uint8_t types[] = {1, 2, 9, 10};
        f.type = types[rng.below(4)];
        f.depth = f.type == 1 || f.type == 9 ? 8 : std::uint8_t(8 * (2 + rng.below(3)));
        f.width = std::uint16_t(1 + rng.below(14));
        f.height = std::uint16_t(1 + rng.below(11));
        if (f.depth == 8) f.map.resize(std::size_t{f.mapLength = 256} * 3);
        for (auto& b : f.map) b = rng.edgeByte();
        f.pixels.resize(std::size_t{f.width} * f.height * (f.depth / 8));
        for (auto& b : f.pixels) b = rng.edgeByte();
        compare<TgaDecoder>(bad, seed, imgtest::tgaBytes(f), rng);
    }
    EXPECT_TRUE(bad.none());
}

TEST(DecoderPaths, JpegEqualsResizeThenBlit) {
    Mismatches bad;
    for (std::uint64_t seed = 0; seed < 60; ++seed) {
        SeededRng rng(seed);
        const Bytes file = imgtest::jpegBytes(
            {.width = 1 + rng.below(30), .height = 1 + rng.below(20), .components = rng.below(3) == 0 ? 1 : 3,
             .seed = seed});
        compare<JpgDecoder>(bad, seed, file, rng);
    }
    EXPECT_TRUE(bad.none());
}

}  // namespace
