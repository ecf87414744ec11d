// Nearest-neighbour sampling, once per pixel size.
#include <cstddef>
#include <cstring>

#include "img/resample.h"

namespace talvo::g {

template <int N>
    requires(N >= 1 && N <= 4)
void resampleNearest(std::uint8_t* dst, std::int32_t dstPitch, std::int32_t tw, std::int32_t th,
                     const std::uint8_t* src, std::int32_t srcPitch, std::int32_t sw, std::int32_t sh) {
    if (tw <= 0 || th <= 0) return;
    const std::size_t rowBytes = std::size_t(tw) * N;
    if (sw <= 0 || sh <= 0) {
        for (std::int32_t j = 0; j < th; ++j) std::memset(dst + std::ptrdiff_t{j} * dstPitch, 0, rowBytes);
        return;
    }
    // 64-bit steps and positions: no side overflows them, and below 32768 they equal the 32-bit ones.
    const std::int64_t stepX = (std::int64_t{sw} << 16) / tw, stepY = (std::int64_t{sh} << 16) / th;
    std::int64_t y = stepY / 2;
    std::int64_t previousRow = -1;
    for (std::int32_t j = 0; j < th; ++j, y += stepY) {
        std::uint8_t* out = dst + std::ptrdiff_t{j} * dstPitch;
        const std::int64_t sy = y >> 16;
        if (sy == previousRow) {
            // An enlarged row repeats the row above it byte for byte.
            std::memcpy(out, out - dstPitch, rowBytes);
            continue;
        }
        previousRow = sy;
        const std::uint8_t* in = src + sy * srcPitch;
        // Four independent positions per round keep the copies from waiting on one running sum.
        std::int64_t x = stepX / 2;
        std::int32_t i = 0;
        for (; i + 4 <= tw; i += 4, x += 4 * stepX, out += 4 * N) {
            std::memcpy(out, in + (x >> 16) * N, N);
            std::memcpy(out + N, in + ((x + stepX) >> 16) * N, N);
            std::memcpy(out + 2 * N, in + ((x + 2 * stepX) >> 16) * N, N);
            std::memcpy(out + 3 * N, in + ((x + 3 * stepX) >> 16) * N, N);
        }
        for (; i < tw; ++i, x += stepX, out += N) std::memcpy(out, in + (x >> 16) * N, N);
    }
}

template void resampleNearest<1>(std::uint8_t*, std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*,
                                 std::int32_t, std::int32_t, std::int32_t);
template void resampleNearest<2>(std::uint8_t*, std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*,
                                 std::int32_t, std::int32_t, std::int32_t);
template void resampleNearest<3>(std::uint8_t*, std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*,
                                 std::int32_t, std::int32_t, std::int32_t);
template void resampleNearest<4>(std::uint8_t*, std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*,
                                 std::int32_t, std::int32_t, std::int32_t);

}  // namespace talvo::g
