// The palettized-source family: the pixel is the entry of the palette's table, converted to the
// destination's format; rgbx5551 and rgba5551 share one block, the 16-bit plain copies one loop.
#include "sprite/blit/BlitBlocks.h"

using namespace blit;

namespace {

constexpr BlitBlock onto565 = block<SrcPal8<SrcRgb565>, DstRgb565>;
constexpr BlitBlock onto5551 = block<SrcPal8<SrcRgbx5551>, DstRgbx5551>;

}  // namespace

constinit const BlitRow blitFromPal8 = {block<SrcPal8<SrcRgb888>, DstRgb888>, block<SrcPal8<SrcX8888>, DstX8888>,
                                        sharing(onto565, onto5551, {1}), sharing(onto5551, onto565, {7, 9}),
                                        sharing(onto5551, onto565, {7, 9})};
