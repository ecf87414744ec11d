// Constant-alpha blend onto Rgbx4444: each destination format in a unit of its own.
#include "img/op_alpha_k.h"

namespace talvo::g {

TALVO_G_ALPHA_K_ENTRY(Rgbx4444)

}  // namespace talvo::g
