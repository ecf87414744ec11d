// The selection table's cells, each pointing at its loop by name, and the loops' names.
#include "sprite/blit/blitSelect.h"

namespace {

// The blocks list their cells in the slot layout.
#define BLIT_KEY(OP, S, D, SUF) drawKeyNamed(#OP #SUF),
static_assert(std::array<DrawKey, drawSlotCount>{BLIT_BLOCK(s, d, BLIT_KEY, BLIT_KEY, BLIT_KEY, BLIT_KEY, BLIT_KEY, BLIT_KEY, BLIT_KEY)} ==
              drawSlots);
#undef BLIT_KEY

}  // namespace

#define BLIT_OWN(OP, S, D, SUF) &blit_##OP##_##S##_to_##D##SUF,
#define BLIT_SERVED(OP, S, D, SUF) &blit_##OP##_##S##_to_##D##SUF,
#define BLIT_CELLS(S, D, ...) BlitBlock{BLIT_BLOCK(S, D, __VA_ARGS__)},

constinit const std::array<BlitRow, blit::groupCount + 1> blitTable = {
    BlitRow{BLIT_FROM_RGB888(BLIT_CELLS)},   BlitRow{BLIT_FROM_RGBX8888(BLIT_CELLS)}, BlitRow{BLIT_FROM_RGB565(BLIT_CELLS)},
    BlitRow{BLIT_FROM_RGBX5551(BLIT_CELLS)}, BlitRow{BLIT_FROM_RGBA5551(BLIT_CELLS)}, BlitRow{BLIT_FROM_PAL8(BLIT_CELLS)},
};

#undef BLIT_OWN
#undef BLIT_SERVED
#undef BLIT_CELLS

std::string blitLoopName(int srcGroup, int dstGroup, int slot)
{
    if (srcGroup < 0 || srcGroup > blitPal8Group || dstGroup < 0 || dstGroup > blitPal8Group || slot < 0 || slot >= drawSlotCount)
        return "nothing";
    const DrawKey key = drawSlots[static_cast<std::size_t>(slot)];
    std::string name = key.stretch ? "blit_stretch_" : "blit_";
    name += drawOpWords[static_cast<int>(key.op)];
    name += "_";
    name += pelGroupOf(static_cast<PelGroup>(srcGroup)).word;
    name += "_to_";
    name += pelGroupOf(static_cast<PelGroup>(dstGroup)).word;
    if (key.keyed) name += "_key";
    if (key.depth) name += "_depth";
    return name;
}
