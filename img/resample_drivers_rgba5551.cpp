// The filtered drivers' template instances of Rgba5551: each format in a unit of its own.
#include "img/resample_driver.h"

namespace talvo::g {

TALVO_G_RESAMPLE_INSTANCES(fmtId::rgba5551)

}  // namespace talvo::g
