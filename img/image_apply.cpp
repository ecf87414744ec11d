// Image::apply: the rectangle an operation runs on and the format dispatch.
#include "img/clip.h"
#include "img/image.h"

namespace talvo::g {

void Image::apply(Op& op) {
    struct Restore {
        Op& op;
        const Rect* saved;
        ~Restore() { op.rect = saved; }
    } restore{op, op.rect};
    Rect area;
    if (op.readsSource()) {
        if (static_cast<BOp&>(op).src == nullptr) return;  // nothing to draw from
        // The row walk cuts destination and source together; only the point is settled here.
        if (op.rect == nullptr) {
            area = {0, 0, width_, height_};
            op.rect = &area;
        }
    } else {
        area = settleArea(*this, op.rect);
        if (area.empty()) return;
        op.rect = &area;
    }
    if (format_.palette() != nullptr) return op.applyIndexed();
    switch (format_.id()) {
        case 1: return op.applyRgb888();
        case 2: return op.applyRgbx8888();
        case 3: return op.applyRgba8888();
        case 4: return op.applyRgb565();
        case 5: return op.applyRgbx5551();
        case 6: return op.applyRgba5551();
        case 7: return op.applyRgbx4444();
        case 8: return op.applyRgba4444();
        case 9: return op.applyOther8();
        case 10: return op.applyOther16();
        case 11: return op.applyOther32();
        default: return;  // no entry
    }
}

}  // namespace talvo::g
