// Images: lock protocol, keys, single-pixel reads against a reference, creation and copies.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "sprite/ctyMemBuffer.h"
#include "sprite/imgRowCTy.h"
#include "sprite/palCTy.h"
#include "sprite/rwObjCTy.h"
#include "spriteTestSupport.h"

namespace {

constexpr std::uint8_t guard = 0xA5;

// Pixels with a guard band of 64 bytes on each side; pitch in pixels.
struct GuardedPels {
    GuardedPels(int width, int height, int pitch, int bytes, SeededRng& random)
        : width(width), height(height), pitch(pitch), bytes(bytes),
          block(static_cast<std::size_t>(pitch * height * bytes + 128), guard)
    {
        for (std::size_t i = 64; i < block.size() - 64; ++i) block[i] = random.edgeByte();
    }
    std::uint8_t* pels() { return block.data() + 64; }
    bool guardsIntact() const
    {
        for (std::size_t i = 0; i < 64; ++i)
            if (block[i] != guard || block[block.size() - 1 - i] != guard) return false;
        return true;
    }
    int width, height, pitch, bytes;
    std::vector<std::uint8_t> block;
};

// The pixel at (x, y) as the image description reads it: little-endian, 3 bytes for kind 1.
std::uint32_t referencePel(const std::uint8_t* pels, int pitch, int bytes, int x, int y)
{
    const std::uint8_t* p = pels + (static_cast<std::size_t>(y) * pitch + x) * bytes;
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

TEST(ImgCTy, LockProtocolAndRectangles)
{
    imgRowCTy image;
    imgRect out{9, 9, 9, 9};
    image.LockRect(nullptr, &out, 0);
    EXPECT_EQ(out.width + out.height + out.x + out.y, 0);
    const imgPelFmt rgb(1, nullptr);
    image.Create(10, 4, &rgb);
    const imgRect r1{2, 3, 1, 1}, r2{0, 0, 5, 2};
    EXPECT_EQ(image.Lock(&r1, 0), 10);
    EXPECT_EQ(image.lockedPels - image.pels, 96);
    image.Lock(&r2, 1);
    EXPECT_EQ(image.lockRect.x, 2);
    EXPECT_EQ(image.lockAccess, 0) << "a second Lock changes nothing";
    image.Unlock();
    EXPECT_EQ(image.lockedPels, nullptr) << "one Unlock ends it";
    image.GetRect(&out);
    EXPECT_EQ(out.width, 10);
    EXPECT_EQ(out.height, 4);

    const imgRect outside{8, 3, 3, 1};
    image.Lock(&outside, 1);
    EXPECT_EQ(image.lockedPels, nullptr) << "a rectangle reaching outside stays unlocked";
    imgRowCTy empty;
    empty.Lock(nullptr, 0);
    EXPECT_EQ(empty.lockedPels, nullptr) << "an image without pixels stays unlocked";

    imgRowCTy other, third;
    other.Create(2, 2, &rgb);
    third.Create(2, 2, &rgb);
    other.Lock(nullptr, 1);
    image.LockUnlock4(&other, 0, 0, nullptr, &third, nullptr);
    EXPECT_EQ(image.lockedPels, nullptr);
    EXPECT_EQ(third.lockedPels, nullptr) << "the locks it took are ended";
    EXPECT_NE(other.lockedPels, nullptr) << "a lock held before stays";
}

// A row image that counts its locks and locks one row lower than asked: a draw must take it
// through its own Lock and Unlock, not the plain image's.
struct CountingRows : imgRowCTy {
    int Lock(const imgRect* rect, int access) override
    {
        ++locks;
        imgRect lower = rect != nullptr ? *rect : imgRect{0, 0, width, height};
        ++lower.y;
        return imgRowCTy::Lock(&lower, access);
    }
    void Unlock() override
    {
        ++unlocks;
        imgRowCTy::Unlock();
    }
    int locks = 0, unlocks = 0;
};

TEST(ImgCTy, DrawsLockASubclassThroughItsOwnLock)
{
    const imgPelFmt fmt(2, nullptr);
    CountingRows counted;
    imgRowCTy plain;
    counted.Create(4, 3, &fmt);
    plain.Create(4, 3, &fmt);
    for (int i = 0; i < 12; ++i) {
        reinterpret_cast<std::uint32_t*>(counted.pels)[i] = 0x100u + static_cast<std::uint32_t>(i);
        reinterpret_cast<std::uint32_t*>(plain.pels)[i] = 0;
    }
    const imgRect top{0, 0, 4, 1};
    counted.Draw(&plain, 0, 0, &top);
    EXPECT_EQ(counted.locks, 1);
    EXPECT_EQ(counted.unlocks, 1);
    EXPECT_EQ(reinterpret_cast<std::uint32_t*>(plain.pels)[0], 0x104u) << "read where its own Lock pointed";
    plain.Draw(&counted, 0, 0, &top);
    EXPECT_EQ(counted.locks, 2);
    EXPECT_EQ(counted.unlocks, 2);
    EXPECT_EQ(reinterpret_cast<std::uint32_t*>(counted.pels)[4], 0x104u) << "written where its own Lock pointed";
    EXPECT_EQ(reinterpret_cast<std::uint32_t*>(counted.pels)[0], 0x100u);
}

TEST(ImgCTy, PelAtXYMatchesTheReferenceThroughAnyLock)
{
    SeededRng random(106);
    for (int kind : {1, 2, 3, 4, 5, 6, 9, 10}) {
        const int bytes = imgPelBytes(kind);
        const int width = 1 + static_cast<int>(random.below(9));
        const int height = 1 + static_cast<int>(random.below(7));
        const int pitch = width + static_cast<int>(random.below(4));
        GuardedPels pels(width, height, pitch, bytes, random);
        const imgPelFmt fmt(kind, nullptr);
        imgRowCTy image(width, height, &fmt, pels.pels(), pitch);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(image.PelAtXY(x, y), referencePel(pels.pels(), pitch, bytes, x, y)) << kind;
        EXPECT_EQ(image.PelAtXY(width, 0), 0xFFFFFFFFu);
        EXPECT_EQ(image.PelAtXY(-1, 0), 0xFFFFFFFFu);

        // Through the caller's lock: inside its rectangle the pixel, outside -1, lock kept.
        const imgRect right{width / 2, 0, width - width / 2, height};
        image.Lock(&right, 1);
        EXPECT_EQ(image.PelAtXY(width - 1, height - 1),
                  referencePel(pels.pels(), pitch, bytes, width - 1, height - 1));
        if (width / 2 > 0) {
            EXPECT_EQ(image.PelAtXY(0, 0), 0xFFFFFFFFu);
        }
        EXPECT_EQ(image.lockRect.x, width / 2);
        EXPECT_NE(image.lockedPels, nullptr);
        image.Unlock();

        std::uint32_t rgba = 0;
        image.RgbaAtXY(&rgba, 0, 0);
        EXPECT_EQ(rgba, fmt.UnpackColor(referencePel(pels.pels(), pitch, bytes, 0, 0), 2));
        EXPECT_TRUE(pels.guardsIntact());
    }
    resetErrors();
    std::uint16_t one = 0;
    const imgPelFmt k7(7, nullptr);
    imgRowCTy unsupported(1, 1, &k7, &one, 1);
    EXPECT_EQ(unsupported.PelAtXY(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(lastMessage(), "imgCTy::PelAtXY : this is not implemented yet");
    EXPECT_EQ(unsupported.lockedPels, nullptr);
    resetErrors();
}

TEST(ImgCTy, ColourKeysFollowTheFormat)
{
    const imgPelFmt k1(1, nullptr), k2(2, nullptr), k4(4, nullptr);
    const std::uint8_t key[4] = {0x40, 0x80, 0xFF, 0x7F};
    imgRowCTy image;
    image.Create(1, 1, &k1);
    image.SetColorKeyRgba(key);
    EXPECT_EQ(std::memcmp(image.colorKeyRgba, key, 4), 0);
    EXPECT_EQ(image.colorKeyPel, 0x00FF8040u);
    image.Create(1, 1, &k2);
    EXPECT_EQ(image.colorKeyPel, 0x7FFF8040u);
    image.Create(1, 1, &k4);
    EXPECT_EQ(image.colorKeyPel, 31u << 11 | 32u << 5 | 8u) << "Create recomputes the key pixel";
    EXPECT_EQ(image.SetColorKey(31u << 11 | 32u << 5 | 8u), 0xFFF88040u);
    EXPECT_EQ(std::memcmp(image.colorKeyRgba, "\x40\x80\xf8\xff", 4), 0);

    palCTy palette;
    const std::uint8_t entries[8] = {0, 0, 0, 0, 0x40, 0x80, 0xF8, 0};
    palette.Set(entries, 2);
    const imgPelFmt k9(9, nullptr);
    imgRowCTy indexed;
    indexed.Create(1, 1, &k9);
    indexed.SetColorKeyRgba(key);
    indexed.SetPalette(palette);
    EXPECT_EQ(indexed.colorKeyPel, 1u) << "the key stays the same colour under the palette";
    indexed.BuildPalTbl(4);
    EXPECT_EQ(indexed.pelFmt.palette->tableKind, 4u);
    // Re-created with a format naming the image's own palette: the entries survive.
    const imgPelFmt same(9, indexed.pelFmt.palette);
    indexed.Create(4, 4, &same);
    ASSERT_NE(indexed.pelFmt.palette, nullptr);
    ASSERT_EQ(indexed.pelFmt.palette->count, 2u);
    EXPECT_EQ(std::memcmp(indexed.pelFmt.palette->entries + 4, "\x40\x80\xf8\xff", 4), 0);
}

TEST(ImgRowCTy, CreateCopiesAndRefusedSizes)
{
    resetErrors();
    const imgPelFmt k1(1, nullptr);
    imgRowCTy image;
    image.Create(10, 2, &k1);
    EXPECT_EQ(image.pitch, 10);
    image.Create(10, 2, &k1);  // releases the first block (LeakSanitizer watches)
    std::memset(image.pels, 7, 60);

    SeededRng random(108);
    GuardedPels pels(3, 4, 5, 3, random);
    imgRowCTy external(3, 4, &k1, pels.pels(), 5);
    external.SetColorKey(0x010203);
    external.Lock(nullptr, 1);
    imgRowCTy copy(external);
    EXPECT_EQ(copy.lockedPels, nullptr) << "a copy starts unlocked";
    EXPECT_EQ(copy.colorKeyPel, 0x010203u);
    ASSERT_EQ(copy.pitch, 3);
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(std::memcmp(copy.pels + y * 9, pels.pels() + y * 15, 9), 0) << "row " << y;
    std::unique_ptr<imgCTy> clone(copy.Clone());
    EXPECT_EQ(clone->PelAtXY(2, 3), copy.PelAtXY(2, 3));
    external.Unlock();
    external.FreeData();
    external.Create(2, 2, &k1);
    EXPECT_TRUE(pels.guardsIntact()) << "external pixels are never released or written";
    EXPECT_EQ(ctyError.code, 0);

    for (const auto& size : {std::pair{-1, 4}, std::pair{65536, 65536}, std::pair{1 << 28, 2}, std::pair{0, (1 << 28) + 1}}) {
        image.Create(size.first, size.second, &k1);
        EXPECT_EQ(image.width, 0);
        EXPECT_EQ(image.height, 0);
        EXPECT_EQ(image.pels, nullptr);
        EXPECT_EQ(ctyError.code, -97);
        image.Lock(nullptr, 0);
        EXPECT_EQ(image.lockedPels, nullptr);
    }
    ctyAllocHooks saved = ctyHooks;
    ctyHooks.alloc = [](std::size_t) -> void* { return nullptr; };
    image.Create(4, 4, &k1);
    ctyHooks = saved;
    EXPECT_EQ(ctyError.code, -2);
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.pels, nullptr);
    resetErrors();
}

TEST(RwObjCTy, RegistryAndRoot)
{
    const auto& classes = rwObjClassRegistry::classes();
    ASSERT_TRUE(classes.count("imgRowCTy"));
    std::unique_ptr<rwObjCTy> row(classes.at("imgRowCTy")());
    EXPECT_STREQ(row->ClassName(), "imgRowCTy");
    EXPECT_EQ(static_cast<imgRowCTy*>(row.get())->pels, nullptr);
    std::unique_ptr<rwObjCTy> root(classes.at("rwObjCTy")());
    EXPECT_STREQ(root->ClassName(), "rwObjCTy");
    ctyMemBuffer buffer;
    root->Write(buffer);
    root->Read(buffer);
    EXPECT_EQ(buffer.position, 0);
    const std::size_t before = classes.size();
    rwObjClassRegistry::add("imgRowCTy", rwObjCreate);
    EXPECT_EQ(classes.size(), before);
    EXPECT_EQ(classes.at("imgRowCTy"), &rwObjCreate);
    rwObjClassRegistry::add("imgRowCTy", imgRowCreate);
}

}  // namespace
