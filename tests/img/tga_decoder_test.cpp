// TGA decoder: a byte-wise reader model against the decoder over written files, golden cases, limits.
#include <algorithm>
#include <cstdint>
#include <string>

#include "img/image_row.h"
#include "img/palette.h"
#include "img/tga_decoder.h"
#include "img_test_support.h"
#include "picture_files.h"
#include "talvo/exception.h"
#include "tests/support/alloc_cap.h"

namespace {

using namespace talvo::g;
using imgtest::Bytes;
using imgtest::operator+;
using imgtest::MemStream;
using imgtest::Mismatches;
using imgtest::TgaFile;
using talvo::io::IoState;

constexpr IoState quiet = 0;
constexpr IoState badAndFail = talvo::io::badBit | talvo::io::failBit;

// What a TGA file decodes to, worked out from the format's rules one stream read at a time.
struct Expected {
    std::string refusal;  // non-empty: open raises this
    bool failed = false;  // a read came up short
    bool headerCut = false;  // already the header's
    std::int32_t width = 0, height = 0;
    PelFmtId id = 0;
    Bytes palette;  // B, G, R, A per entry
    Bytes rows;     // top row first, no padding
};

Expected model(const Bytes& file) {
    Expected e;
    std::size_t at = 0;
    // A read that comes up short delivers what is there; after it every read delivers nothing.
    const auto read = [&](std::uint8_t* to, std::size_t n) {
        if (e.failed) return;
        const std::size_t got = std::min(n, file.size() - at);
        std::copy_n(file.begin() + std::ptrdiff_t(at), got, to);
        at += got;
        e.failed = got < n;
    };
    std::uint8_t h[18] = {};
    read(h, 18);
    e.headerCut = e.failed;
    const auto u16 = [&](int o) { return std::uint32_t(h[o] | h[o + 1] << 8); };
    if (h[2] != 1 && h[2] != 2 && h[2] != 3 && h[2] != 9 && h[2] != 10) return e.refusal = "Unknown TGA Image Type", e;
    const std::uint32_t depth = h[16];
    if (depth != 8 && depth != 16 && depth != 24 && depth != 32)
        return e.refusal = "talvo::g::TgaDecoder: pixel depth other than 8, 16, 24 or 32", e;
    e.width = std::int32_t(u16(12));
    e.height = std::int32_t(u16(14));
    if (std::int64_t{e.width} * e.height > (std::int64_t{1} << 28))
        return e.refusal = "talvo::g::TgaDecoder: picture above 2^28 pixels", e;
    Bytes skipped(h[0]);
    read(skipped.data(), skipped.size());
    if (depth == 8) {
        e.id = 9;
        // Entries as their size says: 15 and 16 bits as 16-bit pixels, 32 bits B, G, R, A; else B, G, R.
        // The map's first entry is index u16(3); indices below it read as those past the end (zero).
        const std::uint32_t entryBytes = h[7] == 15 || h[7] == 16 ? 2 : h[7] == 32 ? 4 : 3;
        if (u16(5) != 0) e.palette.resize(std::size_t{u16(3)} * 4, 0);
        for (std::uint32_t i = 0; i < (u16(5) == 0 ? 256 : u16(5)); ++i) {
            std::uint8_t bgr[3] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
            if (u16(5) != 0) {
                std::uint8_t entry[4] = {};
                for (std::uint32_t k = 0; k < entryBytes; ++k) read(&entry[k], 1);
                const std::uint32_t w = entry[0] | entry[1] << 8;
                for (std::uint32_t c = 0; c < 3; ++c)
                    bgr[c] = entryBytes == 2 ? std::uint8_t((w >> (5 * c) & 31) << 3) : entry[c];
            }
            e.palette.insert(e.palette.end(), {bgr[0], bgr[1], bgr[2], 255});
        }
    } else {
        e.id = depth == 32 ? 3 : 1;
        if (h[1] == 1) {
            skipped.resize(u16(5) * ((h[7] + 7u) / 8));
            read(skipped.data(), skipped.size());
        }
    }
    const std::uint32_t bpp = depth / 8;
    const std::size_t total = std::size_t(e.width) * e.height * bpp;
    Bytes stored(total, 0);
    if (h[2] < 9) {
        read(stored.data(), total);
    } else {
        std::uint8_t header = 0;
        for (std::size_t pos = 0; pos < total;) {
            read(&header, 1);
            std::uint8_t pel[4] = {};
            const bool run = header >= 128;
            const std::uint32_t count = run ? header - 127u : header + 1u;
            if (run) for (std::uint32_t k = 0; k < bpp; ++k) read(&pel[k], 1);
            for (std::uint32_t p = 0; p < count && pos < total; ++p)
                for (std::uint32_t k = 0; k < bpp; ++k) {
                    if (!run) read(&pel[k], 1);
                    stored[pos++] = pel[k];
                }
        }
    }
    for (std::int32_t y = e.height - 1; y >= 0; --y)
        for (std::int32_t x = 0; x < e.width; ++x) {
            const std::uint8_t* p = &stored[(std::size_t(y) * e.width + x) * bpp];
            if (depth != 16) {
                e.rows.insert(e.rows.end(), p, p + bpp);
                continue;
            }
            const std::uint32_t w = p[0] | p[1] << 8;
            e.rows.insert(e.rows.end(), {std::uint8_t((w & 31) << 3), std::uint8_t((w >> 5 & 31) << 3),
                                         std::uint8_t((w >> 10 & 31) << 3)});
        }
    return e;
}

// The loaded image's rows without padding, and its palette entries.
Bytes rowsOf(const ImageRow& image) {
    Bytes rows;
    const std::size_t length = std::size_t(image.width()) * pelBytes(image.format().id());
    for (std::int32_t y = 0; y < image.height(); ++y) {
        const std::uint8_t* row = image.pixels() + std::ptrdiff_t{y} * image.pitch();
        rows.insert(rows.end(), row, row + length);
    }
    return rows;
}

Bytes paletteOf(const ImageRow& image) {
    const Palette* palette = image.format().palette();
    if (palette == nullptr) return {};
    return Bytes(palette->entries(), palette->entries() + std::size_t{palette->count()} * 4);
}

// A random file of every kind the decoder reads: types, depths, colour maps, ids, runs across rows.
TgaFile randomTga(SeededRng& rng) {
    static constexpr std::uint8_t types[] = {1, 2, 3, 9, 10};
    static constexpr std::uint8_t depths[] = {8, 16, 24, 32};
    TgaFile f;
    f.type = types[rng.below(5)];
    f.depth = depths[rng.below(4)];
    f.width = std::uint16_t(rng.below(8) == 0 ? 0 : 1 + rng.below(12));
    f.height = std::uint16_t(1 + rng.below(9));
    f.id.resize(rng.below(3) == 0 ? rng.below(7) : 0);
    static constexpr std::uint8_t entryBits[] = {15, 16, 24, 32};
    if (f.depth == 8) {
        static constexpr std::uint16_t lengths[] = {0, 2, 4, 256};
        f.mapLength = lengths[rng.below(4)];
        f.mapType = f.mapLength != 0;
        f.mapFirst = std::uint16_t(rng.below(3) == 0 ? rng.below(6) : 0);
        f.mapEntryBits = entryBits[rng.below(4)];
        f.map.resize(std::size_t{f.mapLength} * ((f.mapEntryBits + 7) / 8));
    } else if (rng.below(3) == 0) {
        f.mapType = 1;
        f.mapLength = std::uint16_t(rng.below(6));
        f.mapEntryBits = entryBits[rng.below(4)];
        f.map.resize(std::size_t{f.mapLength} * ((f.mapEntryBits + 7) / 8));
    }
    for (auto& b : f.id) b = rng.edgeByte();
    for (auto& b : f.map) b = rng.edgeByte();
    const std::uint32_t bpp = f.depth / 8;
    for (std::size_t i = 0; i < std::size_t{f.width} * f.height; ++i) {
        if (i > 0 && rng.below(2) == 0) {  // repeats make runs
            f.pixels.insert(f.pixels.end(), f.pixels.end() - bpp, f.pixels.end());
            continue;
        }
        for (std::uint32_t k = 0; k < bpp; ++k) f.pixels.push_back(rng.edgeByte());
        if (f.mapLength == 4 && rng.below(4) == 0) f.pixels.back() = 200;  // index beyond the map
    }
    return f;
}

TEST(TgaDecoder, LoadMatchesReaderModel) {
    Mismatches bad;
    for (std::uint64_t seed = 0; seed < 3000; ++seed) {
        SeededRng rng(seed);
        const TgaFile f = randomTga(rng);
        static constexpr std::uint32_t longest[] = {1, 3, 128};
        Bytes file = imgtest::tgaBytes(f, longest[rng.below(3)]);
        if (rng.below(3) == 0) file.resize(rng.below(std::uint32_t(file.size())));  // cut short
        const IoState mask = rng.below(2) == 0 ? quiet : badAndFail;
        const Expected e = model(file);
        MemStream stream(file, mask);
        ImageRow image;
        std::string raised;
        try {
            TgaDecoder().load(stream.in(), image);
        } catch (const talvo::io::Failure&) {
            raised = "failure";
        } catch (const talvo::Exception& x) {
            raised = x.what();
        }
        const bool raises = mask != quiet && e.failed;
        const std::string wanted =
            raises && e.headerCut ? "failure" : !e.refusal.empty() ? e.refusal : raises ? "failure" : "";
        if (raised != wanted) {
            bad.add("seed ", seed, ": raised '", raised, "', wanted '", wanted, "'");
        } else if (wanted.empty() && (image.width() != e.width || image.height() != e.height ||
                                      image.format().id() != e.id || rowsOf(image) != e.rows ||
                                      paletteOf(image) != e.palette)) {
            bad.add("seed ", seed, ": type ", int(f.type), " depth ", int(f.depth), " ", f.width, "x", f.height,
                    " map ", f.mapLength, " differs from the model");
        }
    }
    EXPECT_TRUE(bad.none());
}

struct Golden {
    const char* name;
    Bytes file;
    PelFmtId id;
    Bytes rows;  // top row first
};

Bytes header(std::uint8_t type, std::uint16_t w, std::uint16_t h, std::uint8_t depth, std::uint8_t idLength = 0) {
    return {idLength, 0, type, 0, 0, 0, 0, 24, 0, 0, 0, 0, std::uint8_t(w), std::uint8_t(w >> 8),
            std::uint8_t(h), std::uint8_t(h >> 8), depth, 0};
}

TEST(TgaDecoder, GoldenFiles) {
    const Bytes p{1, 2, 3}, q{4, 5, 6}, r{7, 8, 9}, s{10, 11, 12};
    const Golden cases[] = {
        {"rows bottom first", header(2, 2, 2, 24) + p + q + r + s, 1, r + s + p + q},
        {"run packet", header(10, 2, 1, 24) + Bytes{0x81} + p, 1, p + p},
        {"raw packet", header(10, 2, 1, 24) + Bytes{0x01} + p + q, 1, p + q},
        {"packet across rows", header(10, 2, 2, 24) + Bytes{0x82} + p + Bytes{0x00} + q, 1, p + q + p + p},
        {"16-bit shifts", header(2, 2, 1, 16) + Bytes{0xFF, 0x7F, 0x00, 0x80}, 1, Bytes{248, 248, 248, 0, 0, 0}},
        {"id field skipped", header(2, 1, 1, 24, 5) + Bytes{9, 9, 9, 9, 9} + p, 1, p},
        {"grey indices", header(3, 3, 1, 8) + Bytes{0, 7, 255}, 9, Bytes{0, 7, 255}},
        {"32-bit", header(2, 1, 1, 32) + Bytes{1, 2, 3, 4}, 3, Bytes{1, 2, 3, 4}},
    };
    for (const Golden& g : cases) {
        MemStream stream(g.file, badAndFail);
        ImageRow image;
        TgaDecoder().load(stream.in(), image);
        EXPECT_EQ(image.format().id(), g.id) << g.name;
        EXPECT_EQ(rowsOf(image), g.rows) << g.name;
    }
    MemStream grey(header(3, 1, 1, 8) + Bytes{0}, badAndFail);
    ImageRow image;
    TgaDecoder().load(grey.in(), image);
    const Bytes palette = paletteOf(image);
    ASSERT_EQ(palette.size(), 1024u);
    EXPECT_EQ((Bytes{palette.begin() + 4 * 77, palette.begin() + 4 * 78}), (Bytes{77, 77, 77, 255}));

    // Colour-map entries of each size, the pixels right after them.
    struct Mapped {
        std::uint8_t bits;
        Bytes entries, palette;
    };
    const Mapped maps[] = {
        {15, Bytes{0xFF, 0x7F, 0x1F, 0x80}, Bytes{248, 248, 248, 255, 248, 0, 0, 255}},
        {16, Bytes{0xE0, 0x03, 0x00, 0x7C}, Bytes{0, 248, 0, 255, 0, 0, 248, 255}},
        {24, p + q, Bytes{1, 2, 3, 255, 4, 5, 6, 255}},
        {32, Bytes{1, 2, 3, 4, 5, 6, 7, 0}, Bytes{1, 2, 3, 255, 5, 6, 7, 255}},
    };
    for (const Mapped& m : maps) {
        for (const std::uint8_t type : {1, 9}) {
            Bytes file = header(type, 2, 1, 8) + m.entries + (type == 1 ? Bytes{1, 0} : Bytes{0x01, 1, 0});
            file[1] = 1, file[5] = 2, file[7] = m.bits;
            MemStream stream(file, badAndFail);
            TgaDecoder().load(stream.in(), image);
            EXPECT_EQ(paletteOf(image), m.palette) << int(m.bits) << "-bit entries, type " << int(type);
            EXPECT_EQ(rowsOf(image), (Bytes{1, 0})) << int(m.bits) << "-bit entries, type " << int(type);
        }
    }

    // A map whose first entry is index 1: index i reads entry i - 1; indices below or past the map
    // read as missing entries, all zero once converted.
    const Bytes red{0, 0, 255, 255}, green{0, 255, 0, 255}, missing(4, 0);
    for (const std::uint8_t type : {1, 9}) {
        for (const auto& [indices, colours] : {std::pair{Bytes{1, 2}, red + green}, {Bytes{0, 3}, missing + missing}}) {
            const Bytes map{0, 0, 255, 0, 255, 0};
            Bytes file = header(type, 2, 1, 8) + map + (type == 1 ? Bytes{} : Bytes{0x01}) + indices;
            file[1] = 1, file[3] = 1, file[5] = 2;
            MemStream stream(file, badAndFail);
            TgaDecoder decoder;
            decoder.open(stream.in());
            ImageRow converted;
            converted.create(2, 1, PelFmt(fmtId::rgba8888));
            decoder.read(nullptr, converted, nullptr, 0);
            EXPECT_EQ(rowsOf(converted), colours) << "type " << int(type) << ", index " << int(indices[0]);
        }
    }
}

TEST(TgaDecoder, RefusesUnknownTypesOddDepthsAndHugeHeaders) {
    const std::string missing = "talvo::g::TgaDecoder: the stream cannot hold the pixels the header declares";
    const std::pair<Bytes, std::string> cases[] = {
        {header(0, 1, 1, 24), "Unknown TGA Image Type"},
        {header(11, 1, 1, 24), "Unknown TGA Image Type"},
        {{}, "Unknown TGA Image Type"},  // nothing arrives: the zeroed header has type 0
        {header(2, 1, 1, 0), "talvo::g::TgaDecoder: pixel depth other than 8, 16, 24 or 32"},
        {header(10, 1, 1, 4), "talvo::g::TgaDecoder: pixel depth other than 8, 16, 24 or 32"},
        {header(2, 1, 1, 15), "talvo::g::TgaDecoder: pixel depth other than 8, 16, 24 or 32"},
        {header(2, 1, 1, 40), "talvo::g::TgaDecoder: pixel depth other than 8, 16, 24 or 32"},
        {header(2, 65535, 65535, 32), "talvo::g::TgaDecoder: picture above 2^28 pixels"},
        {header(10, 16384, 16385, 8), "talvo::g::TgaDecoder: picture above 2^28 pixels"},
        // At the pixel limit the header passes; the bytes then decide, before any block is allocated.
        {header(2, 16384, 16384, 8) + Bytes{5}, missing},
        {header(2, 16384, 16384, 32), missing},
        {header(10, 16384, 16384, 32) + Bytes{0xFF, 1, 2, 3, 4}, missing},
        // A cut may lack at most 2^20 bytes: raw ones byte for byte, packets 128 pixels each at most.
        {header(3, 1024, 1025, 8) + Bytes(1023, 7), missing},
        {header(9, 256, 4097, 8) + Bytes{0xFF, 7}, missing},
        {header(3, 1024, 1025, 8) + Bytes(1024, 7), ""},
        {header(9, 256, 4097, 8) + Bytes{0xFF, 7, 0xFF}, ""},
    };
    for (const auto& [file, text] : cases) {
        MemStream stream(file, quiet);
        ImageRow image;
        TgaDecoder decoder;
        try {
            decoder.load(stream.in(), image);
            EXPECT_EQ("", text) << "no exception";
            EXPECT_EQ(image.width(), file[12] | file[13] << 8) << "read as a cut file";
            EXPECT_EQ(image.height(), file[14] | file[15] << 8);
        } catch (const talvo::Exception& e) {
            EXPECT_EQ(std::string(e.what()), text);
        }
        EXPECT_FALSE(decoder.opened());
    }
    // A whole file whose picture the machine will not give: the decoder's error, not std::bad_alloc,
    // through both the block of 16-bit pictures and the picture read in place.
    for (const int depth : {16, 32}) {
        const Bytes file = header(2, 512, 512, depth) + Bytes(std::size_t{512} * 512 * depth / 8, 9);
        MemStream stream(file, quiet);
        ImageRow image;
        const testsupport::AllocCap cap(std::size_t{64} << 10);
        try {
            TgaDecoder().load(stream.in(), image);
            ADD_FAILURE() << depth << "-bit picture under a 64 KiB ceiling";
        } catch (const talvo::Exception& e) {
            EXPECT_STREQ(e.what(), "talvo::g::TgaDecoder: not enough memory for the picture");
        }
        EXPECT_EQ(image.width(), 0);
    }
}

TEST(TgaDecoder, RectanglesOutsideThePictureRaiseAndEmptyOnesWriteNothing) {
    MemStream stream(header(2, 2, 2, 24) + Bytes(12, 1), badAndFail);
    TgaDecoder decoder;
    decoder.open(stream.in());
    ImageRow d;
    d.create(2, 2, PelFmt(1));
    std::fill_n(d.pixels(), 12, 0);
    for (const Rect& s : {Rect{-1, 0, 1, 1}, Rect{0, 0, 3, 1}, Rect{1, 1, 0, 2}, Rect{0, 1, 1, 3}})
        EXPECT_THROW(decoder.decode(s, d, {0, 0, 1, 1}, 0), talvo::Exception);
    decoder.decode({1, 1, 1, 2}, d, {0, 0, 1, 1}, 0);
    decoder.decode({0, 0, 1, 1}, d, {1, 1, 1, 2}, 0);
    // Destinations above the pixel limit, up to corners 2^32 apart, are refused before any resize.
    for (const Rect& t : {Rect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, Rect{INT32_MIN, 0, INT32_MAX, 2},
                          Rect{-5, -5, 16379, 16380}}) {
        try {
            decoder.decode({0, 0, 2, 2}, d, t, 0);
            ADD_FAILURE() << "no exception for " << t.x0 << "," << t.y0 << " - " << t.x1 << "," << t.y1;
        } catch (const talvo::Exception& e) {
            EXPECT_EQ(std::string(e.what()), "talvo::g::ImageDecoderI: destination above 2^28 pixels");
        }
    }
    EXPECT_EQ(rowsOf(d), Bytes(12, 0));
    decoder.close();
    EXPECT_THROW(decoder.decode({0, 0, 1, 1}, d, {0, 0, 1, 1}, 0), talvo::Exception);
}

}  // namespace
