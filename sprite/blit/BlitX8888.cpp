// The 32-bit-source family (rgbx8888 and rgba8888 alike); onto 32-bit its blend cells follow the
// kept-apart policy.
#include "sprite/blit/BlitBlocks.h"

using namespace blit;

constinit const BlitRow blitFromX8888 = {block<SrcX8888, DstRgb888>, block<SrcX8888, DstX8888>,
                                         block<SrcX8888, DstRgb565>, block<SrcX8888, DstRgbx5551>,
                                         block<SrcX8888, DstRgba5551>};
