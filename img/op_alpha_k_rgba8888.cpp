// Constant-alpha blend onto Rgba8888: each destination format in a unit of its own.
#include "img/op_alpha_k.h"

namespace talvo::g {

TALVO_G_ALPHA_K_ENTRY(Rgba8888)

}  // namespace talvo::g
