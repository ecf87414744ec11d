// Copy and alpha draw onto Rgba5551: each destination format in a unit of its own.
#include "img/op_copy.h"

namespace talvo::g {

TALVO_G_COPY_ENTRIES(Rgba5551)

}  // namespace talvo::g
