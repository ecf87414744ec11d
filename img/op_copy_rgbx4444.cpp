// Copy and alpha draw onto Rgbx4444: each destination format in a unit of its own.
#include "img/op_copy.h"

namespace talvo::g {

TALVO_G_COPY_ENTRIES(Rgbx4444)

}  // namespace talvo::g
