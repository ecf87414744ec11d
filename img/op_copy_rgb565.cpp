// Copy and alpha draw onto Rgb565: each destination format in a unit of its own.
#include "img/op_copy.h"

namespace talvo::g {

TALVO_G_COPY_ENTRIES(Rgb565)

}  // namespace talvo::g
