// Entries shared by the one-image operations.
#include "img/op.h"

#include "talvo/exception.h"

namespace talvo::g {

void UOpStd::applyIndexed() { throwNotImplemented(); }
void UOpStd::applyOther8() { throwNotImplemented(); }
void UOpStd::applyOther16() { throwNotImplemented(); }
void UOpStd::applyOther32() { throwNotImplemented(); }

}  // namespace talvo::g
