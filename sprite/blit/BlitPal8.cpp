// The palettized-source family: the pixel is the entry of the palette's table, converted to the
// destination's format; rgbx5551 and rgba5551 share one block, the 16-bit plain copies one loop.
#include "sprite/blit/BlitBlocks.h"

using namespace blit;

namespace {

constexpr BlitBlock onto565 = block<Pal8Source<Group::Rgb565>, Dest<Group::Rgb565>>;
constexpr BlitBlock onto5551 = block<Pal8Source<Group::Rgbx5551>, Dest<Group::Rgbx5551>>;

}  // namespace

constinit const BlitRow blitFromPal8 = {block<Pal8Source<Group::Rgb888>, Dest<Group::Rgb888>>, block<Pal8Source<Group::X8888>, Dest<Group::X8888>>,
                                        sharing(onto565, onto5551, {1}), sharing(onto5551, onto565, {7, 9}),
                                        sharing(onto5551, onto565, {7, 9})};
