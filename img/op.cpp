// Entries shared by the one-image operations.
#include "img/op.h"

#include "talvo/exception.h"

namespace talvo::g {

void UOp::applyIndexed() { throwNotImplemented(); }
void UOp::applyOther8() { throwNotImplemented(); }
void UOp::applyOther16() { throwNotImplemented(); }
void UOp::applyOther32() { throwNotImplemented(); }

}  // namespace talvo::g
