// The 64 named filtered drivers, each a call of its instance of the driver template (built per format).
#include "img/resample.h"
#include "img/resample_driver.h"

namespace talvo::g {

#define TALVO_G_DRIVER_DEFINE(fmt, id, edge, wx, wy)                                                           \
    void resample_##fmt##_##edge(std::uint8_t* dst, std::int32_t dstPitch, std::int32_t tw, std::int32_t th,  \
                                 const std::uint8_t* src, std::int32_t srcPitch, std::int32_t sw,             \
                                 std::int32_t sh, Pixel<id> key) {                                            \
        resampleFiltered<id, wx, wy, false>(dst, dstPitch, tw, th, src, srcPitch, sw, sh, key);               \
    }                                                                                                          \
    void resample_##fmt##_##edge##_keyed(std::uint8_t* dst, std::int32_t dstPitch, std::int32_t tw,           \
                                         std::int32_t th, const std::uint8_t* src, std::int32_t srcPitch,     \
                                         std::int32_t sw, std::int32_t sh, Pixel<id> key) {                   \
        resampleFiltered<id, wx, wy, true>(dst, dstPitch, tw, th, src, srcPitch, sw, sh, key);                \
    }
#define TALVO_G_DRIVER_DEFINE_FORMAT(fmt, id) TALVO_G_RESAMPLE_EDGES(TALVO_G_DRIVER_DEFINE, fmt, id)
TALVO_G_RESAMPLE_FORMATS(TALVO_G_DRIVER_DEFINE_FORMAT)

}  // namespace talvo::g
