// Constant-alpha blend onto Rgbx5551: each destination format in a unit of its own.
#include "img/op_alpha_k.h"

namespace talvo::g {

TALVO_G_ALPHA_K_ENTRY(Rgbx5551)

}  // namespace talvo::g
