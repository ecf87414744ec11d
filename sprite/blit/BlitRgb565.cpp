// The rgb565-source family: one block per destination group, every cell an instantiation of the
// loop template; its raw-word copies also serve the plain same-format 5551 copies.
#include <utility>

#include "sprite/blit/BlitLoop.h"
#include "sprite/blit/BlitSelect.h"

namespace {

using namespace blit;

template <class S, class D, int Slot>
constexpr BlitFn* cellOf()
{
    if constexpr (blitKeptApart(S::group, D::group, Slot))
        return blitNothing;
    else
        return &blitLoop<S, D, Slot>;
}

template <class S, class D, int... Slot>
constexpr BlitBlock blockOf(std::integer_sequence<int, Slot...>)
{
    return {cellOf<S, D, Slot>()...};
}

template <class S, class D>
constexpr BlitBlock block = blockOf<S, D>(std::make_integer_sequence<int, blitSlotCount>{});

// Plain stretch copy, copy and depth copy of a 16-bit word into its own format, bit 15 included.
constexpr BlitBlock rawWordCopies()
{
    BlitBlock b{};
    b.fill(blitNothing);
    b[1] = &blitLoop<SrcRgb565, DstRgb565, 1>;
    b[7] = &blitLoop<SrcRgb565, DstRgb565, 7>;
    b[9] = &blitLoop<SrcRgb565, DstRgb565, 9>;
    return b;
}

constexpr BlitBlock none = [] {
    BlitBlock b{};
    b.fill(blitNothing);
    return b;
}();

}  // namespace

// By destination group: rgb888, 32-bit, rgb565, rgbx5551, rgba5551.
constinit const BlitRow blitFromRgb565 = {block<SrcRgb565, DstRgb888>, block<SrcRgb565, DstX8888>,
                                          block<SrcRgb565, DstRgb565>, block<SrcRgb565, DstRgbx5551>,
                                          block<SrcRgb565, DstRgba5551>};
constinit const BlitRow blitFromRgbx5551 = {none, none, none, rawWordCopies(), none};
constinit const BlitRow blitFromRgba5551 = {none, none, none, none, rawWordCopies()};
