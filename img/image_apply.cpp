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
    switch (const PelFmtId id = format_.id()) {
        case 9: return op.applyOther8();
        case 10: return op.applyOther16();
        case 11: return op.applyOther32();
        default:
            if (id >= 1 && id <= 8) op.applyFormat(id);
            return;
    }
}

}  // namespace talvo::g
