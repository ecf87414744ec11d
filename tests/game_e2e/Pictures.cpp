// Reading the generator's BMP files and comparing them with presented frames.
#include "Pictures.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace {
uint32_t le32(const std::vector<uint8_t>& b, std::size_t at)
{
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t le16(const std::vector<uint8_t>& b, std::size_t at)
{
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
} // namespace

std::optional<Picture> readPicture(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M')
        return std::nullopt;
    const uint32_t offset = le32(b, 10);
    const auto width = static_cast<int32_t>(le32(b, 18));
    const auto rawHeight = static_cast<int32_t>(le32(b, 22));
    if (le16(b, 28) != 24 || le32(b, 30) != 0 || width <= 0 || rawHeight == 0 || width > 4096 ||
        rawHeight > 4096 || rawHeight < -4096)
        return std::nullopt;
    const int height = rawHeight < 0 ? -rawHeight : rawHeight;
    const std::size_t pitch = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    if (offset + pitch * static_cast<std::size_t>(height) > b.size())
        return std::nullopt;
    Picture p{width, height, std::vector<uint16_t>(static_cast<std::size_t>(width * height))};
    for (int y = 0; y < height; ++y) {
        const int fileRow = rawHeight > 0 ? height - 1 - y : y;
        const std::size_t row = offset + pitch * static_cast<std::size_t>(fileRow);
        for (int x = 0; x < width; ++x) {
            const std::size_t at = row + static_cast<std::size_t>(x) * 3;
            p.pixels[static_cast<std::size_t>(y * width + x)] = rgb565(b[at + 2], b[at + 1], b[at]);
        }
    }
    return p;
}

std::optional<Mismatch> comparePicture(const plat::headless::PresentedFrame& frame, const Picture& picture, int x,
                                       int y, const CompareOptions& options)
{
    std::optional<Mismatch> result;
    for (int py = 0; py < picture.height; ++py) {
        for (int px = 0; px < picture.width; ++px) {
            const int sx = x + px;
            const int sy = y + py;
            if (sx < 0 || sy < 0 || sx >= frame.width || sy >= frame.height)
                continue;
            if (options.skip && options.skip->contains(sx, sy))
                continue;
            if (options.clip && !options.clip->contains(sx, sy))
                continue;
            const uint16_t want = picture.at(px, py);
            if (options.keyed && want == 0)
                continue;
            const uint32_t got = frame.pixel(sx, sy);
            if (got == want)
                continue;
            if (!result)
                result = Mismatch{sx, sy, want, got, 0};
            ++result->count;
        }
    }
    return result;
}

std::string describe(const std::optional<Mismatch>& m)
{
    if (!m)
        return "equal";
    char text[160];
    std::snprintf(text, sizeof text, "first difference at (%d, %d): expected 0x%04x, got 0x%04x (%d pixels differ)",
                  m->x, m->y, m->expected, m->got, m->count);
    return text;
}
