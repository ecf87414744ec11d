// The first dispatch's step: the worker for the destination's format, run on the image of the second.
#pragma once

#include "img/image.h"
#include "img/op.h"
#include "img/pixel.h"

namespace talvo::g {

// Builds Implementation<Pixel<id>> from the operation and applies it to `target`: the source for
// two-image operations, the destination again for one-image ones.
template <template <class> class Implementation, class X>
void applyWorker(const X& op, PelFmtId id, Image& target) {
    withPixelFormat(id, 0, [&]<PelFmtId D>() {
        Implementation<Pixel<D>> worker(op);
        target.apply(worker);
        return 0;
    });
}

// Calls f.template operator()<Bytes>() with the pixel size of a format of 1 to 8.
template <class F>
void withPixelBytes(PelFmtId id, F&& f) {
    switch (pelBytes(id)) {
        case 2: f.template operator()<2>(); break;
        case 3: f.template operator()<3>(); break;
        case 4: f.template operator()<4>(); break;
        default: break;
    }
}

}  // namespace talvo::g
