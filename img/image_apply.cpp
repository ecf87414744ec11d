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
        case fmtId::rgb888: return op.applyRgb888();
        case fmtId::rgbx8888: return op.applyRgbx8888();
        case fmtId::rgba8888: return op.applyRgba8888();
        case fmtId::rgb565: return op.applyRgb565();
        case fmtId::rgbx5551: return op.applyRgbx5551();
        case fmtId::rgba5551: return op.applyRgba5551();
        case fmtId::rgbx4444: return op.applyRgbx4444();
        case fmtId::rgba4444: return op.applyRgba4444();
        case fmtId::other8: return op.applyOther8();
        case fmtId::other16: return op.applyOther16();
        case fmtId::other32: return op.applyOther32();
        default: return;  // no entry
    }
}

}  // namespace talvo::g
