// Constant-alpha blend onto destinations without a pixel struct; the others' entries in op_alpha_k_<fmt>.cpp.
#include "img/op.h"
#include "talvo/exception.h"

namespace talvo::g {

// No pair of the rule table has these destinations.
void BOpAlphaK::applyIndexed() { throwNotImplemented(); }
void BOpAlphaK::applyOther8() { throwNotImplemented(); }
void BOpAlphaK::applyOther16() { throwNotImplemented(); }
void BOpAlphaK::applyOther32() { throwNotImplemented(); }

}  // namespace talvo::g
