// The rgbx5551- and rgba5551-source families. Where bit 15 plays no part the two sources (and
// rgb565 for raw-word copies) share one loop per slot.
#include "sprite/blit/BlitBlocks.h"

using namespace blit;

namespace {

constexpr BlitBlock rawWords = block<SrcRgb565, DstRgb565>;
constexpr BlitBlock xOnto565 = block<SrcRgbx5551, DstRgb565>;
constexpr BlitBlock xOntoX = sharing(block<SrcRgbx5551, DstRgbx5551>, rawWords, {1, 7, 9});

}  // namespace

constinit const BlitRow blitFromRgbx5551 = {block<SrcRgbx5551, DstRgb888>, block<SrcRgbx5551, DstX8888>, xOnto565,
                                            xOntoX, block<SrcRgbx5551, DstRgba5551>};
constinit const BlitRow blitFromRgba5551 = {
    block<SrcRgba5551, DstRgb888>, block<SrcRgba5551, DstX8888>,
    sharing(block<SrcRgba5551, DstRgb565>, xOnto565, {1, 3, 7, 9, 11, 15}), block<SrcRgba5551, DstRgbx5551>,
    sharing(sharing(block<SrcRgba5551, DstRgba5551>, rawWords, {1, 7, 9}), xOntoX, {3, 11, 15})};
