// Copy and alpha draw onto Rgb888: each destination format in a unit of its own.
#include "img/op_copy.h"

namespace talvo::g {

TALVO_G_COPY_ENTRIES(Rgb888)

}  // namespace talvo::g
