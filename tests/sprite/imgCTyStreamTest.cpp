// Object streams: bytes against a reference writer of the layout, round trips, refused streams.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sprite/ctyMemBuffer.h"
#include "sprite/imgRowCTy.h"
#include "sprite/palCTy.h"
#include "spriteTestSupport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// What one image stream holds, field by field.
struct StreamImage {
    int width = 0, height = 0, kind = 0;
    std::uint32_t hasKey = 0, keyPel = 0, tag = 0;
    std::uint8_t keyRgba[4] = {};
    Bytes paletteBgr;  // 3 bytes B, G, R per entry, for tag 1
    std::uint8_t reserved[16] = {};
    Bytes pixels;  // rows back to back
};

void put32(Bytes& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// The stream layout written out field by field: the reference for Write.
Bytes referenceStream(const StreamImage& s)
{
    Bytes out;
    put32(out, static_cast<std::uint32_t>(s.width));
    put32(out, static_cast<std::uint32_t>(s.height));
    put32(out, s.hasKey);
    if (s.hasKey != 0) {
        out.insert(out.end(), s.keyRgba, s.keyRgba + 4);
        put32(out, s.keyPel);
    }
    put32(out, static_cast<std::uint32_t>(s.kind));
    put32(out, s.tag);
    if (s.tag == 1) {
        put32(out, static_cast<std::uint32_t>(s.paletteBgr.size() / 3));
        for (std::size_t i = 0; i < s.paletteBgr.size(); i += 3)
            for (int c = 2; c >= 0; --c) out.push_back(s.paletteBgr[i + static_cast<std::size_t>(c)]);
    }
    out.insert(out.end(), s.reserved, s.reserved + 16);
    out.insert(out.end(), s.pixels.begin(), s.pixels.end());
    return out;
}

Bytes written(imgCTy& image)
{
    ctyMemBuffer buffer;
    image.Write(buffer);
    EXPECT_FALSE(buffer.failed);
    return Bytes(buffer.data, buffer.data + buffer.length);
}

void load(ctyMemBuffer& buffer, const Bytes& bytes)
{
    buffer.Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    buffer.position = 0;
}

TEST(ImgStream, GoldenLayoutsAndPaletteTags)
{
    resetErrors();
    const imgPelFmt k4(4, nullptr);
    std::uint16_t two[2] = {0x1234, 0xABCD};
    imgRowCTy plain(2, 1, &k4, two, 2);
    StreamImage s;
    s.width = 2, s.height = 1, s.kind = 4;
    s.pixels = {0x34, 0x12, 0xCD, 0xAB};
    EXPECT_EQ(written(plain), referenceStream(s));
    EXPECT_EQ(written(plain).size(), 40u);
    plain.SetColorKey(0xABCD);
    EXPECT_EQ(written(plain).size(), 48u);
    s.hasKey = 1, s.keyPel = 0xABCD;
    std::memcpy(s.keyRgba, plain.colorKeyRgba, 4);
    EXPECT_EQ(written(plain), referenceStream(s));

    // Kind 9 with 256 owned entries: tag 1, count and 768 bytes; alpha comes back as 255.
    palCTy palette;
    Bytes entries(1024);
    SeededRng random(109);
    for (auto& b : entries) b = random.edgeByte();
    palette.Set(entries.data(), 256);
    imgRowCTy indexed;
    const imgPelFmt k9(9, nullptr);
    indexed.Create(1, 1, &k9);
    indexed.SetPalette(palette);
    const Bytes bytes = written(indexed);
    ASSERT_EQ(bytes.size(), 12u + 8u + 4u + 768u + 16u + 1u);
    EXPECT_EQ(bytes[16], 1);
    EXPECT_EQ(bytes[20] | bytes[21] << 8, 256);
    ctyMemBuffer buffer;
    load(buffer, bytes);
    imgRowCTy back;
    back.Read(buffer);
    ASSERT_NE(back.pelFmt.palette, nullptr);
    ASSERT_EQ(back.pelFmt.palette->count, 256u);
    for (int i = 0; i < 1024; ++i)
        ASSERT_EQ(back.pelFmt.palette->entries[i], i % 4 == 3 ? 255 : entries[static_cast<std::size_t>(i)]) << i;

    // Tag 2 reads as a format that names an unstored palette: written as tag 2 again, nothing
    // to destroy, until SetPalette gives it one.
    palCTy callers;
    callers.Set(entries.data(), 2);
    imgRowCTy shared;
    shared.Create(1, 1, &k9);
    shared.pels[0] = 5;
    shared.pelFmt.palette = &callers;  // used, not owned
    const Bytes tag2 = written(shared);
    shared.pelFmt.palette = nullptr;
    EXPECT_EQ(tag2[16], 2);
    ctyMemBuffer tag2Buffer;
    load(tag2Buffer, tag2);
    back.Read(tag2Buffer);
    EXPECT_EQ(back.pelFmt.palette, nullptr);
    EXPECT_EQ(back.pelFmt.paletteNotStored, 1u);
    EXPECT_EQ(written(back), tag2);
    back.SetPalette(callers);
    EXPECT_EQ(written(back)[16], 1);

    // An unknown tag is posted and reading goes on with the reserved bytes and the pixels.
    Bytes tag3 = tag2;
    tag3[16] = 3;
    tag3[20] = 0x77;  // first reserved byte
    ctyMemBuffer tag3Buffer;
    load(tag3Buffer, tag3);
    resetErrors();
    back.Read(tag3Buffer);
    EXPECT_EQ(lastMessage(), "Unknow palette kind: 3");
    EXPECT_EQ(back.reserved[0], 0x77);
    EXPECT_NE(back.pelFmt.palette, nullptr) << "the record keeps the palette it had";
    EXPECT_EQ(tag3Buffer.position, tag3Buffer.length);
    EXPECT_FALSE(tag3Buffer.failed);
    resetErrors();
}

TEST(ImgStream, InPlaceImagesUseTheBufferAndNeverFreeIt)
{
    resetErrors();
    const imgPelFmt k2(2, nullptr);
    std::uint32_t pels[6] = {1, 2, 3, 4, 5, 6};
    imgRowCTy source(3, 2, &k2, pels, 3);
    ctyMemBuffer buffer;
    source.Write(buffer);
    const Bytes before(buffer.data, buffer.data + buffer.length);
    buffer.position = 0;
    {
        imgRowCTy inPlace;
        inPlace.Create(5, 5, &k2);  // its owned block goes (LeakSanitizer watches)
        EXPECT_EQ(inPlace.LoadInPlace(buffer), 1);
        EXPECT_EQ(buffer.position, 36);
        EXPECT_EQ(inPlace.pels, buffer.data + 36);
        EXPECT_EQ(inPlace.PelAtXY(2, 1), 6u);
        inPlace.FreeData();
        EXPECT_EQ(inPlace.dataInPlace, 1u) << "FreeData keeps the flag";
        inPlace.Create(2, 2, &k2);  // allocates: the block must be released later
        EXPECT_EQ(inPlace.dataInPlace, 0u);
        buffer.position = 0;
        inPlace.ReadHeader(buffer);
        inPlace.ReadDataInPlace(buffer);
        buffer.position = 0;
        inPlace.Read(buffer);  // owns a copy again
        EXPECT_EQ(inPlace.dataInPlace, 0u);
        EXPECT_NE(inPlace.pels, buffer.data + 36);
        buffer.position = 0;
        inPlace.LoadInPlace(buffer);
    }
    EXPECT_EQ(Bytes(buffer.data, buffer.data + buffer.length), before);
    EXPECT_EQ(ctyError.code, 0);
}

// Every kind x key x palette tag, pitch above width included, through Read and LoadInPlace.
TEST(ImgStream, RoundTripsMatchTheReferenceLayout)
{
    resetErrors();
    SeededRng random(1090);
    palCTy palette;
    for (int kind = 0; kind <= 10; ++kind)
        for (std::uint32_t key = 0; key < 2; ++key)
            for (std::uint32_t tag = 0; tag < 3; ++tag) {
                StreamImage s;
                s.kind = kind, s.tag = tag, s.hasKey = key;
                s.width = static_cast<int>(random.below(6)), s.height = static_cast<int>(random.below(5));
                const int bytes = imgPelBytes(kind);
                const int pitch = s.width + static_cast<int>(random.below(3));
                Bytes block(static_cast<std::size_t>(pitch * s.height * bytes) + 1);
                for (auto& b : block) b = random.edgeByte();
                for (int y = 0; y < s.height; ++y)
                    s.pixels.insert(s.pixels.end(), block.begin() + y * pitch * bytes,
                                    block.begin() + (y * pitch + s.width) * bytes);
                const imgPelFmt fmt(kind, nullptr);
                imgRowCTy image(s.width, s.height, &fmt, block.data(), pitch);
                for (auto& b : s.reserved) b = random.edgeByte();
                std::memcpy(image.reserved, s.reserved, 16);
                Bytes colours(4 * (1 + random.below(4)));
                for (auto& b : colours) b = random.edgeByte();
                palette.Set(colours.data(), static_cast<std::uint32_t>(colours.size() / 4));
                if (tag == 1) image.SetPalette(palette);
                if (tag == 2) image.pelFmt.paletteNotStored = 1;
                if (key != 0) {
                    image.hasColorKey = s.hasKey = 1 + random.below(5);
                    for (auto& b : s.keyRgba) b = random.edgeByte();
                    std::memcpy(image.colorKeyRgba, s.keyRgba, 4);
                    image.colorKeyPel = s.keyPel = static_cast<std::uint32_t>(random.next());
                }
                for (std::size_t i = 0; tag == 1 && i < colours.size(); i += 4)
                    s.paletteBgr.insert(s.paletteBgr.end(), colours.begin() + static_cast<long>(i),
                                        colours.begin() + static_cast<long>(i) + 3);
                const Bytes expected = referenceStream(s);
                ASSERT_EQ(written(image), expected) << "kind " << kind << " key " << key << " tag " << tag;

                ctyMemBuffer buffer;
                load(buffer, expected);
                imgRowCTy copy, inPlace;
                copy.Create(3, 3, &fmt);
                copy.Read(buffer);
                buffer.position = 0;
                EXPECT_EQ(inPlace.LoadInPlace(buffer), 1);
                for (imgRowCTy* back : {&copy, &inPlace}) {
                    EXPECT_EQ(rowsOf(*back), s.pixels);
                    EXPECT_EQ(written(*back), expected) << "kind " << kind << " key " << key << " tag " << tag;
                }
                EXPECT_EQ(ctyError.code, 0);
            }
}

// Streams cut anywhere, or with forged fields, are refused and leave the image as it was.
TEST(ImgStream, TruncatedAndForgedStreamsAreRefused)
{
    resetErrors();
    const imgPelFmt k9(9, nullptr);
    palCTy palette;
    const std::uint8_t colours[8] = {1, 2, 3, 0, 4, 5, 6, 0};
    palette.Set(colours, 2);
    imgRowCTy source;
    source.Create(3, 2, &k9);
    source.SetPalette(palette);
    source.SetColorKey(1);
    std::memset(source.pels, 1, 6);
    source.pels[5] = 0;
    const Bytes good = written(source);

    const imgPelFmt k1(1, nullptr);
    auto refused = [&](const Bytes& bytes, const char* what) {
        for (int inPlace = 0; inPlace < 2; ++inPlace) {
            imgRowCTy image;
            image.Create(2, 2, &k1);
            std::memset(image.pels, 9, 12);
            const Bytes before = written(image);  // size, key, format and pixels
            const std::uint8_t* block = image.pels;
            ctyMemBuffer buffer;
            load(buffer, bytes);
            resetErrors();
            SCOPED_TRACE(testing::Message() << what << " " << bytes.size() << " bytes, in place " << inPlace);
            if (inPlace != 0)
                EXPECT_EQ(image.LoadInPlace(buffer), 0) << what;
            else
                image.Read(buffer);
            EXPECT_EQ(written(image), before) << what;
            EXPECT_EQ(image.pels, block) << what;
            EXPECT_EQ(ctyError.code, -97) << what;
            EXPECT_EQ(ctyError.level, 4) << what;
            EXPECT_EQ(lastMessage().find("failed already"), std::string::npos) << "the cause is posted last";
            EXPECT_TRUE(buffer.failed) << what;
        }
    };
    for (std::size_t cut = 0; cut < good.size(); ++cut)
        refused(Bytes(good.begin(), good.begin() + static_cast<long>(cut)), "truncated");

    struct Forgery {
        std::size_t at;
        std::uint32_t value;
        const char* what;
    };
    // Offsets in the keyed kind-9 stream: width 0, height 4, kind 20, tag 24, count 28.
    const Forgery forgeries[] = {
        {0, 0xFFFFFFFF, "negative width"},       {4, 0x80000000, "negative height"},
        {0, 0x10000, "width x height past the cap"}, {0, 0x7FFFFFFF, "product overflow"},
        {0, 4, "more pixels than the stream holds"}, {20, 11, "kind 11"},
        {20, 0xFFFFFFFF, "kind -1"},             {28, 0x55555555, "palette count"},
        {28, 3, "palette one entry too long"},   {20, 2, "kind 2 needs 24 pixel bytes"},
    };
    for (const Forgery& f : forgeries) {
        Bytes bytes = good;
        for (int i = 0; i < 4; ++i) bytes[f.at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(f.value >> (8 * i));
        if (f.at == 0 && f.value == 0x10000) bytes[4] = 1, bytes[5] = 0x10;  // 65536 x 4097
        if (f.at == 0 && f.value == 0x7FFFFFFF) bytes[4] = 0xFF, bytes[5] = 0xFF, bytes[6] = 0xFF, bytes[7] = 0x7F;
        refused(bytes, f.what);
    }

    // Without memory for the palette the stream is refused too, not read on from the entries.
    {
        imgRowCTy image;
        ctyMemBuffer buffer;
        load(buffer, good);
        const ctyAllocHooks saved = ctyHooks;
        ctyHooks.alloc = [](std::size_t) -> void* { return nullptr; };
        image.Read(buffer);
        ctyHooks = saved;
        EXPECT_TRUE(buffer.failed);
        EXPECT_EQ(image.width, 0);
    }

    // A failed buffer reads no further; ReadHeader alone on a good stream changes the header.
    imgRowCTy image;
    ctyMemBuffer buffer;
    load(buffer, good);
    buffer.failed = true;
    image.Read(buffer);
    EXPECT_EQ(image.width, 0);
    const std::uint8_t key[4] = {7, 7, 7, 7};
    image.Create(5, 5, &k1);
    image.SetColorKeyRgba(key);
    Bytes unkeyed = written(source);
    unkeyed.erase(unkeyed.begin() + 12, unkeyed.begin() + 20);
    unkeyed[8] = 0;
    ctyMemBuffer second;
    load(second, unkeyed);
    image.ReadHeader(second);
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.hasColorKey, 0u);
    EXPECT_EQ(std::memcmp(image.colorKeyRgba, key, 4), 0) << "the old key bytes stay";
    EXPECT_EQ(image.pels, nullptr) << "pixels of another size are let go, not read past";
    resetErrors();
}

}  // namespace
