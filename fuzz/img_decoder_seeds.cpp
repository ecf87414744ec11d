// Writes the seeds of the TGA and JPEG decoder targets, made by the decoder tests' own file
// builders, into FOLDER/img_tga_fuzz and FOLDER/img_jpeg_fuzz (the same bytes at every run):
//   build/fuzz/fuzz/img_decoder_seeds fuzz/corpus
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "tests/img/picture_files.h"

namespace {

void save(const std::filesystem::path& folder, const std::string& name, const imgtest::Bytes& bytes) {
    std::filesystem::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + (folder / name).string());
}

void writeSeeds(const std::filesystem::path& root) {
    const std::filesystem::path tga = root / "img_tga_fuzz";
    const std::filesystem::path jpeg = root / "img_jpeg_fuzz";
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
    const imgtest::Bytes arithmetic = imgtest::jpegBytes({.width = 16, .height = 16, .arithmetic = true});
    save(jpeg, "arithmetic", arithmetic);
    // A scan whose data is all left out, its end marker after it: in arithmetic coding a picture, at
    // 16 x 16 here, as a 2^28-pixel one would take each run seconds and most of its memory.
    save(jpeg, "arithmetic_scan_without_data",
         imgtest::operator+(imgtest::jpegThroughScanHeader(arithmetic), {0xFF, 0xD9}));
    save(jpeg, "trailing_bytes", imgtest::operator+(imgtest::jpegBytes({.width = 8, .height = 8}), {0xFF, 0xD8, 0x00}));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    try {
        writeSeeds(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "img_decoder_seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
