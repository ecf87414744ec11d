// The filtered drivers' template instances of Rgba8888: each format in a unit of its own.
#include "img/resample_driver.h"

namespace talvo::g {

TALVO_G_RESAMPLE_INSTANCES(fmtId::rgba8888)

}  // namespace talvo::g
