// Run-length sprites: codec vectors and round trips, the lock protocol, copies and stream form.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "sprite/rle8Codec.h"
#include "sprite/ctyMemBuffer.h"
#include "sprite/imgRle8CTy.h"
#include "sprite/palCTy.h"
#include "spriteTestSupport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes repeat(int n, std::uint8_t v) { return Bytes(static_cast<std::size_t>(n), v); }
Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes encode(const Bytes& pixels, int key = 0)
{
    std::int32_t length = -7;
    std::uint8_t* row = rle8_encode_row(pixels.data(), static_cast<int>(pixels.size()), key, &length);
    Bytes out = row != nullptr ? Bytes(row, row + length) : Bytes{};
    ctyFree(row);
    return out;
}

// A row with every run kind: key runs past 127, literals past 63, repeats past 63, pairs.
Bytes randomRow(SeededRng& rnd, int n, std::uint8_t key)
{
    Bytes row;
    while (static_cast<int>(row.size()) < n) {
        const int kind = static_cast<int>(rnd.below(4));
        const int len = 1 + static_cast<int>(rnd.below(kind == 0 ? 200 : 140));
        for (int i = 0; i < len && static_cast<int>(row.size()) < n; ++i) {
            std::uint8_t v = kind == 0 ? key : kind == 1 ? static_cast<std::uint8_t>(rnd.next()) : static_cast<std::uint8_t>(kind * 40);
            if (kind == 3) v = static_cast<std::uint8_t>(i / 2 + 1);  // pairs stay literal
            row.push_back(v);
        }
    }
    return row;
}

// An 8-bit sprite with a grey palette; pixels written through a lock.
void fillSprite(imgRle8CTy& s, int w, int h, const Bytes& pels, bool keyed)
{
    palCTy pal;
    std::uint8_t colours[256 * 4];
    for (int i = 0; i < 256; ++i) std::memset(colours + 4 * i, i, 4);
    pal.Set(colours, 256);
    imgPelFmt fmt(9, &pal);
    s.Create(w, h, &fmt);
    if (keyed) s.SetColorKey(0);
    s.Lock(nullptr, 0);
    for (int y = 0; y < h; ++y) std::memcpy(s.lockBuffer + y * s.lockPitch, pels.data() + y * w, static_cast<std::size_t>(w));
    s.Unlock();
}

// 8 x 8 key pixels but 7 at (2, 3) and 9 at (5, 4).
Bytes twoPixels()
{
    Bytes pels(64, 0);
    pels[3 * 8 + 2] = 7;
    pels[4 * 8 + 5] = 9;
    return pels;
}

Bytes rowOf(const imgRle8CTy& s, int r) { return Bytes(s.rowTable[r], s.rowTable[r] + s.RowByteLength(r)); }

}  // namespace

TEST(Rle8Codec, EncodesRepeatsLiteralsAndKeyRunsToKnownBytes)
{
    Bytes alt;
    for (int i = 0; i < 64; ++i) alt.push_back(static_cast<std::uint8_t>(1 + (i & 1)));
    const struct {
        Bytes pixels, coded;
    } cases[] = {
        {{1, 2, 3, 3, 3, 4}, {0x82, 1, 2, 0xC3, 3, 0x81, 4}},
        {{0, 0, 1}, {0x02, 0x81, 1}},
        {{1, 0, 0}, {0x81, 1, 0x02}},
        {{1, 1, 2}, {0x83, 1, 1, 2}},
        {{1, 1, 1}, {0xC3, 1}},
        {{1, 0, 1, 1, 1, 0}, {0x81, 1, 0x01, 0xC3, 1, 0x01}},
        {repeat(5, 3), {0xC5, 3}},
        {repeat(63, 3), {0xFF, 3}},
        {repeat(64, 3), {0xFF, 3, 0xC1, 3}},
        {repeat(130, 3), {0xFF, 3, 0xFF, 3, 0xC4, 3}},
        {join({repeat(200, 0), {1}}), {0x7F, 0x49, 0x81, 1}},
        {alt, join({{0xBF}, Bytes(alt.begin(), alt.begin() + 63), {0x81, 2}})},
        {{}, {}},
        {repeat(9, 0), {}},
    };
    for (const auto& c : cases) EXPECT_EQ(encode(c.pixels), c.coded) << c.pixels.size();
    // 257 matches no byte: an all-zero row is one repeat.
    EXPECT_EQ(encode(repeat(8, 0), 257), (Bytes{0xC8, 0}));
}

TEST(Rle8Codec, SkipStopsInsideLiteralKeyAndRepeatRunsWithTheRestCount)
{
    const Bytes row{0x86, 1, 2, 3, 4, 5, 6, 0x03, 0xC2, 9};
    std::uint8_t c = row[0];
    EXPECT_EQ(rle8_skip(row.data() + 1, 2, c), row.data() + 3);
    EXPECT_EQ(c, 0x84);
    c = row[0];
    EXPECT_EQ(rle8_skip(row.data() + 1, 6, c), row.data() + 8);
    EXPECT_EQ(c, 0x03);
    c = row[0];
    EXPECT_EQ(rle8_skip(row.data() + 1, 7, c), row.data() + 8);  // inside the pass-over run
    EXPECT_EQ(c, 0x02);
    c = row[0];
    EXPECT_EQ(rle8_skip(row.data() + 1, 10, c), row.data() + 9);  // inside the repeat: at its value
    EXPECT_EQ(c, 0xC1);
}

TEST(Rle8Codec, RoundTripsWithEverySkipAndCount)
{
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        SeededRng rnd(seed);
        const int n = 1 + static_cast<int>(rnd.below(400));
        const std::uint8_t key = static_cast<std::uint8_t>(rnd.below(3));
        const Bytes pixels = randomRow(rnd, n, key);
        std::int32_t length = 0;
        std::uint8_t* row = rle8_encode_row(pixels.data(), n, key, &length);
        if (row == nullptr) continue;
        ASSERT_LE(length, (3 * n + 1) / 2) << "seed " << seed;
        ASSERT_EQ(rle8_row_extent(row, length, n), length) << "seed " << seed;
        ASSERT_EQ(rle8_row_extent(row, length - 1, n), -1) << "seed " << seed;
        for (int skip = 0; skip < n; ++skip) {
            Bytes out(static_cast<std::size_t>(n) + 8, key);
            rle8_decode_row(row, skip, n - skip, out.data());
            ASSERT_TRUE(std::equal(pixels.begin() + skip, pixels.end(), out.begin() + skip)) << "seed " << seed << " skip " << skip;
            ASSERT_EQ(out[static_cast<std::size_t>(n)], key) << "seed " << seed;
        }
        ctyFree(row);
    }
}

TEST(Rle8Image, LockUnlockCases)
{
    imgRle8CTy s;
    imgRect r;
    EXPECT_EQ(s.GetRect(&r)->width, 0);
    EXPECT_EQ(std::string(s.ClassName()), "imgRle8CTy");
    s.Create(4, 3, nullptr);
    s.Lock(nullptr, 0);
    EXPECT_EQ(s.lockPitch, 4);
    EXPECT_EQ(s.lockRect.width, 4);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(s.lockBuffer[i], 0) << "an unkeyed buffer starts zeroed";
    s.Unlock();

    // Keyed 8 x 8 with two pixels: bounds {2, 3, 4, 2}, rows 81 v 03 and 03 81 v'.
    const Bytes pels = twoPixels();
    imgRle8CTy k;
    fillSprite(k, 8, 8, pels, true);
    EXPECT_EQ((std::vector<int>{k.bounds.x, k.bounds.y, k.bounds.width, k.bounds.height}), (std::vector<int>{2, 3, 4, 2}));
    EXPECT_EQ(rowOf(k, 0), (Bytes{0x81, 7, 0x03}));
    EXPECT_EQ(rowOf(k, 1), (Bytes{0x03, 0x81, 9}));
    // Read-only lock: rows untouched. Lock offset at the caller's rectangle.
    const std::uint8_t* before = k.rowTable[0];
    const imgRect one{3, 2, 1, 1};
    k.Lock(&one, 1);
    EXPECT_EQ(k.lockedPels, k.lockBuffer + 2 * 8 + 3);
    EXPECT_EQ(k.lockBuffer[4 * 8 + 5], 9);
    k.Unlock();
    EXPECT_EQ(k.rowTable[0], before);
    EXPECT_EQ(k.PelAtXY(5, 4), 9u);
    EXPECT_EQ(k.PelAtXY(7, 7), 0u);
    EXPECT_EQ(k.rowTable[0], before);
    // Filled with the key: empty bounds.
    k.Lock(nullptr, 0);
    std::memset(k.lockBuffer, 0, 64);
    k.Unlock();
    EXPECT_EQ(k.bounds.height, 0);
    EXPECT_EQ(k.bounds.width, 0);

    // Unkeyed: whole-image bounds, key 257, a zero row codes as C8 00.
    imgRle8CTy u;
    fillSprite(u, 8, 8, Bytes(64, 0), false);
    EXPECT_EQ(u.bounds.width * u.bounds.height, 64);
    EXPECT_EQ(u.colorKeyPel, 257u);
    EXPECT_EQ(rowOf(u, 0), (Bytes{0xC8, 0}));

    resetErrors();
    imgPelFmt rgb(1, nullptr);
    u.Create(2, 2, &rgb);
    EXPECT_EQ(lastMessage(), "Unsupported pel's format");
    EXPECT_EQ(u.pelFmt.kind, 9);
}

TEST(Rle8Image, MendedLockCreateAndAllocationFaults)
{
    Bytes pels(64, 0);
    for (int i = 10; i < 50; ++i) pels[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    imgRle8CTy s;
    fillSprite(s, 8, 8, pels, true);
    // A second Lock keeps the buffer; a second Unlock does nothing.
    s.Lock(nullptr, 0);
    std::uint8_t* buffer = s.lockBuffer;
    const imgRect at{1, 1, 1, 1};
    s.Lock(&at, 1);
    EXPECT_EQ(s.lockBuffer, buffer);
    EXPECT_EQ(s.lockedPels, buffer + 9);
    EXPECT_EQ(s.lockAccess, 0);
    s.Unlock();
    s.Unlock();
    EXPECT_EQ(s.bounds.height, 6);

    // Failed allocations leave the sprite as it was.
    const ctyAllocHooks saved = ctyHooks;
    ctyHooks.alloc = [](std::size_t) -> void* { return nullptr; };
    ctyHooks.calloc = [](std::size_t, std::size_t) -> void* { return nullptr; };
    s.Lock(nullptr, 0);
    EXPECT_EQ(s.lockedPels, nullptr);
    ctyHooks = saved;
    s.Lock(nullptr, 0);
    s.lockBuffer[0] = 5;
    const Bytes row0 = rowOf(s, 0);
    ctyHooks.alloc = [](std::size_t) -> void* { return nullptr; };
    ctyHooks.calloc = [](std::size_t, std::size_t) -> void* { return nullptr; };
    s.Unlock();
    ctyHooks = saved;
    EXPECT_EQ(s.bounds.height, 6);
    EXPECT_EQ(rowOf(s, 0), row0);
    EXPECT_EQ(s.lockedPels, nullptr);

    // Re-created smaller: bounds emptied, so nothing reads past the new table.
    s.Create(2, 2, nullptr);
    EXPECT_EQ(s.bounds.height, 0);
    EXPECT_EQ(s.RowByteLength(0), 0);
    resetErrors();
    s.Create(-1, 4, nullptr);
    EXPECT_EQ(s.width, 0);
    EXPECT_NE(ctyError.code, 0);
}

// A side of 0 is an empty sprite: no row table and no row walked, whatever the other side. The
// height alone is held to the pixel cap, in Create and in the stream reader; with pixels, the rows'
// table entries and coded blocks count against the byte cap as the pixels do.
TEST(Rle8Image, EmptySidesHoldNoRowsAndTallOnesAreRefused)
{
    static ctyAllocHooks real;
    real = ctyHooks;
    // A table of the tall sprites' rows would be gigabytes: nothing near that may be asked for.
    ctyHooks.alloc = [](std::size_t n) -> void* { return n > 4096 ? nullptr : real.alloc(n); };
    ctyHooks.calloc = [](std::size_t count, std::size_t size) -> void* {
        return count * size > 4096 ? nullptr : real.calloc(count, size);
    };
    for (const auto& [w, h] : {std::pair{0, static_cast<int>(imgCTy::maxPels)}, std::pair{INT_MAX, 0}}) {
        for (const bool keyed : {false, true}) {
            SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + (keyed ? ", keyed" : ""));
            imgRle8CTy s;
            resetErrors();
            s.Create(w, h, nullptr);
            EXPECT_EQ(s.width, w);
            EXPECT_EQ(s.height, h);
            EXPECT_EQ(s.rowTable, nullptr);
            if (keyed) s.SetColorKey(0);
            s.Lock(nullptr, 0);
            EXPECT_NE(s.lockedPels, nullptr);
            s.Unlock();
            EXPECT_EQ((std::vector<int>{s.bounds.x, s.bounds.y, s.bounds.width, s.bounds.height}), (std::vector<int>{0, 0, 0, 0}));
            EXPECT_EQ(s.rowTable, nullptr);
            EXPECT_EQ(ctyError.code, 0) << lastMessage();
        }
    }
    const int cap = static_cast<int>(imgCTy::maxPels);
    for (const auto& [w, h] : {std::pair{0, cap + 1}, std::pair{1, cap}, std::pair{3, 67108866}}) {
        imgRle8CTy tall;
        resetErrors();
        tall.Create(w, h, nullptr);
        EXPECT_EQ(tall.height, 0) << w << " x " << h;
        EXPECT_EQ(ctyError.code, -97) << w << " x " << h;
    }
    ctyHooks = real;
    EXPECT_EQ(imgCTy::PelBlockBytes(16384, 16384, 3), std::int64_t{1} << 30) << "the largest 4-byte picture fits";

    for (const std::int32_t h : {INT_MAX, static_cast<int>(imgCTy::maxPels) + 1}) {
        // Version 1, 0 x h, no key, kind 9 without palette, empty bounds.
        ctyMemBuffer buf;
        for (const std::int32_t v : {1, 0, h, 0, 9, 0, 0, 0, 0, 0}) buf.Write32(static_cast<std::uint32_t>(v));
        buf.position = 0;
        imgRle8CTy s;
        resetErrors();
        s.Read(buf);
        EXPECT_EQ(ctyError.code, -97) << h;
        EXPECT_EQ(s.height, 0) << h;
    }
    resetErrors();
}

TEST(Rle8Stream, LayoutReadBackInPlaceAndClone)
{
    const Bytes pels = twoPixels();
    imgRle8CTy s;
    fillSprite(s, 8, 8, pels, true);
    ctyMemBuffer headerOnly;
    s.imgCTy::WriteHeader(headerOnly);
    const std::int32_t h = headerOnly.length;

    ctyMemBuffer buf;
    s.Write(buf);
    ASSERT_EQ(buf.length, 38 + h);
    const auto word = [&buf](std::int32_t at) {
        std::int32_t v;
        std::memcpy(&v, buf.data + at, 4);
        return v;
    };
    EXPECT_EQ(word(0), 1);
    EXPECT_EQ((std::vector<int>{word(4 + h), word(8 + h), word(12 + h), word(16 + h)}), (std::vector<int>{2, 3, 4, 2}));
    EXPECT_EQ((std::vector<int>{word(20 + h), word(24 + h), word(28 + h)}), (std::vector<int>{20 + h, 23 + h, 26 + h}));
    EXPECT_EQ(Bytes(buf.data + 32 + h, buf.data + 38 + h), (Bytes{0x81, 7, 3, 3, 0x81, 9}));

    imgRle8CTy copy;
    copy.Create(8, 8, nullptr);
    buf.position = 0;
    copy.Read(buf);
    EXPECT_EQ(copy.bounds.width, 4);
    EXPECT_EQ(rowOf(copy, 1), (Bytes{0x03, 0x81, 9}));
    EXPECT_EQ(copy.dataInPlace, 0u);

    imgRle8CTy* clone = nullptr;
    {
        imgRle8CTy inPlace;
        inPlace.Create(8, 8, nullptr);
        buf.position = 0;
        inPlace.LoadInPlace(buf);
        EXPECT_EQ(inPlace.rowTable[0], buf.data + 32 + h);
        EXPECT_EQ(inPlace.rowTable[1], buf.data + 35 + h);
        EXPECT_EQ(inPlace.dataInPlace, 1u);
        clone = static_cast<imgRle8CTy*>(inPlace.Clone());
    }
    std::memset(buf.data, 0xEE, static_cast<std::size_t>(buf.length));
    EXPECT_EQ(rowOf(*clone, 0), (Bytes{0x81, 7, 3}));
    delete clone;

    // Empty bounds: version, header and 16 zero bytes.
    imgRle8CTy empty;
    ctyMemBuffer e, emptyHeader;
    empty.Write(e);
    empty.imgCTy::WriteHeader(emptyHeader);
    EXPECT_EQ(e.length, 4 + emptyHeader.length + 16);
}

TEST(Rle8Stream, VersionZeroAndRefusals)
{
    // Streams over the image header of a 64 x 8 sprite; offsets and rows as given.
    const auto stream = [](std::int32_t version, imgRect b, std::vector<std::int32_t> offsets, Bytes tail, int padTo = 0) {
        imgRle8CTy shape;
        shape.Create(64, 8, nullptr);
        ctyMemBuffer buf;
        buf.Write32(static_cast<std::uint32_t>(version));
        shape.imgCTy::WriteHeader(buf);
        for (int v : {b.x, b.y, b.width, b.height}) buf.Write32(static_cast<std::uint32_t>(v));
        for (int v : offsets) buf.Write32(static_cast<std::uint32_t>(v));
        Bytes out(buf.data, buf.data + buf.length);
        out.insert(out.end(), tail.begin(), tail.end());
        if (static_cast<int>(out.size()) < padTo) out.resize(static_cast<std::size_t>(padTo), 0);
        return out;
    };
    const auto load = [](const Bytes& bytes, ctyMemBuffer& buf, imgRle8CTy& s, bool inPlace) {
        buf.Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
        buf.position = 0;
        resetErrors();
        if (inPlace) s.LoadInPlace(buf);
        else s.Read(buf);
    };
    // Version 0, offsets 100, 100, 140 from the data start: row 0 null, row 1 40 bytes, which
    // the copying reader takes right after the offsets and the in-place one at byte 100.
    const Bytes row40 = join({{0x95}, repeat(21, 6), {0xFF, 1}, repeat(16, 0)});  // 84 pixels
    Bytes v0 = stream(0, {0, 0, 60, 2}, {100, 100, 140}, row40, 100);
    v0.resize(100);
    v0 = join({v0, row40});
    for (bool inPlace : {false, true}) {
        ctyMemBuffer buf;
        imgRle8CTy s;
        s.Create(64, 8, nullptr);
        load(v0, buf, s, inPlace);
        ASSERT_EQ(ctyError.code, 0) << lastMessage();
        EXPECT_EQ(s.rowTable[0], nullptr);
        ASSERT_NE(s.rowTable[1], nullptr);
        EXPECT_EQ(s.RowByteLength(1), 24);
        if (inPlace) {
            EXPECT_EQ(s.rowTable[1], buf.data + 100);
        }
    }
    // Refused: unknown version, bounds outside, negative height, falling offsets, rows past the
    // end, rows that code fewer pixels than the bounds within their bytes.
    const Bytes bad[] = {
        stream(2, {0, 0, 1, 1}, {0, 2}, {0x81, 1}),
        stream(1, {60, 0, 8, 1}, {0, 2}, {0x81, 1}),
        stream(1, {0, 0, 1, -1}, {}, {}),
        stream(1, {0, 0, 1, 2}, {0, 2, 1}, {0x81, 1}),
        stream(1, {0, 0, 1, 1}, {0, 9}, {0x81, 1}),
        stream(1, {0, 0, 3, 1}, {0, 2}, {0x81, 1}),
        stream(1, {0, 0, 3, 1}, {0, 2}, {0x83, 1}),
        stream(1, {0, 0, 3, 2}, {0, 2}, {}),
        stream(0, {0, 0, 3, 1}, {0, 2000}, {0xC3, 1}),
    };
    for (const Bytes& b : bad) {
        for (bool inPlace : {false, true}) {
            ctyMemBuffer buf;
            imgRle8CTy s;
            fillSprite(s, 8, 8, Bytes(64, 3), true);  // rows the reader must release
            load(b, buf, s, inPlace);
            EXPECT_EQ(ctyError.code, -97) << (&b - bad) << (inPlace ? " in place" : "");
            EXPECT_EQ(s.bounds.height, 0);
            EXPECT_EQ(s.rowTable, nullptr);
        }
    }
}

TEST(Rle8Stream, SpriteWithoutRowsReadsAsEmpty)
{
    // Between ReadHeader and ReadData, and after FreeData, a sprite has bounds but no row table.
    const Bytes pels = twoPixels();
    imgRle8CTy full;
    fillSprite(full, 8, 8, pels, true);
    ctyMemBuffer stream;
    full.Write(stream);
    for (bool headerOnly : {true, false}) {
        SCOPED_TRACE(headerOnly ? "header only" : "after FreeData");
        imgRle8CTy s;
        if (headerOnly) {
            stream.position = 0;
            s.ReadHeader(stream);
        } else {
            fillSprite(s, 8, 8, pels, true);
            s.FreeData();
        }
        ASSERT_EQ(s.bounds.height, 2);
        ASSERT_EQ(s.rowTable, nullptr);
        resetErrors();

        s.Lock(nullptr, 1);
        ASSERT_NE(s.lockedPels, nullptr);
        EXPECT_EQ(Bytes(s.lockBuffer, s.lockBuffer + 64), Bytes(64, 0)) << "only key pixels";
        s.Unlock();
        EXPECT_EQ(s.PelAtXY(2, 3), 0u);

        const imgPelFmt k4(4, nullptr);
        imgRowCTy dst;
        dst.Create(8, 8, &k4);
        std::memset(dst.pels, 0x5A, 128);
        DrawParams params;
        params.alpha = 128;
        s.Draw(&dst, 0, 0, nullptr);
        s.Draw(&dst, 0, 0, nullptr, 0.5f);
        s.DrawMirrorH(&dst, 0, 0, nullptr);
        for (auto mode : {DrawMode::Copy, DrawMode::Add, DrawMode::Stretch}) {
            params.mode = static_cast<std::int32_t>(mode);
            s.DrawEx(&dst, 0, 0, nullptr, &params);
            s.DrawExMirrorH(&dst, 0, 0, nullptr, &params);
        }
        EXPECT_EQ(rowsOf(dst), Bytes(128, 0x5A)) << "nothing drawn";
        std::unique_ptr<imgCTy> clone(s.Clone());
        ASSERT_NE(clone, nullptr);
        EXPECT_EQ(static_cast<imgRle8CTy*>(clone.get())->rowTable, nullptr);
        EXPECT_EQ(ctyError.code, 0) << lastMessage();

        ctyMemBuffer out;
        s.Write(out);
        EXPECT_TRUE(out.failed);
        EXPECT_EQ(ctyError.code, -97);
        EXPECT_EQ(lastMessage(), "imgRle8CTy::WriteData: the sprite has no rows to write");

        // The rows come when the data is read after all.
        if (headerOnly) {
            resetErrors();
            s.ReadData(stream);
            ASSERT_EQ(ctyError.code, 0) << lastMessage();
            EXPECT_EQ(rowOf(s, 1), (Bytes{0x03, 0x81, 9}));
        }
    }
}
