// Copy and alpha draw onto Rgba4444: each destination format in a unit of its own.
#include "img/op_copy.h"

namespace talvo::g {

TALVO_G_COPY_ENTRIES(Rgba4444)

}  // namespace talvo::g
