// Copy and alpha draw onto 8-bit destinations: the indices unchanged; the others' entries in op_copy_<fmt>.cpp.
#include "img/op.h"
#include "img/row_walk.h"

namespace talvo::g {

namespace {

// Both 8-bit: the indices unchanged, whatever either palette holds; the key compares the low byte.
void copyIndices(const BOp& op) {
    if (op.src->format().id() != fmtId::other8) return;
    if (op.src->hasColorKey()) {
        sameBytesRowsKeyed<1>(op, 0xFF);
    } else {
        sameBytesRows<1>(op);
    }
}

}  // namespace

void OpAssignStd::applyIndexed() { copyIndices(*this); }
void OpAssignStd::applyOther8() { copyIndices(*this); }
void OpDrawStd::applyIndexed() { copyIndices(*this); }
void OpDrawStd::applyOther8() { copyIndices(*this); }

}  // namespace talvo::g
