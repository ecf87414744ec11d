// Loop selection's out-of-line part: the loops' names.
#include "sprite/blit/BlitSelect.h"


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
