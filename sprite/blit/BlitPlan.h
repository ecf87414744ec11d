// Planning a draw before anything is locked: the loop, its key, alpha and steps, and the clipped rectangles.
#pragma once

#include "sprite/DrawParams.h"
#include "sprite/drawKey.h"
#include "sprite/blit/BlitJob.h"
#include "sprite/imgRect.h"

class imgCTy;

// Filled by blitPlan (the rectangles and views only when it returns true).
struct BlitPlan {
    BlitFn* loop;
    DrawKey key;      // what the loop does
    imgRect srcRect;  // where the source (unscaled), alpha map and depth images are locked
    imgRect dstRect;  // where the destination is locked
    BlitJob job;      // the views empty, to be locked
};

// Fills plan and returns true when a loop serves the request and the clipped rectangle is not
// empty. Routes: index onto index image (both with a palette or neither) copies; a kind-9 source
// with a palette onto a destination without one is palettized (its table must already be built
// for the destination's kind); everything else goes by the kinds' groups. Clipping keeps every pixel that a loop reads or writes inside
// its image: the destination at the offset, the source (every stretch sample, counted in 64
// bits; samples left of 0 are dropped) and the alpha map and depth images at the source
// rectangle. Refuses what a loop cannot take: mode 3 without a kind-9 alpha map, a depth slot
// without two kind-10 depth images, a stretch scale that is not finite and positive or whose
// step passes INT32_MAX. The opacity is clamped to 0..256.
[[nodiscard]] bool blitPlan(const imgCTy& src, const imgCTy& dst, int x, int y, const imgRect& rect,
                            const DrawParams& params, BlitPlan& plan);
