// Frame files: a presented frame written as a 24-bit BMP for a person to look at.
#include "platform/headless/display.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace plat::headless {
namespace {
// Widens a channel of `bits` bits to 8 by repeating its high bits (31 -> 255).
uint8_t widen(uint32_t value, uint32_t mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!((mask >> shift) & 1u))
        ++shift;
    int bits = 0;
    while ((mask >> (shift + bits)) & 1u)
        ++bits;
    uint32_t v = (value & mask) >> shift;
    if (bits >= 8)
        return static_cast<uint8_t>(v >> (bits - 8));
    uint32_t out = 0;
    for (int filled = 0; filled < 8; filled += bits)
        out = (out << bits) | v;
    return static_cast<uint8_t>(out >> (((8 + bits - 1) / bits) * bits - 8));
}

void put16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v)
{
    put16(p, v);
    put16(p + 2, v >> 16);
}
} // namespace

bool writeFrameBmp(const std::string& path, const PresentedFrame& frame, std::string* why)
{
    const auto fail = [&](const char* reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (frame.width <= 0 || frame.height <= 0)
        return fail("no frame to write");
    const uint32_t rowBytes = (static_cast<uint32_t>(frame.width) * 3 + 3) & ~3u;
    const uint32_t dataBytes = rowBytes * static_cast<uint32_t>(frame.height);
    uint8_t header[54] = {'B', 'M'};
    put32(header + 2, 54 + dataBytes);
    put32(header + 10, 54);
    put32(header + 14, 40);
    put32(header + 18, static_cast<uint32_t>(frame.width));
    put32(header + 22, static_cast<uint32_t>(frame.height));
    put16(header + 26, 1);
    put16(header + 28, 24);
    put32(header + 34, dataBytes);

    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file)
        return fail(std::strerror(errno));
    if (std::fwrite(header, sizeof header, 1, file.get()) != 1)
        return fail(std::strerror(errno));
    std::unique_ptr<uint8_t[]> row(new uint8_t[rowBytes]());
    const bool indexed = frame.format.bitsPerPixel <= 8;
    for (int y = frame.height - 1; y >= 0; --y) {
        for (int x = 0; x < frame.width; ++x) {
            const uint32_t v = frame.pixel(x, y);
            uint8_t* p = row.get() + x * 3;
            if (indexed) { // no palette here: show the index as a grey level
                p[0] = p[1] = p[2] = static_cast<uint8_t>(v);
                continue;
            }
            p[0] = widen(v, frame.format.blueMask);
            p[1] = widen(v, frame.format.greenMask);
            p[2] = widen(v, frame.format.redMask);
        }
        if (std::fwrite(row.get(), rowBytes, 1, file.get()) != 1)
            return fail(std::strerror(errno));
    }
    if (std::fclose(file.release()) != 0)
        return fail(std::strerror(errno));
    return true;
}

} // namespace plat::headless
