// The rgbx5551- and rgba5551-source families. Where bit 15 plays no part the two sources (and
// rgb565 for raw-word copies) share one loop per slot.
#include "sprite/blit/BlitBlocks.h"

using namespace blit;

namespace {

constexpr BlitBlock rawWords = block<Source<Group::Rgb565>, Dest<Group::Rgb565>>;
constexpr BlitBlock xOnto565 = block<Source<Group::Rgbx5551>, Dest<Group::Rgb565>>;
constexpr BlitBlock xOntoX = sharing(block<Source<Group::Rgbx5551>, Dest<Group::Rgbx5551>>, rawWords, {1, 7, 9});

}  // namespace

constinit const BlitRow blitFromRgbx5551 = {block<Source<Group::Rgbx5551>, Dest<Group::Rgb888>>, block<Source<Group::Rgbx5551>, Dest<Group::X8888>>, xOnto565,
                                            xOntoX, block<Source<Group::Rgbx5551>, Dest<Group::Rgba5551>>};
constinit const BlitRow blitFromRgba5551 = {
    block<Source<Group::Rgba5551>, Dest<Group::Rgb888>>, block<Source<Group::Rgba5551>, Dest<Group::X8888>>,
    sharing(block<Source<Group::Rgba5551>, Dest<Group::Rgb565>>, xOnto565, {1, 3, 7, 9, 11, 15}), block<Source<Group::Rgba5551>, Dest<Group::Rgbx5551>>,
    sharing(sharing(block<Source<Group::Rgba5551>, Dest<Group::Rgba5551>>, rawWords, {1, 7, 9}), xOntoX, {3, 11, 15})};
