// The dispatchers: one table from (kind, format, mode) to a nearest loop or a filtered driver.
#include "img/resample.h"

#include <cstddef>
#include <cstring>

namespace talvo::g {

namespace {

constexpr ResampleMode resampleLastMode = 4;  // nothing is sampled above it

using Routine = void (*)(std::uint8_t*, std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*, std::int32_t,
                         std::int32_t, std::int32_t, std::uint32_t);

template <int N>
void nearestEntry(std::uint8_t* dst, std::int32_t dstPitch, std::int32_t tw, std::int32_t th, const std::uint8_t* src,
                  std::int32_t srcPitch, std::int32_t sw, std::int32_t sh, std::uint32_t) {
    resampleNearest<N>(dst, dstPitch, tw, th, src, srcPitch, sw, sh);
}

template <PelFmtId Id, auto Driver, std::uint32_t KeyBits>
void driverEntry(std::uint8_t* dst, std::int32_t dstPitch, std::int32_t tw, std::int32_t th, const std::uint8_t* src,
                 std::int32_t srcPitch, std::int32_t sw, std::int32_t sh, std::uint32_t key) {
    Driver(dst, dstPitch, tw, th, src, srcPitch, sw, sh, Pixel<Id>::fromValue(key | KeyBits));
}

struct RoutineTable {
    Routine at[2][pelFmtCount][resampleLastMode + 1];  // [keyed][format][mode]; null clears the target
};

constexpr RoutineTable makeTable() {
    RoutineTable table{};
    // Mode 0 picks the nearest pixel of every format with colours; 8-bit pixels have no other mode.
    constexpr Routine nearestOf[5] = {nullptr, &nearestEntry<1>, &nearestEntry<2>, &nearestEntry<3>, &nearestEntry<4>};
    for (int keyed = 0; keyed < 2; ++keyed) {
        for (ResampleMode mode = 0; mode <= resampleLastMode; ++mode)
            table.at[keyed][fmtId::other8][mode] = nearestOf[pelFmtBytes[fmtId::other8]];
        for (PelFmtId id = fmtId::rgb888; id <= fmtId::rgba4444; ++id) table.at[keyed][id][0] = nearestOf[pelFmtBytes[id]];
    }
    // In mode 4 the Rgba8888 key is taken with alpha 0xFF.
#define TALVO_G_DRIVER_ROW(fmt, id, edge, wx, wy)                                                              \
    table.at[0][id][1 + wx + 2 * wy] = &driverEntry<id, &resample_##fmt##_##edge, 0>;                          \
    table.at[1][id][1 + wx + 2 * wy] =                                                                         \
        &driverEntry<id, &resample_##fmt##_##edge##_keyed, (id == fmtId::rgba8888 && wx && wy) ? 0xFF000000u : 0u>;
#define TALVO_G_DRIVER_ROWS(fmt, id) TALVO_G_RESAMPLE_EDGES(TALVO_G_DRIVER_ROW, fmt, id)
    TALVO_G_RESAMPLE_FORMATS(TALVO_G_DRIVER_ROWS)
#undef TALVO_G_DRIVER_ROWS
#undef TALVO_G_DRIVER_ROW
    return table;
}

constexpr RoutineTable routines = makeTable();

void dispatch(bool keyed, std::int32_t width, std::int32_t height, ResampleMode mode, const Image::Lock& target,
              const Image::Lock& source, std::uint32_t key, PelFmtId id, const Image& sourceImage) {
    if (target.bits == nullptr || width <= 0 || height <= 0) return;
    const Routine routine = id < pelFmtCount && mode <= resampleLastMode ? routines.at[keyed][id][mode] : nullptr;
    if (routine == nullptr) {
        // Pixels nobody samples are zero rather than whatever the allocator left.
        const std::size_t rowBytes = std::size_t(width) * pelBytes(id);
        for (std::int32_t j = 0; j < height; ++j) std::memset(target.bits + std::ptrdiff_t{j} * target.pitch, 0, rowBytes);
        return;
    }
    // A source without pixels memory samples as an empty one.
    const bool empty = source.bits == nullptr;
    routine(target.bits, target.pitch, width, height, source.bits, source.pitch, empty ? 0 : sourceImage.width(),
            empty ? 0 : sourceImage.height(), key);
}

}  // namespace

void resampleKeyed(std::int32_t width, std::int32_t height, ResampleMode mode, const Image::Lock& target,
                   const Image::Lock& source, std::uint32_t key, const PelFmt& targetFormat, const Image& sourceImage) {
    dispatch(true, width, height, mode, target, source, key, targetFormat.id(), sourceImage);
}

void resamplePlain(std::int32_t width, std::int32_t height, ResampleMode mode, const Image::Lock& target,
                   const Image::Lock& source, std::uint32_t key, const PelFmt& targetFormat, const Image& sourceImage) {
    dispatch(false, width, height, mode, target, source, key, targetFormat.id(), sourceImage);
}

}  // namespace talvo::g
