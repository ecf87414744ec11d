// Constant-alpha blend onto Rgb565: each destination format in a unit of its own.
#include "img/op_alpha_k.h"

namespace talvo::g {

TALVO_G_ALPHA_K_ENTRY(Rgb565)

}  // namespace talvo::g
