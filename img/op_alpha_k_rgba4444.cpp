// Constant-alpha blend onto Rgba4444: each destination format in a unit of its own.
#include "img/op_alpha_k.h"

namespace talvo::g {

TALVO_G_ALPHA_K_ENTRY(Rgba4444)

}  // namespace talvo::g
