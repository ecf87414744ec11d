// The rgb888-source family: five complete blocks of the loop template.
#include "sprite/blit/BlitBlocks.h"

using namespace blit;

constinit const BlitRow blitFromRgb888 = {block<Source<Group::Rgb888>, Dest<Group::Rgb888>>, block<Source<Group::Rgb888>, Dest<Group::X8888>>,
                                          block<Source<Group::Rgb888>, Dest<Group::Rgb565>>, block<Source<Group::Rgb888>, Dest<Group::Rgbx5551>>,
                                          block<Source<Group::Rgb888>, Dest<Group::Rgba5551>>};
