// Planning a draw before anything is locked: the dispatchers' loop and key, then alpha, steps and the clipped rectangles.
#pragma once

#include "sprite/drawParams.h"
#include "sprite/drawKey.h"
#include "sprite/blit/blitJob.h"
#include "sprite/imgRect.h"

class imgCTy;

// Filled by a dispatcher (the loop, its key, the job's key and table) and by blitPlan (the
// rest, the rectangles and views only when it returns true).
struct BlitPlan {
    BlitFn* loop;
    DrawKey key;      // what the loop does
    imgRect srcRect;  // where the source (unscaled), alpha map and depth images are locked
    imgRect dstRect;  // where the destination is locked
    BlitJob job;      // the views empty, to be locked
};

// The general dispatcher, for a source and destination that both have a palette or neither: an
// index image onto an index image is copied byte for byte in any mode; every other pair takes
// its cell by the kinds' groups and the request's slot, a keyed slot the key in the source's
// form. False when no loop serves the request.
[[nodiscard]] bool draw_dispatch(const imgCTy& src, const imgCTy& dst, const DrawParams& params, BlitPlan& plan);

// The palettized dispatcher, for an index image with a palette onto a destination without one:
// has the palette's table built in the destination's kind, then takes the palettized cell; a
// keyed slot compares the key colour in the table's form. False when no loop serves the request
// or the table could not be built.
[[nodiscard]] bool draw_dispatch_pal(imgCTy& src, const imgCTy& dst, const DrawParams& params, BlitPlan& plan);

// Completes a dispatched plan and returns true when the clipped rectangle is not empty. Clipping
// keeps every pixel that a loop reads or writes inside its image: the destination at the offset,
// the source (every stretch sample, counted in 64 bits; samples left of 0 are dropped) and the
// alpha map and depth images at the source rectangle. Refuses what a loop cannot take: mode 3
// without an index alpha map, a depth test without two depth images, a stretch scale that is not
// finite and positive or whose step passes INT32_MAX. The opacity is clamped to 0..256.
[[nodiscard]] bool blitPlan(const imgCTy& src, const imgCTy& dst, int x, int y, const imgRect& rect,
                            const DrawParams& params, BlitPlan& plan);
