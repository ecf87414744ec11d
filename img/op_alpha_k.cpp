// Constant-alpha blend: the 72 pairs of its rule table, paletted sources through their converted entries.
#include "img/op.h"
#include "talvo/exception.h"

namespace talvo::g {

// Destinations without a pixel struct have no pair in the table; each other destination format's entry
// is in img/op_alpha_k_<fmt>.cpp.
void BOpAlphaK::applyIndexed() { throwNotImplemented(); }
void BOpAlphaK::applyOther8() { throwNotImplemented(); }
void BOpAlphaK::applyOther16() { throwNotImplemented(); }
void BOpAlphaK::applyOther32() { throwNotImplemented(); }

}  // namespace talvo::g
