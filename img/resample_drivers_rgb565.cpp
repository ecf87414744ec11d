// The filtered drivers' template instances of Rgb565: each format in a unit of its own.
#include "img/resample_driver.h"

namespace talvo::g {

TALVO_G_RESAMPLE_INSTANCES(fmtId::rgb565)

}  // namespace talvo::g
