// Test helpers: reading the generated files back with parsers of the tests' own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "tools/assetgen/Picture.h"

namespace assetgen_test {

inline std::filesystem::path runDir() { return VELMOOR_RUN_DIR; }

inline std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
inline std::uint16_t le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

struct BmpFile {
    std::string problem; // empty when the header is the one the game's loader expects
    assetgen::Picture picture;
};

// Accepts exactly what the generator promises: "BM", 40-byte header, 24 bits, BI_RGB, bottom-up,
// rows padded to 4 bytes, sizes consistent with the file's length.
inline BmpFile readBmp(const std::filesystem::path& path) {
    BmpFile out;
    const std::vector<std::uint8_t> b = readFile(path);
    if (b.size() < 54) return {"shorter than its headers", {}};
    if (b[0] != 'B' || b[1] != 'M') return {"no BM signature", {}};
    if (le32(b, 2) != b.size()) return {"file size field disagrees with the file", {}};
    if (le32(b, 14) != 40) return {"information header is not 40 bytes", {}};
    const auto width = static_cast<std::int32_t>(le32(b, 18));
    const auto height = static_cast<std::int32_t>(le32(b, 22));
    if (width <= 0 || height <= 0) return {"not a bottom-up picture of positive size", {}};
    if (le16(b, 26) != 1) return {"planes is not 1", {}};
    if (le16(b, 28) != 24) return {"not 24 bits per pixel", {}};
    if (le32(b, 30) != 0) return {"compressed", {}};
    const std::size_t offset = le32(b, 10);
    const std::size_t row = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    if (offset != 54) return {"pixel data does not follow the headers", {}};
    if (offset + row * static_cast<std::size_t>(height) != b.size()) return {"pixel data size is wrong", {}};
    out.picture = assetgen::Picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t at = offset + static_cast<std::size_t>(height - 1 - y) * row + static_cast<std::size_t>(x) * 3;
            out.picture.at(x, y) = assetgen::Rgb{b[at + 2], b[at + 1], b[at]};
        }
    return out;
}

// First differing pixel, for messages.
inline std::optional<std::pair<int, int>> firstDifference(const assetgen::Picture& a, const assetgen::Picture& b) {
    if (a.width != b.width || a.height != b.height) return std::pair{-1, -1};
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (!(a.at(x, y) == b.at(x, y))) return std::pair{x, y};
    return std::nullopt;
}

} // namespace assetgen_test
