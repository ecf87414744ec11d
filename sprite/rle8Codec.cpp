// Run-length coding of 8-bit sprite rows: encoder, decoder, pixel skipper, opaque bounds.
#include "sprite/rle8Codec.h"

#include <cstring>

#include "sprite/ctyRuntime.h"

namespace {

// One pass of the encoder; Out either counts the bytes or stores them.
template <class Out>
void codeRow(const std::uint8_t* p, int n, std::int32_t key, Out& out)
{
    const auto repeatAt = [p, n, key](int j) {
        return j + 2 < n && p[j] != key && p[j] == p[j + 1] && p[j] == p[j + 2];
    };
    int i = 0;
    while (i < n) {
        if (p[i] == key) {
            int k = 0;
            while (i < n && p[i] == key) ++k, ++i;
            for (; k > 127; k -= 127) out.byte(0x7F);
            out.byte(static_cast<std::uint8_t>(k));
            continue;
        }
        int j = i;
        while (j < n && p[j] != key && !repeatAt(j)) ++j;
        const std::uint8_t* literal = p + i;
        int count = j - i;
        for (; count > 63; count -= 63, literal += 63) out.byte(0xBF), out.bytes(literal, 63);
        if (count > 0) out.byte(static_cast<std::uint8_t>(0x80 | count)), out.bytes(literal, count);
        i = j;
        if (!repeatAt(j)) continue;
        const std::uint8_t v = p[j];
        int k = 0;
        while (i < n && p[i] == v) ++k, ++i;
        for (; k > 63; k -= 63) out.byte(0xFF), out.byte(v);
        out.byte(static_cast<std::uint8_t>(0xC0 | k)), out.byte(v);
    }
}

struct Counter {
    std::int64_t n = 0;
    void byte(std::uint8_t) { ++n; }
    void bytes(const std::uint8_t*, int k) { n += k; }
};

struct Writer {
    std::uint8_t* at;
    void byte(std::uint8_t b) { *at++ = b; }
    void bytes(const std::uint8_t* from, int k)
    {
        std::memcpy(at, from, static_cast<std::size_t>(k));
        at += k;
    }
};

}  // namespace

std::uint8_t* rle8_encode_row(const std::uint8_t* pixels, int n, std::int32_t key, std::int32_t* outLength)
{
    bool allKey = true;
    for (int i = 0; i < n && allKey; ++i) allKey = pixels[i] == key;
    if (n <= 0 || allKey) return nullptr;
    // Measured first: the exact block, and no scratch area that grows with the row.
    Counter counter;
    codeRow(pixels, n, key, counter);
    auto* row = static_cast<std::uint8_t*>(ctyAlloc(static_cast<std::size_t>(counter.n)));
    if (row == nullptr) {
        *outLength = -1;
        return nullptr;
    }
    Writer writer{row};
    codeRow(pixels, n, key, writer);
    *outLength = static_cast<std::int32_t>(counter.n);
    return row;
}

const std::uint8_t* rle8_skip(const std::uint8_t* position, int n, std::uint8_t& pending)
{
    for (;;) {
        const int c = pending;
        if (c < 0x80) {
            n -= c;
            if (n < 0) {
                pending = static_cast<std::uint8_t>(-n);
                return position;
            }
        } else {
            const int m = c & 63;
            n -= m;
            if (n < 0) {
                pending = static_cast<std::uint8_t>((c & 0xC0) | -n);
                return c < 0xC0 ? position + (m + n) : position;
            }
            position += c < 0xC0 ? m : 1;
        }
        pending = *position++;
        if (n == 0) return position;
    }
}

void rle8_decode_row(const std::uint8_t* row, int skip, int count, std::uint8_t* dst)
{
    if (count <= 0) return;
    std::uint8_t c = row[0];
    const std::uint8_t* position = row + 1;
    std::uint8_t* out = dst + skip;
    if (skip > 0) position = rle8_skip(position, skip, c);
    int remaining = count;
    for (;;) {
        if (c >= 0x80) {
            const int m = c & 63;
            const int k = m < remaining ? m : remaining;
            if (c < 0xC0) {
                std::memcpy(out, position, static_cast<std::size_t>(k));
                position += m;
            } else {
                std::memset(out, *position++, static_cast<std::size_t>(k));
            }
            out += k;
            remaining -= m;
        } else {
            remaining -= c;
            out += c;
        }
        if (remaining <= 0) return;
        c = *position++;
    }
}

void find_opaque_bounds(const std::uint8_t* pixels, int pitch, int width, int height, std::uint8_t key, imgRect* out)
{
    *out = imgRect{};
    int left = width, right = -1, top = height, bottom = -1;
    for (int r = 0; r < height; ++r) {
        const std::uint8_t* row = pixels + std::int64_t{r} * pitch;
        int first = 0;
        while (first < width && row[first] == key) ++first;
        if (first == width) continue;
        int last = width - 1;
        while (row[last] == key) --last;
        if (first < left) left = first;
        if (last > right) right = last;
        if (top == height) top = r;
        bottom = r;
    }
    if (bottom < 0) return;
    *out = imgRect{left, top, right - left + 1, bottom - top + 1};
}

std::int64_t rle8_row_extent(const std::uint8_t* row, std::int64_t available, std::int64_t pixels)
{
    std::int64_t at = 0;
    while (pixels > 0) {
        if (at >= available) return -1;
        const int c = row[at++];
        const int data = c < 0x80 ? 0 : c < 0xC0 ? (c & 63) : 1;
        pixels -= c < 0x80 ? c : (c & 63);
        at += data;
        if (at > available) return -1;
    }
    return at;
}
