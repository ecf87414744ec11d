// Fuzz target: any pixels coded with any key decode back to the same pixels from any skip.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sprite/rle8Codec.h"
#include "sprite/ctyRuntime.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4) return 0;
    // Bit 0 of the first byte: no key (257, which no byte equals); else the second byte.
    const std::int32_t key = (data[0] & 1) != 0 ? 257 : data[1];
    const std::uint32_t skipSeed = data[2], countSeed = data[3];
    const std::uint8_t* pixels = data + 4;
    const int n = static_cast<int>(size - 4);
    std::int32_t length = 0;
    std::uint8_t* row = rle8_encode_row(pixels, n, key, &length);
    if (row == nullptr) {
        for (int i = 0; i < n; ++i)
            if (pixels[i] != key) std::abort();
        return 0;
    }
    if (length > (3 * n + 1) / 2 || rle8_row_extent(row, length, n) != length) std::abort();
    const int skip = static_cast<int>(skipSeed % static_cast<std::uint32_t>(n));
    const int count = 1 + static_cast<int>(countSeed % static_cast<std::uint32_t>(n - skip));
    std::vector<std::uint8_t> out(static_cast<std::size_t>(n), static_cast<std::uint8_t>(key));
    rle8_decode_row(row, skip, count, out.data());
    if (std::memcmp(out.data() + skip, pixels + skip, static_cast<std::size_t>(count)) != 0) std::abort();
    ctyFree(row);
    return 0;
}
