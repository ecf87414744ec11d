// The filtered drivers' template instances of Rgbx4444: each format in a unit of its own.
#include "img/resample_driver.h"

namespace talvo::g {

TALVO_G_RESAMPLE_INSTANCES(fmtId::rgbx4444)

}  // namespace talvo::g
