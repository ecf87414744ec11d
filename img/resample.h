// Image resampling: the dispatchers by format and mode, the nearest loops and the filtered drivers.
#pragma once

#include <cstdint>

#include "img/image.h"
#include "img/pixel.h"
#include "img/resample_table.h"

namespace talvo::g {

// ResampleMode (declared with Image): 0 nearest neighbour; 1 to 4 filtered with the edge rules no wrap,
// wrap x, wrap y, wrap both.

// Samples the source lock (of source's size) into the target lock (width x height) by the target
// format and the mode, keyed: samples equal to `key` (a pixel value of the format) do not count, a
// pixel that only key samples reached is the key. In mode 4 an Rgba8888 key is taken with alpha 0xFF.
// Formats 0, 10, 11 and modes above 4 clear the target; an empty source gives zero pixels.
void resampleKeyed(std::int32_t width, std::int32_t height, ResampleMode mode, const Image::Lock& target,
                   const Image::Lock& source, std::uint32_t key, const PelFmt& targetFormat, const Image& sourceImage);
// The same with every sample counted; the key is not read.
void resamplePlain(std::int32_t width, std::int32_t height, ResampleMode mode, const Image::Lock& target,
                   const Image::Lock& source, std::uint32_t key, const PelFmt& targetFormat, const Image& sourceImage);

// Each target pixel copies the N bytes of the source pixel under its centre. Sides below 1 on the
// target write nothing; an empty source gives zero pixels. Source and target are different memory.
template <int N>
    requires(N >= 1 && N <= 4)
void resampleNearest(std::uint8_t* dst, std::int32_t dstPitch, std::int32_t tw, std::int32_t th,
                     const std::uint8_t* src, std::int32_t srcPitch, std::int32_t sw, std::int32_t sh);

extern template void resampleNearest<1>(std::uint8_t*, std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*,
                                        std::int32_t, std::int32_t, std::int32_t);
extern template void resampleNearest<2>(std::uint8_t*, std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*,
                                        std::int32_t, std::int32_t, std::int32_t);
extern template void resampleNearest<3>(std::uint8_t*, std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*,
                                        std::int32_t, std::int32_t, std::int32_t);
extern template void resampleNearest<4>(std::uint8_t*, std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*,
                                        std::int32_t, std::int32_t, std::int32_t);

// resample_<fmt>_<edge>[_keyed]: the filtered driver of one format, edge rule and collector kind
// (arguments as resampleNearest's, then the key as the format's pixel).
#define TALVO_G_DRIVER_DECLARE(fmt, id, edge, wx, wy)                                                          \
    void resample_##fmt##_##edge(std::uint8_t* dst, std::int32_t dstPitch, std::int32_t tw, std::int32_t th,  \
                                 const std::uint8_t* src, std::int32_t srcPitch, std::int32_t sw,             \
                                 std::int32_t sh, Pixel<id> key);                                             \
    void resample_##fmt##_##edge##_keyed(std::uint8_t* dst, std::int32_t dstPitch, std::int32_t tw,           \
                                         std::int32_t th, const std::uint8_t* src, std::int32_t srcPitch,     \
                                         std::int32_t sw, std::int32_t sh, Pixel<id> key);
#define TALVO_G_DRIVER_DECLARE_FORMAT(fmt, id) TALVO_G_RESAMPLE_EDGES(TALVO_G_DRIVER_DECLARE, fmt, id)
TALVO_G_RESAMPLE_FORMATS(TALVO_G_DRIVER_DECLARE_FORMAT)
#undef TALVO_G_DRIVER_DECLARE_FORMAT
#undef TALVO_G_DRIVER_DECLARE

}  // namespace talvo::g
