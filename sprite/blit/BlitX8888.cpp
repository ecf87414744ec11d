// The 32-bit-source family (rgbx8888 and rgba8888 alike); onto 32-bit its blend cells follow the
// kept-apart policy.
#include "sprite/blit/BlitBlocks.h"

using namespace blit;

constinit const BlitRow blitFromX8888 = {block<Source<Group::X8888>, Dest<Group::Rgb888>>, block<Source<Group::X8888>, Dest<Group::X8888>>,
                                         block<Source<Group::X8888>, Dest<Group::Rgb565>>, block<Source<Group::X8888>, Dest<Group::Rgbx5551>>,
                                         block<Source<Group::X8888>, Dest<Group::Rgba5551>>};
