// Writes the decoder fuzz targets' seeds from the test writers when VELMOOR_SEED_DIR names a folder:
//   VELMOOR_SEED_DIR=fuzz/corpus ./img_tests --gtest_filter=DecoderSeeds.*
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "img_test_support.h"
#include "picture_files.h"

namespace {

void save(const std::filesystem::path& folder, const std::string& name, const imgtest::Bytes& bytes) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

TEST(DecoderSeeds, WrittenOnlyWhenAsked) {
    const char* root = std::getenv("VELMOOR_SEED_DIR");
    if (root == nullptr) return;
    const std::filesystem::path tga = std::filesystem::path(root) / "img_tga_fuzz";
    const std::filesystem::path jpeg = std::filesystem::path(root) / "img_jpeg_fuzz";
    SeededRng rng(19);
    for (const std::uint8_t type : {1, 2, 3, 9, 10})
        for (const std::uint8_t depth : {8, 16, 24, 32}) {
            imgtest::TgaFile f;
            f.type = type;
            f.depth = depth;
            f.width = 7;
            f.height = 5;
            if (depth == 8 && type != 3) {
                f.mapType = 1;
                f.mapLength = 4;
                f.map.resize(12);
            }
            for (auto& b : f.map) b = rng.edgeByte();
            for (int i = 0; i < 35; ++i)
                for (int k = 0; k < depth / 8; ++k) f.pixels.push_back(i % 3 == 0 ? 0x40 : rng.edgeByte());
            save(tga, "type" + std::to_string(type) + "_depth" + std::to_string(depth), imgtest::tgaBytes(f, 5));
        }
    // A header alone declaring a gigabyte: refused before anything is allocated.
    imgtest::TgaFile huge;
    huge.depth = 32, huge.width = 16384, huge.height = 16384;
    save(tga, "type2_depth32_header_only", imgtest::tgaBytes(huge));
    save(jpeg, "baseline_420", imgtest::jpegBytes({.width = 24, .height = 16}));
    save(jpeg, "baseline_444", imgtest::jpegBytes({.width = 16, .height = 16, .subsample = false}));
    save(jpeg, "progressive", imgtest::jpegBytes({.width = 24, .height = 16, .progressive = true}));
    save(jpeg, "grey", imgtest::jpegBytes({.width = 16, .height = 24, .components = 1}));
    save(jpeg, "restarts", imgtest::jpegBytes({.width = 32, .height = 16, .restartRows = 1}));
    save(jpeg, "progressive_16384_scan_without_data", imgtest::jpegWithoutData16384());
    save(jpeg, "trailing_bytes", imgtest::operator+(imgtest::jpegBytes({.width = 8, .height = 8}), {0xFF, 0xD8, 0x00}));
}

}  // namespace
