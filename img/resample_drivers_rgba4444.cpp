// The filtered drivers' template instances of Rgba4444: each format in a unit of its own.
#include "img/resample_driver.h"

namespace talvo::g {

TALVO_G_RESAMPLE_INSTANCES(fmtId::rgba4444)

}  // namespace talvo::g
