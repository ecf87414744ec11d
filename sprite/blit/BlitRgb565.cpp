// The rgb565-source family: one block per destination group, every cell an instantiation of the
// loop template (its constant-alpha, alpha-map and subtract cells onto rgb565 by the kept-apart policy).
#include "sprite/blit/BlitBlocks.h"

using namespace blit;

// By destination group: rgb888, 32-bit, rgb565, rgbx5551, rgba5551.
constinit const BlitRow blitFromRgb565 = {block<SrcRgb565, DstRgb888>, block<SrcRgb565, DstX8888>,
                                          block<SrcRgb565, DstRgb565>, block<SrcRgb565, DstRgbx5551>,
                                          block<SrcRgb565, DstRgba5551>};
