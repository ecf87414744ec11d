// Image::resize and Image::resample: copies, keys, in place, foreign memory, odd modes and sizes.
#include <cstdint>
#include <cstring>
#include <vector>

#include "img/image_row.h"
#include "img/palette.h"
#include "img/resample.h"
#include "img_test_support.h"
#include "talvo/exception.h"

namespace {

using namespace talvo::g;

std::vector<std::uint32_t> pixelsOf(Image& image) {
    std::vector<std::uint32_t> all;
    for (std::int32_t y = 0; y < image.height(); ++y)
        for (std::int32_t x = 0; x < image.width(); ++x) all.push_back(image.getPixel(x, y));
    return all;
}

void fillRandom(ImageRow& image, std::uint64_t seed) {
    SeededRng rng(seed);
    const std::size_t n = static_cast<std::size_t>(image.pitch()) * static_cast<std::size_t>(image.height());
    for (std::size_t k = 0; k < n; ++k) image.pixels()[k] = rng.edgeByte();
}

TEST(Resize, SameSize) {
    ImageRow image;
    image.create(5, 3, PelFmt(4));
    fillRandom(image, 1);
    const std::uint8_t* before = image.pixels();
    const std::vector<std::uint32_t> pixels = pixelsOf(image);
    image.resize(5, 3, 1);
    EXPECT_EQ(image.pixels(), before);
    EXPECT_EQ(pixelsOf(image), pixels);

    // From another image of the requested size: a copy, keyed like the source, key pixels exactly the key.
    // Rgbx5551: pixels differing from the key in bit 15 alone are key pixels.
    const std::uint32_t key = 0x1234;
    ImageRow source;
    source.create(3, 2, PelFmt(5));
    const std::vector<std::uint16_t> words = {0x1234, 0x0102, 0x9234, 0x1235, 0x9234, 7};
    std::memcpy(source.pixels(), words.data(), 12);
    source.setColorKey(key);
    ImageRow copy;
    copy.resample(source, 3, 2, 3);
    ASSERT_TRUE(copy.hasColorKey());
    EXPECT_EQ(copy.keyPixel(), key);
    EXPECT_EQ(pixelsOf(copy), (std::vector<std::uint32_t>{key, 0x0102, key, 0x1235, key, 7}));
    source.clearColorKey();
    copy.resample(source, 3, 2, 0);
    EXPECT_FALSE(copy.hasColorKey());
    EXPECT_EQ(pixelsOf(copy), (std::vector<std::uint32_t>{0x1234, 0x0102, 0x9234, 0x1235, 0x9234, 7}));
}

TEST(Resize, InPlaceKeyedLeavesNoKey) {
    // Rgb565 4 x 4 whose upper-left 2 x 2 block is all key: that target pixel holds the key pixel.
    ImageRow image;
    image.create(4, 4, PelFmt(4));
    fillRandom(image, 2);
    const std::uint32_t key = 0xF81F;
    for (std::int32_t y = 0; y < 2; ++y)
        for (std::int32_t x = 0; x < 2; ++x) std::memcpy(image.pixels() + y * image.pitch() + x * 2, &key, 2);
    image.setColorKey(key);
    image.resize(2, 2, 1);
    EXPECT_FALSE(image.hasColorKey());
    EXPECT_EQ(image.getPixel(0, 0), key);

    // Rgba8888 key with alpha below 0xFF: mode 1 skips such pixels, mode 4 compares against alpha 0xFF.
    for (const ResampleMode mode : {1u, 4u}) {
        ImageRow rgba;
        rgba.create(2, 1, PelFmt(3));
        const std::uint32_t pair[2] = {0x80000000, 0x80402010};
        std::memcpy(rgba.pixels(), pair, 8);
        rgba.setColorKey(0x80000000);
        rgba.resize(1, 1, mode);
        EXPECT_EQ(rgba.getPixel(0, 0), mode == 1 ? 0x80402010u : 0x80201008u) << "mode " << mode;
    }
}

TEST(Resize, ModesFormatsAndSizes) {
    // Mode 7 and formats without a routine: the new size, zero pixels.
    for (const auto& [id, mode] : {std::pair{1u, 7u}, std::pair{10u, 1u}, std::pair{11u, 0u}, std::pair{0u, 2u}}) {
        ImageRow image;
        image.create(3, 3, PelFmt(id));
        fillRandom(image, 3);
        image.resize(5, 2, mode);
        EXPECT_EQ(image.width(), 5);
        EXPECT_EQ(image.format().id(), id);
        const std::size_t n = static_cast<std::size_t>(image.pitch()) * 2;
        EXPECT_EQ(std::vector<std::uint8_t>(image.pixels(), image.pixels() + n), std::vector<std::uint8_t>(n, 0))
            << "format " << id << " mode " << mode;
    }

    // Format 9 is nearest in every mode and keeps its palette.
    Palette palette;
    const std::uint8_t entries[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    palette.set(entries, 2);
    for (ResampleMode mode = 0; mode <= 4; ++mode) {
        ImageRow image;
        image.create(4, 1, PelFmt(9, &palette));
        for (std::uint8_t k = 0; k < 4; ++k) image.pixels()[k] = k;
        image.resize(2, 1, mode);
        EXPECT_EQ(pixelsOf(image), (std::vector<std::uint32_t>{1, 3})) << "mode " << mode;
        ASSERT_NE(image.format().palette(), nullptr);
        EXPECT_EQ(image.format().palette()->count(), 2u);
    }

    // Sides of 0: the requested size; an empty source gives zero pixels.
    ImageRow empty;
    empty.create(0, 4, PelFmt(1));
    ImageRow target;
    target.resample(empty, 2, 3, 1);
    EXPECT_EQ(pixelsOf(target), std::vector<std::uint32_t>(6, 0));
    target.resize(0, 3, 4);
    EXPECT_EQ(target.width(), 0);
    EXPECT_EQ(target.height(), 3);

    // A negative size: create's exception passes, the image stays as it was.
    ImageRow image;
    image.create(2, 2, PelFmt(4));
    fillRandom(image, 4);
    image.setColorKey(0x1234);
    const std::vector<std::uint32_t> pixels = pixelsOf(image);
    EXPECT_THROW(image.resize(-1, 2, 1), talvo::Exception);
    EXPECT_EQ(image.width(), 2);
    EXPECT_TRUE(image.hasColorKey());
    EXPECT_EQ(pixelsOf(image), pixels);
}

TEST(Resize, ForeignMemoryStaysUntouched) {
    imgtest::Guarded memory(6 * 4 * 3);
    std::uint8_t* bytes = memory.data();
    for (std::size_t k = 0; k < 6 * 4 * 3; ++k) bytes[k] = static_cast<std::uint8_t>(k * 37);
    const std::vector<std::uint8_t> before(bytes, bytes + 6 * 4 * 3);
    // Bottom-up rows over the foreign block.
    ImageRow image(6, 4, PelFmt(1), bytes + 3 * 18, -18);
    const std::vector<std::uint32_t> sampledOnce = [&] {
        ImageRow other(6, 4, PelFmt(1), bytes + 3 * 18, -18);
        ImageRow copy;
        copy.resample(other, 6, 4, 0);
        copy.resize(4, 3, 2);
        return pixelsOf(copy);
    }();
    image.resize(4, 3, 2);
    EXPECT_TRUE(image.ownsPixels());
    EXPECT_EQ(pixelsOf(image), sampledOnce);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), bytes));
    EXPECT_TRUE(memory.guardsIntact());
}

}  // namespace
