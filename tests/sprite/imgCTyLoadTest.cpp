// Loaders: depth text and TGA/JPEG pictures; golden values, and refusals that leave the image as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "img/image_decoder.h"
#include "img/jpg_decoder.h"
#include "sprite/imgCTyPicture.h"
#include "sprite/imgRle8CTy.h"
#include "sprite/imgRowCTy.h"
#include "sprite/palCTy.h"
#include "spriteBmpSupport.h"
#include "spriteTestSupport.h"
#include "talvo/exception.h"
#include "tests/img/picture_files.h"
#include "tests/support/alloc_cap.h"

#include <jerror.h>

namespace {

using imgtest::Bytes;

// Bytes or text into a file of the folder; returns its path.
template <class Contents>
std::string save(const TempFolder& folder, const std::string& name, const Contents& contents)
{
    const std::string path = folder.file(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(contents.data()), static_cast<std::streamsize>(contents.size()));
    return path;
}

TEST(ImgDepthText, ValuesBecomeFixedPointAndZeroIsMarked)
{
    resetErrors();
    TempFolder folder("sprite_depth");
    struct Case {
        const char* text;
        int width, height;
        std::vector<std::uint32_t> pels;
    };
    const Case cases[] = {
        {"2\n1\n1.5\n0\n", 2, 1, {98304, 0x8AD00000}},
        {"1\n1\n-0.25\n", 1, 1, {0xFFFFC000}},
        {"1\n1\n0.00001\n", 1, 1, {0x8AD00000}},
        {"  2 2 -32768 32767.99\t1e-3\n-1", 2, 2, {0x80000000, 0x7FFFFD80, 65, 0xFFFF0000}},
    };
    for (const Case& c : cases) {
        imgRowCTy image;
        image.LoadDepthText(save(folder, "depth.txt", std::string(c.text)).c_str());
        ASSERT_EQ(image.width, c.width) << c.text;
        ASSERT_EQ(image.height, c.height) << c.text;
        EXPECT_EQ(image.pelFmt.kind, 10);
        EXPECT_EQ(image.pelFmt.palette, nullptr);
        for (int i = 0; i < c.width * c.height; ++i)
            EXPECT_EQ(image.PelAtXY(i % c.width, i / c.width), c.pels[static_cast<std::size_t>(i)]) << c.text << " value " << i;
    }
    EXPECT_EQ(ctyError.code, 0);
}

TEST(ImgDepthText, RefusedFilesLeaveTheImageAsItWas)
{
    TempFolder folder("sprite_depth_refused");
    const char* refused[] = {
        "",            "2\n",           "2\n1\n1.5\n",   "1\n1\nnan\n",    "1\n1\n40000.0\n",
        "1\n1\n32768\n", "1\n1\n-inf\n", "1\n1\n1.5x\n", "0\n5\n",         "-1\n1\n0\n",
        "99999999999\n1\n0\n", "65536\n65536\n0\n", "16384\n16385\n0\n", "abc\n1\n0\n", "1\n1\n1e39\n",
    };
    const imgPelFmt k1(1, nullptr);
    for (const char* text : refused) {
        imgRowCTy image;
        image.Create(1, 1, &k1);
        std::memcpy(image.pels, "\x11\x22\x33", 3);
        const std::uint8_t* before = image.pels;
        resetErrors();
        image.LoadDepthText(save(folder, "bad.txt", std::string(text)).c_str());
        EXPECT_EQ(ctyError.code, -97) << text;
        EXPECT_EQ(ctyError.level, 4) << text;
        EXPECT_EQ(image.pels, before) << text;
        EXPECT_EQ(image.pelFmt.kind, 1) << text;
        EXPECT_EQ(image.PelAtXY(0, 0), 0x332211u) << text;
    }
    imgRowCTy image;
    resetErrors();
    image.LoadDepthText(folder.file("missing.txt").c_str());
    EXPECT_EQ(ctyError.code, -17);
    EXPECT_EQ(image.width, 0);
    image.LoadDepthText(nullptr);
    EXPECT_EQ(ctyError.code, -17);
    resetErrors();
}

// File rows are stored bottom row first.
Bytes topDown(const Bytes& fileRows, std::size_t rowBytes)
{
    Bytes out;
    for (std::size_t r = fileRows.size() / rowBytes; r-- > 0;)
        out.insert(out.end(), fileRows.begin() + static_cast<long>(r * rowBytes), fileRows.begin() + static_cast<long>((r + 1) * rowBytes));
    return out;
}

TEST(ImgPicture, TgaDepthsGiveTheirKinds)
{
    resetErrors();
    TempFolder folder("sprite_tga");
    SeededRng random(122);
    struct Case {
        std::uint8_t type, depth;
        int kind;
        std::uint8_t entryBits = 24;
    };
    for (const Case c : {Case{2, 24, 1}, Case{2, 32, 3}, Case{1, 8, 9}, Case{3, 8, 9}, Case{1, 8, 9, 16}, Case{1, 8, 9, 32},
                         Case{9, 8, 9, 32}}) {
        imgtest::TgaFile file;
        file.type = c.type, file.depth = c.depth, file.width = 3, file.height = 2;
        const bool mapped = c.type == 1 || c.type == 9;
        if (mapped) file.mapType = 1, file.mapLength = 4, file.mapEntryBits = c.entryBits, file.map = Bytes(4u * c.entryBits / 8, 0x40);
        for (int i = 0; i < 3 * 2 * c.depth / 8; ++i) file.pixels.push_back(static_cast<std::uint8_t>(mapped ? random.below(4) : random.edgeByte()));
        const Bytes bytes = imgtest::tgaBytes(file);
        const Bytes expected = topDown(file.pixels, 3u * c.depth / 8);
        imgRowCTy loaded, read;
        loaded.LoadTga(save(folder, "p.tga", bytes).c_str());
        imgtest::MemStream in(bytes, 5);
        read.ReadTga(in.in());
        for (imgRowCTy* image : {&loaded, &read}) {
            EXPECT_EQ(image->width, 3);
            EXPECT_EQ(image->height, 2);
            EXPECT_EQ(image->pelFmt.kind, c.kind) << int(c.depth);
            EXPECT_EQ(image->pelFmt.palette, nullptr) << "a decoded palette is dropped";
            EXPECT_EQ(rowsOf(*image), expected) << int(c.type) << ", " << int(c.depth) << ", " << int(c.entryBits);
        }
    }
    EXPECT_EQ(ctyError.code, 0);

    // A run-length sprite stays 8-bit: it says so and takes no more bytes than it holds.
    imgtest::TgaFile rgb;
    rgb.width = 3, rgb.height = 2, rgb.pixels = Bytes(18, 0x21);
    imgRle8CTy sprite;
    sprite.LoadTga(save(folder, "rgb.tga", imgtest::tgaBytes(rgb)).c_str());
    EXPECT_EQ(lastMessage(), "Unsupported pel's format");
    EXPECT_EQ(sprite.pelFmt.kind, 9);
    EXPECT_EQ(sprite.PelAtXY(2, 1), 0x21u);
    resetErrors();
    sprite.LoadDepthText(save(folder, "depth.txt", std::string("1 1 2.5")).c_str());
    EXPECT_EQ(sprite.pelFmt.kind, 9) << "no depth value goes into 8-bit pixels";

    // Decoder failures pass as exceptions; the image keeps its size, format and pixels.
    const imgPelFmt k4(4, nullptr);
    imgRowCTy image;
    image.Create(2, 2, &k4);
    std::memset(image.pels, 0x5A, 8);
    imgtest::TgaFile unknown;
    unknown.type = 7, unknown.width = 1, unknown.height = 1, unknown.pixels = {1, 2, 3};
    EXPECT_THROW(image.LoadTga(save(folder, "bad.tga", imgtest::tgaBytes(unknown)).c_str()), talvo::Exception);
    EXPECT_THROW(image.LoadTga(folder.file("missing.tga").c_str()), talvo::Exception);
    EXPECT_THROW(image.LoadJpg(save(folder, "bad.jpg", Bytes{0xFF, 0xD8, 0xFF, 0}).c_str()), talvo::Exception);
    // A file whose data runs out after its first rows is told by its cause and its name.
    imgtest::JpegFile tall;
    tall.width = 32, tall.height = 256;
    const Bytes whole = imgtest::jpegBytes(tall);
    const std::string cut = save(folder, "cut.jpg", Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(whole.size() * 3 / 4)));
    try {
        image.LoadJpg(cut.c_str());
        ADD_FAILURE() << "a cut file loaded";
    } catch (const talvo::Exception& e) {
        EXPECT_EQ(std::string(e.what()), imgtest::jpegMessage(JWRN_JPEG_EOF) + " ('" + cut + "')");
    }
    // 18 header bytes declaring a gigabyte of 32-bit pixels are refused before any block is allocated.
    imgtest::TgaFile hugeFile;
    hugeFile.depth = 32, hugeFile.width = 16384, hugeFile.height = 16384;
    const Bytes huge = imgtest::tgaBytes(hugeFile);
    EXPECT_THROW(image.LoadTga(save(folder, "huge.tga", huge).c_str()), talvo::Exception);
    imgtest::MemStream hugeIn(huge, 0);
    EXPECT_THROW(image.ReadTga(hugeIn.in()), talvo::Exception);
    // A JPEG declaring 2^28 pixels without their data (a Huffman-coded scan ended by the end marker,
    // an arithmetic-coded file ending after its scan header) fails in libjpeg before the picture's
    // block is asked for, also where memory for it is short.
    resetErrors();
    for (const Bytes& hugeJpeg : {imgtest::jpegWithoutData16384(), imgtest::jpegArithmeticScanHeader16384()}) {
        const std::string name = save(folder, "huge.jpg", hugeJpeg);
        const testsupport::AllocCap cap(std::size_t{64} << 20);
        EXPECT_THROW(image.LoadJpg(name.c_str()), talvo::Exception);
    }
    EXPECT_EQ(ctyError.code, 0);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.pelFmt.kind, 4);
    EXPECT_EQ(rowsOf(image), Bytes(8, 0x5A));
}

// Read from a stream without exceptions, a cut TGA posts -5 as a cut BMP does; the whole file
// posts nothing.
TEST(ImgPicture, CutTgaFromAQuietStreamIsNoSuccess)
{
    for (const std::uint8_t type : {2, 10}) {
        imgtest::TgaFile file;
        file.type = type, file.width = 3, file.height = 2;
        file.pixels = {1, 2, 3, 1, 2, 3, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        const Bytes whole = imgtest::tgaBytes(file);
        for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
            imgtest::MemStream in(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)), 0);
            imgRowCTy image;
            resetErrors();
            try {
                image.ReadTga(in.in());
            } catch (const talvo::Exception&) {
                // A header cut short may read as a type the decoder refuses; its exception passes.
                EXPECT_LT(cut, 18u) << "type " << int(type);
                continue;
            }
            EXPECT_EQ(ctyError.code, cut < whole.size() ? -5 : 0) << "type " << int(type) << ", " << cut << " bytes";
        }
    }
    resetErrors();
}

// A picture is taken under its own number only where both libraries mean the same pixels by it; the
// graphics core's 10 and 11 (16- and 32-bit words without colour) are refused with this library's
// error, and the image keeps its size, kind and pixels.
TEST(ImgPicture, FormatsMeaningOtherPixelsAreRefused)
{
    namespace g = talvo::g;
    for (g::PelFmtId id = 0; id <= g::fmtId::other8; ++id) EXPECT_EQ(pelKindOfImg(id), static_cast<int>(id));
    for (g::PelFmtId id : {g::fmtId::other16, g::fmtId::other32, g::pelFmtCount, 0xFFFFFFFFu})
        EXPECT_EQ(pelKindOfImg(id), -1) << id;

    SeededRng random(621);
    const imgPelFmt k4(4, nullptr);
    for (g::PelFmtId id = g::fmtId::rgb888; id < g::pelFmtCount; ++id) {
        g::ImageRow picture;
        picture.create(3, 2, g::PelFmt(id));
        Bytes pixels(6 * g::pelBytes(id));
        random.fill(pixels);
        std::memcpy(picture.pixels(), pixels.data(), pixels.size());
        imgRowCTy image;
        image.Create(2, 2, &k4);
        std::memset(image.pels, 0x5A, 8);
        resetErrors();
        imgTakePicture(image, picture);
        if (id <= g::fmtId::other8) {
            EXPECT_EQ(ctyError.code, 0) << id;
            EXPECT_EQ(image.width, 3) << id;
            EXPECT_EQ(image.pelFmt.kind, static_cast<int>(id));
            EXPECT_EQ(rowsOf(image), pixels) << id;
            continue;
        }
        EXPECT_EQ(ctyError.code, -97) << id;
        EXPECT_EQ(ctyError.level, 4) << id;
        EXPECT_EQ(image.width, 2) << id;
        EXPECT_EQ(image.height, 2) << id;
        EXPECT_EQ(image.pelFmt.kind, 4) << id;
        EXPECT_EQ(rowsOf(image), Bytes(8, 0x5A)) << id;
    }
    resetErrors();
}

// A plain image takes the decoded block as its own and ends as the copy leaves one: its key under
// the new format, its lock record. A run-length sprite gets the copy.
TEST(ImgPicture, JpegGivesTheGraphicsCoresDecode)
{
    TempFolder folder("sprite_jpg");
    imgtest::JpegFile jpeg;
    jpeg.width = 21, jpeg.height = 13;
    const std::string path = save(folder, "p.jpg", imgtest::jpegBytes(jpeg));
    talvo::g::ImageRow picture;
    talvo::g::JpgDecoder().loadByName(path.c_str(), picture);
    const Bytes pixels(picture.pixels(), picture.pixels() + 21 * 13 * 3);
    const imgPelFmt k4(4, nullptr);
    const std::uint8_t key[4] = {10, 200, 30, 0};
    imgRowCTy image, copied;
    for (imgRowCTy* i : {&image, &copied}) {
        i->Create(2, 2, &k4);
        i->SetColorKeyRgba(key);
    }
    resetErrors();
    image.LoadJpg(path.c_str());
    imgTakePicture(copied, picture);
    EXPECT_EQ(ctyError.code, 0);
    ASSERT_EQ(image.width, 21);
    ASSERT_EQ(image.height, 13);
    EXPECT_EQ(image.pelFmt.kind, static_cast<int>(picture.format().id()));
    EXPECT_EQ(rowsOf(image), pixels);
    EXPECT_EQ(image.pitch, copied.pitch);
    EXPECT_EQ(image.ownsPels, 1);
    EXPECT_EQ(image.hasColorKey, copied.hasColorKey);
    EXPECT_EQ(image.colorKeyPel, copied.colorKeyPel);
    EXPECT_EQ(image.lockedPels, nullptr);
    EXPECT_EQ(image.lockPitch, copied.lockPitch);
    EXPECT_EQ(image.lockAccess, copied.lockAccess);
    EXPECT_EQ(std::vector({image.lockRect.x, image.lockRect.y, image.lockRect.width, image.lockRect.height}),
              std::vector({copied.lockRect.x, copied.lockRect.y, copied.lockRect.width, copied.lockRect.height}));

    imgRle8CTy sprite;
    sprite.LoadJpg(path.c_str());
    EXPECT_EQ(lastMessage(), "Unsupported pel's format");
    EXPECT_EQ(sprite.width, 21);
    resetErrors();
}

// Hooks that count the bytes the library holds, for one scope.
class CountingHooks {
public:
    CountingHooks() : saved_(ctyHooks)
    {
        live = peak = 0;
        ctyHooks = {alloc, calloc, realloc, free};
    }
    CountingHooks(const CountingHooks&) = delete;
    CountingHooks& operator=(const CountingHooks&) = delete;
    ~CountingHooks() { ctyHooks = saved_; }

    static inline std::size_t live = 0;
    static inline std::size_t peak = 0;

private:
    // Each block carries its size in front, keeping malloc's 16-byte alignment.
    static constexpr std::size_t header = 16;
    static void* alloc(std::size_t size) { return realloc(nullptr, size); }
    static void* calloc(std::size_t count, std::size_t size)
    {
        void* block = alloc(count * size);
        if (block != nullptr) std::memset(block, 0, count * size);
        return block;
    }
    static void* realloc(void* block, std::size_t size)
    {
        auto* start = block != nullptr ? static_cast<std::uint8_t*>(block) - header : nullptr;
        std::size_t old = 0;
        if (start != nullptr) std::memcpy(&old, start, sizeof old);
        auto* grown = static_cast<std::uint8_t*>(std::realloc(start, size + header));
        if (grown == nullptr) return nullptr;
        std::memcpy(grown, &size, sizeof size);
        live += size - old;
        peak = std::max(peak, live);
        return grown + header;
    }
    static void free(void* block)
    {
        if (block == nullptr) return;
        auto* start = static_cast<std::uint8_t*>(block) - header;
        std::size_t size = 0;
        std::memcpy(&size, start, sizeof size);
        live -= size;
        std::free(start);
    }

    ctyAllocHooks saved_;
};

// Hooks that grant the first `granted` blocks from a size on and refuse the rest, counting the asks,
// for one scope.
class RefusingHooks {
public:
    explicit RefusingHooks(std::size_t from, int granted = 0) : saved_(ctyHooks)
    {
        kept = ctyHooks;
        limit = from;
        left = granted;
        asks = 0;
        ctyHooks = {alloc, calloc, realloc, kept.free};
    }
    RefusingHooks(const RefusingHooks&) = delete;
    RefusingHooks& operator=(const RefusingHooks&) = delete;
    ~RefusingHooks() { ctyHooks = saved_; }

    static inline int asks = 0;

private:
    static inline ctyAllocHooks kept{};
    static inline std::size_t limit = 0;
    static inline int left = 0;
    static bool refused(std::size_t size)
    {
        if (size < limit) return false;
        ++asks;
        return left-- <= 0;
    }
    static void* alloc(std::size_t size) { return refused(size) ? nullptr : kept.alloc(size); }
    static void* calloc(std::size_t count, std::size_t size)
    {
        return refused(count * size) ? nullptr : kept.calloc(count, size);
    }
    static void* realloc(void* block, std::size_t size) { return refused(size) ? nullptr : kept.realloc(block, size); }

    ctyAllocHooks saved_;
};

// A row image with a Create of its own, which a load must not pass by.
struct OwnCreate : imgRowCTy {
    void Create(int w, int h, const imgPelFmt* fmt) override
    {
        ++creates;
        imgRowCTy::Create(w, h, fmt);
    }
    int creates = 0;
};

// Loads with a recovery point registered; true when a post jumped back to it.
bool loadJumpedBack(imgCTy& image, void (imgCTy::*load)(const char*), const char* path)
{
    static ctyRecoveryPoint point;
    ctyError.recovery = &point;
    if (setjmp(point.jump) != 0) return true;
    (image.*load)(path);
    return false;
}

// A picture block the library's hooks refuse is posted as -2, with no exception, and the image keeps
// its picture: a plain image (which takes the block the picture is decoded or copied into) and a
// subclass (which gets a copy through its own Create) alike, TGA and JPEG. The post comes once the
// load holds nothing, so one that jumps to a recovery point leaves nothing behind. A load asks for the
// block once: hooks that grant that ask and would refuse a second see the picture loaded.
TEST(ImgPicture, PictureBlockTheHooksRefuseIsPostedAndThePictureKept)
{
    TempFolder folder("sprite_picture_refused");
    imgtest::JpegFile jpeg;
    jpeg.width = 21, jpeg.height = 13;
    const std::string jpg = save(folder, "p.jpg", imgtest::jpegBytes(jpeg));
    talvo::g::ImageRow picture;
    talvo::g::JpgDecoder().loadByName(jpg.c_str(), picture);
    imgtest::TgaFile tgaFile;
    tgaFile.width = 64, tgaFile.height = 64, tgaFile.pixels = Bytes(64 * 64 * 3);
    SeededRng(640).fill(tgaFile.pixels);
    struct Load {
        void (imgCTy::*load)(const char*);
        std::string path;
        int width;
        Bytes pixels;
    };
    const Load loads[] = {
        {&imgCTy::LoadJpg, jpg, 21, Bytes(picture.pixels(), picture.pixels() + 21 * 13 * 3)},
        {&imgCTy::LoadTga, save(folder, "p.tga", imgtest::tgaBytes(tgaFile)), 64, topDown(tgaFile.pixels, 64 * 3)},
    };
    const imgPelFmt k4(4, nullptr);
    palCTy palette;
    const std::uint8_t grey[4] = {9, 9, 9, 0};
    palette.Set(grey, 1);
    imgRowCTy plain;
    OwnCreate sub;
    for (const Load& load : loads) {
        for (imgRowCTy* image : {&plain, static_cast<imgRowCTy*>(&sub)}) {
            const std::string what = load.path + (image == &plain ? ", plain" : ", subclass");
            image->Create(2, 2, &k4);
            std::memset(image->pels, 0x5A, 8);
            image->SetPalette(palette);
            for (const bool jump : {false, true}) {
                resetErrors();
                {
                    const RefusingHooks refusing(100);
                    if (jump)
                        EXPECT_TRUE(loadJumpedBack(*image, load.load, load.path.c_str())) << what;
                    else
                        EXPECT_NO_THROW((image->*load.load)(load.path.c_str())) << what;
                    EXPECT_EQ(RefusingHooks::asks, 1) << what;
                }
                EXPECT_EQ(ctyError.code, -2) << what;
                EXPECT_EQ(image->width, 2) << what;
                EXPECT_EQ(image->height, 2) << what;
                EXPECT_EQ(image->pelFmt.kind, 4) << what;
                ASSERT_NE(image->pelFmt.palette, nullptr) << what;
                EXPECT_EQ(image->pelFmt.palette->count, 1u) << what;
                EXPECT_EQ(rowsOf(*image), Bytes(8, 0x5A)) << what;
            }
            resetErrors();
            {
                const RefusingHooks once(100, 1);
                (image->*load.load)(load.path.c_str());
                EXPECT_EQ(RefusingHooks::asks, 1) << what;
            }
            EXPECT_EQ(ctyError.code, 0) << what;
            ASSERT_EQ(image->width, load.width) << what;
            EXPECT_EQ(image->pelFmt.palette, nullptr) << what;
            EXPECT_EQ(rowsOf(*image), load.pixels) << what;
        }
    }
    EXPECT_EQ(sub.creates, 8) << "each load of the subclass goes through its own Create";

    // A Create of its own that throws leaves the picture as it was.
    struct ThrowingCreate : imgRowCTy {
        void Create(int, int, const imgPelFmt*) override { throw std::runtime_error("no block"); }
    } throwing;
    throwing.imgRowCTy::Create(2, 2, &k4);
    std::memset(throwing.pels, 0x5A, 8);
    throwing.SetPalette(palette);
    EXPECT_THROW(throwing.LoadTga(loads[1].path.c_str()), std::runtime_error);
    EXPECT_EQ(throwing.width, 2);
    ASSERT_NE(throwing.pelFmt.palette, nullptr);
    EXPECT_EQ(throwing.pelFmt.palette->count, 1u);
    EXPECT_EQ(rowsOf(throwing), Bytes(8, 0x5A));
    resetErrors();
}

// A JPEG picture is held once while it loads into a plain image: no block of its size comes from
// operator new (where the graphics core keeps its pictures), and the library's hooks hold its bytes
// once at their peak.
TEST(ImgPicture, JpegLoadHoldsThePictureOnce)
{
    TempFolder folder("sprite_jpg_once");
    imgtest::JpegFile jpeg;
    jpeg.width = 1024, jpeg.height = 512, jpeg.seed = 8;
    const std::string path = save(folder, "big.jpg", imgtest::jpegBytes(jpeg));
    constexpr std::size_t pictureBytes = 1024 * 512 * 3;
    resetErrors();
    {
        const CountingHooks counting;
        imgRowCTy image;
        {
            const testsupport::AllocCap cap(pictureBytes / 2);
            image.LoadJpg(path.c_str());
        }
        EXPECT_EQ(ctyError.code, 0);
        ASSERT_EQ(image.width, 1024);
        EXPECT_GE(CountingHooks::peak, pictureBytes);
        EXPECT_LT(CountingHooks::peak, pictureBytes + pictureBytes / 16);
    }
    EXPECT_EQ(CountingHooks::live, 0u);
}

}  // namespace
