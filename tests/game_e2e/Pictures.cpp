// Reading and writing the generator's BMP files and comparing them with presented frames.
#include "Pictures.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace {
uint32_t le(const std::vector<uint8_t>& b, std::size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | b[at + static_cast<std::size_t>(i)];
    return v;
}
} // namespace

std::optional<Picture> readPicture(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M')
        return std::nullopt;
    const uint32_t offset = le(b, 10, 4);
    const auto width = static_cast<int32_t>(le(b, 18, 4));
    const auto rawHeight = static_cast<int32_t>(le(b, 22, 4));
    if (le(b, 28, 2) != 24 || le(b, 30, 4) != 0 || width <= 0 || width > 4096 || rawHeight == 0 ||
        rawHeight > 4096 || rawHeight < -4096)
        return std::nullopt;
    const int height = rawHeight < 0 ? -rawHeight : rawHeight;
    const std::size_t pitch = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    if (offset + pitch * static_cast<std::size_t>(height) > b.size())
        return std::nullopt;
    Picture p{width, height, {}};
    for (int y = 0; y < height; ++y) {
        const std::size_t row = offset + pitch * static_cast<std::size_t>(rawHeight > 0 ? height - 1 - y : y);
        for (std::size_t at = row; at < row + static_cast<std::size_t>(width) * 3; at += 3)
            p.pixels.push_back(rgb565(b[at + 2], b[at + 1], b[at]));
    }
    return p;
}

plat::headless::PresentedFrame frameOf(const Picture& picture)
{
    std::vector<uint8_t> bytes;
    for (const uint16_t p : picture.pixels)
        bytes.insert(bytes.end(), {static_cast<uint8_t>(p), static_cast<uint8_t>(p >> 8)});
    return {0, 0, plat::format::Rgb565, picture.width, picture.height, picture.width * 2,
            plat::headless::FrameBytes(std::move(bytes))};
}

Picture crop(const Picture& picture, int x, int y, int width, int height)
{
    Picture out{width, height, std::vector<uint16_t>(static_cast<std::size_t>(width * height))};
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px)
            if (x + px >= 0 && y + py >= 0 && x + px < picture.width && y + py < picture.height)
                out.pixels[static_cast<std::size_t>(py * width + px)] = picture.at(x + px, y + py);
    return out;
}

std::string comparePicture(const plat::headless::PresentedFrame& frame, const Picture& picture, int x, int y,
                           bool keyed, std::optional<Area> skip, std::optional<Area> clip)
{
    int count = 0;
    char first[120] = "";
    for (int py = 0; py < picture.height; ++py)
        for (int px = 0; px < picture.width; ++px) {
            const int sx = x + px, sy = y + py;
            const uint16_t want = picture.at(px, py);
            if (sx < 0 || sy < 0 || sx >= frame.width || sy >= frame.height || (keyed && want == 0) ||
                (skip && skip->contains(sx, sy)) || (clip && !clip->contains(sx, sy)))
                continue;
            const uint32_t got = frame.pixel(sx, sy);
            if (got != want && count++ == 0)
                std::snprintf(first, sizeof first, "first difference at (%d, %d): expected 0x%04x, got 0x%04x", sx,
                              sy, want, got);
        }
    return count == 0 ? "equal" : std::string(first) + " (" + std::to_string(count) + " pixels differ)";
}
