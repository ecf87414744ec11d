// Pixel loops: one template per operation, instantiated once per pixel size.
#include "platform/pixels.h"

#include "platform/pixel_blocks.h"
#include "platform/simd_level.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace plat {
namespace {
template <uint32_t B>
uint32_t load(const uint8_t* p)
{
    if constexpr (B == 1)
        return p[0];
    else if constexpr (B == 2)
        return static_cast<uint32_t>(p[0] | (p[1] << 8));
    else if constexpr (B == 3)
        return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16));
    else
        return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) | (static_cast<uint32_t>(p[3]) << 24);
}

template <uint32_t B>
void store(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    if constexpr (B >= 2)
        p[1] = static_cast<uint8_t>(v >> 8);
    if constexpr (B >= 3)
        p[2] = static_cast<uint8_t>(v >> 16);
    if constexpr (B >= 4)
        p[3] = static_cast<uint8_t>(v >> 24);
}

constexpr uint32_t valueMask(uint32_t bytes) { return bytes >= 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1; }

uint8_t* at(const PixelArea& a, int x, int y)
{
    return a.pixels + static_cast<std::ptrdiff_t>(y) * a.pitch + static_cast<std::ptrdiff_t>(x) * a.bytesPerPixel;
}

template <uint32_t B>
void fillRows(const PixelArea& d, int x, int y, int w, int h, uint32_t colour)
{
    for (int row = 0; row < h; ++row) {
        uint8_t* p = at(d, x, y + row);
        for (int col = 0; col < w; ++col, p += B)
            store<B>(p, colour);
    }
}

template <uint32_t B>
void keyedRows(const PixelArea& d, int dx, int dy, const PixelArea& s, int sx, int sy, int w, int h, uint32_t key)
{
    key &= valueMask(B);
    for (int row = 0; row < h; ++row) {
        const uint8_t* sp = at(s, sx, sy + row);
        uint8_t* dp = at(d, dx, dy + row);
        for (int col = 0; col < w; ++col, sp += B, dp += B) {
            const uint32_t v = load<B>(sp);
            if (v != key)
                store<B>(dp, v);
        }
    }
}

// The 16-bit keyed copy as a select over blocks with a fixed count, which the compiler turns into
// vector compares straight on the rows (which never overlap here: an overlapping copy goes
// through a copy of its source first); the same bytes as keyedRows<2>.
template <class Count>
void keyedBlock16(uint8_t* __restrict dp, const uint8_t* __restrict sp, Count n, uint16_t key)
{
    for (int k = 0; k < n; ++k) {
        uint16_t s, d;
        std::memcpy(&s, sp + 2 * k, 2);
        std::memcpy(&d, dp + 2 * k, 2);
        d = s == key ? d : s;
        std::memcpy(dp + 2 * k, &d, 2);
    }
}

void keyedRow16(uint8_t* dp, const uint8_t* sp, int w, uint16_t key)
{
    forPixelBlocks(w, [&](int i, auto count) { keyedBlock16(dp + 2 * i, sp + 2 * i, count, key); });
}

void keyedRows16(const PixelArea& d, int dx, int dy, const PixelArea& s, int sx, int sy, int w, int h, uint32_t key)
{
    for (int row = 0; row < h; ++row)
        keyedRow16(at(d, dx, dy + row), at(s, sx, sy + row), w, static_cast<uint16_t>(key));
}

#if PLAT_SIMD_X86
using U16x8 = uint16_t __attribute__((vector_size(16)));
using U16x16 = uint16_t __attribute__((vector_size(32)));
using U64x2 = uint64_t __attribute__((vector_size(16)));

// Keyed 16-bit rows at least 32 pixels wide at the sse2 level, in blocks of 32 source pixels
// (one 64-byte line) in eight-lane steps: a block all key leaves the destination unread and
// unwritten; any other block takes the select without a branch on its pixels (a second branch
// for blocks without key cost more in mispredictions on sprite edges than it saved). The last
// block ends on the row's end, going over pixels already done: the select gives them the same
// values again (the rows never overlap here). A full-frame sprite copy took 36 us this way, 49
// us with the select on every block; with AVX2 the sixteen-lane select below was as fast
// without skipping, so it stays.
void keyedBlock32(uint8_t* __restrict dp, const uint8_t* __restrict sp, U16x8 keys)
{
    constexpr int n = 4;
    U16x8 sv[n], isKey[n];
    U16x8 all = ~U16x8{};
    for (int k = 0; k < n; ++k) {
        std::memcpy(&sv[k], sp + k * sizeof(U16x8), sizeof(U16x8));
        isKey[k] = (U16x8)(sv[k] == keys);
        all &= isKey[k];
    }
    const auto notKey = reinterpret_cast<U64x2>(~all);
    if ((notKey[0] | notKey[1]) == 0)
        return;
    for (int k = 0; k < n; ++k) {
        U16x8 dv;
        std::memcpy(&dv, dp + k * sizeof(U16x8), sizeof(U16x8));
        dv = (dv & isKey[k]) | (sv[k] & ~isKey[k]);
        std::memcpy(dp + k * sizeof(U16x8), &dv, sizeof(U16x8));
    }
}

void keyedRows16Skipping(const PixelArea& d, int dx, int dy, const PixelArea& s, int sx, int sy, int w, int h,
                         uint32_t key)
{
    const U16x8 keys = U16x8{} + static_cast<uint16_t>(key);
    for (int row = 0; row < h; ++row) {
        uint8_t* __restrict dp = at(d, dx, dy + row);
        const uint8_t* __restrict sp = at(s, sx, sy + row);
        for (int i = 0; i + 32 <= w; i += 32)
            keyedBlock32(dp + 2 * i, sp + 2 * i, keys);
        if (w % 32 != 0)
            keyedBlock32(dp + 2 * (w - 32), sp + 2 * (w - 32), keys);
    }
}

// The select on sixteen 16-bit lanes where the processor has AVX2, only this loop built
// for AVX2: the game's sprites are keyed 16-bit copies a few blocks wide, drawn every frame.
PLAT_SIMD_AVX2 void keyedRows16Wide(const PixelArea& d, int dx, int dy, const PixelArea& s, int sx, int sy, int w, int h,
                                    uint32_t key)
{
    const U16x16 keys = U16x16{} + static_cast<uint16_t>(key);
    for (int row = 0; row < h; ++row) {
        uint8_t* __restrict dp = at(d, dx, dy + row);
        const uint8_t* __restrict sp = at(s, sx, sy + row);
        int i = 0;
        for (; i + 16 <= w; i += 16) {
            U16x16 sv, dv;
            std::memcpy(&sv, sp + 2 * i, sizeof sv);
            std::memcpy(&dv, dp + 2 * i, sizeof dv);
            const U16x16 isKey = (U16x16)(sv == keys);
            dv = (dv & isKey) | (sv & ~isKey);
            std::memcpy(dp + 2 * i, &dv, sizeof dv);
        }
        if (i < w)
            keyedBlock16(dp + 2 * i, sp + 2 * i, w - i, static_cast<uint16_t>(key));
    }
}
#endif

// A copy within one block of memory must not read what it has already written.
bool overlaps(const PixelArea& d, int dy, const PixelArea& s, int sy, int h)
{
    if (d.pixels != s.pixels)
        return false;
    return dy < sy + h && sy < dy + h;
}
} // namespace

uint8_t* allocatePixelMemory(std::size_t bytes)
{
    // calloc leaves fresh pages untouched, so a surface nothing has drawn on yet takes no
    // memory; the block starts at the first line boundary past calloc's pointer, and the
    // byte before it tells how far that is.
    constexpr std::size_t line = 64;
    if (bytes > SIZE_MAX - line)
        return nullptr;
    auto* raw = static_cast<uint8_t*>(std::calloc(bytes + line, 1));
    if (!raw)
        return nullptr;
    const auto offset = static_cast<uint8_t>(line - reinterpret_cast<uintptr_t>(raw) % line);
    uint8_t* p = raw + offset;
    p[-1] = offset;
    return p;
}

void freePixelMemory(uint8_t* p)
{
    if (p)
        std::free(p - p[-1]);
}

uint32_t readPixel(const uint8_t* p, uint32_t bytes)
{
    switch (bytes) {
    case 1: return load<1>(p);
    case 2: return load<2>(p);
    case 3: return load<3>(p);
    default: return load<4>(p);
    }
}

void writePixel(uint8_t* p, uint32_t bytes, uint32_t value)
{
    switch (bytes) {
    case 1: store<1>(p, value); break;
    case 2: store<2>(p, value); break;
    case 3: store<3>(p, value); break;
    default: store<4>(p, value); break;
    }
}

void fillPixels(const PixelArea& d, int x, int y, int w, int h, uint32_t colour)
{
    switch (d.bytesPerPixel) {
    case 1: fillRows<1>(d, x, y, w, h, colour); break;
    case 2: fillRows<2>(d, x, y, w, h, colour); break;
    case 3: fillRows<3>(d, x, y, w, h, colour); break;
    default: fillRows<4>(d, x, y, w, h, colour); break;
    }
}

void copyPixels(const PixelArea& d, int dx, int dy, const PixelArea& s, int sx, int sy, int w, int h)
{
    const std::size_t rowBytes = static_cast<std::size_t>(w) * s.bytesPerPixel;
    // Whole rows of both areas lie back to back: one block copy, far faster than a call per row
    // for full-frame copies, and the same bytes in the same overlap-safe way.
    if (h > 0 && static_cast<std::size_t>(d.pitch) == rowBytes && static_cast<std::size_t>(s.pitch) == rowBytes) {
        std::memmove(at(d, dx, dy), at(s, sx, sy), rowBytes * static_cast<std::size_t>(h));
        return;
    }
    // Walk rows upward when the destination lies below the source in the same memory.
    const bool upward = overlaps(d, dy, s, sy, h) && dy > sy;
    for (int i = 0; i < h; ++i) {
        const int row = upward ? h - 1 - i : i;
        std::memmove(at(d, dx, dy + row), at(s, sx, sy + row), rowBytes);
    }
}

namespace {
using KeyedRows = void (*)(const PixelArea&, int, int, const PixelArea&, int, int, int, int, uint32_t);

// An overlapping copy goes through a copy of the source block first.
void keyedCopy(const PixelArea& d, int dx, int dy, const PixelArea& s, int sx, int sy, int w, int h, uint32_t key,
               KeyedRows rows)
{
    PixelArea src = s;
    std::vector<uint8_t> copy;
    if (overlaps(d, dy, s, sy, h)) {
        src.pitch = static_cast<int32_t>(static_cast<std::size_t>(w) * s.bytesPerPixel);
        copy.resize(static_cast<std::size_t>(src.pitch) * static_cast<std::size_t>(h));
        src.pixels = copy.data();
        copyPixels(src, 0, 0, s, sx, sy, w, h);
        sx = 0;
        sy = 0;
    }
    rows(d, dx, dy, src, sx, sy, w, h, key);
}

KeyedRows plainKeyedRows(uint32_t bytes)
{
    switch (bytes) {
    case 1: return keyedRows<1>;
    case 2: return keyedRows<2>;
    case 3: return keyedRows<3>;
    default: return keyedRows<4>;
    }
}
} // namespace

void copyPixelsKeyed(const PixelArea& d, int dx, int dy, const PixelArea& s, int sx, int sy, int w, int h,
                     uint32_t key)
{
    KeyedRows rows = d.bytesPerPixel == 2 ? keyedRows16 : plainKeyedRows(d.bytesPerPixel);
#if PLAT_SIMD_X86
    if (d.bytesPerPixel == 2 && w >= 16 && simdLevel() == SimdLevel::avx2)
        rows = keyedRows16Wide;
    else if (d.bytesPerPixel == 2 && w >= 32 && simdLevel() == SimdLevel::sse2)
        rows = keyedRows16Skipping;
#endif
    keyedCopy(d, dx, dy, s, sx, sy, w, h, key, rows);
}

} // namespace plat
