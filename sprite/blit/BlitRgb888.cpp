// The rgb888-source family: five complete blocks of the loop template.
#include "sprite/blit/BlitBlocks.h"

using namespace blit;

constinit const BlitRow blitFromRgb888 = {block<SrcRgb888, DstRgb888>, block<SrcRgb888, DstX8888>,
                                          block<SrcRgb888, DstRgb565>, block<SrcRgb888, DstRgbx5551>,
                                          block<SrcRgb888, DstRgba5551>};
