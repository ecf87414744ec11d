// The rgb565-source family: one block per destination group, every cell an instantiation of the
// loop template (its constant-alpha, alpha-map and subtract cells onto rgb565 by the kept-apart policy).
#include "sprite/blit/BlitBlocks.h"

using namespace blit;

// By destination group: rgb888, 32-bit, rgb565, rgbx5551, rgba5551.
constinit const BlitRow blitFromRgb565 = {block<Source<Group::Rgb565>, Dest<Group::Rgb888>>, block<Source<Group::Rgb565>, Dest<Group::X8888>>,
                                          block<Source<Group::Rgb565>, Dest<Group::Rgb565>>, block<Source<Group::Rgb565>, Dest<Group::Rgbx5551>>,
                                          block<Source<Group::Rgb565>, Dest<Group::Rgba5551>>};
