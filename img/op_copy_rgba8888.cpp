// Copy and alpha draw onto Rgba8888: each destination format in a unit of its own.
#include "img/op_copy.h"

namespace talvo::g {

TALVO_G_COPY_ENTRIES(Rgba8888)

}  // namespace talvo::g
