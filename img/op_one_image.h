// Dispatch helpers of the one-image operations: the worker for the format, run on the destination again.
#pragma once

#include "img/image.h"
#include "img/op.h"
#include "img/pixel.h"

namespace talvo::g {

template <template <class> class Implementation, class X>
void applyToDestination(const X& op, PelFmtId id) {
    withPixelFormat(id, 0, [&]<PelFmtId D>() {
        Implementation<Pixel<D>> worker(op);
        op.dst->apply(worker);
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
