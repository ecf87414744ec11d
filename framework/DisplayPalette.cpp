// Nearest-colour search in the display palette.
#include "framework/DisplayPalette.h"

#include <cstdlib>

int DisplayPalette::nearestIndex(int red, int green, int blue) const
{
    int best = 768;
    int bestIndex = 0;
    const int count = entries.size() < 256 ? static_cast<int>(entries.size()) : 256;
    for (int i = 0; i < count; ++i) {
        const PaletteEntry& e = entries[static_cast<std::size_t>(i)];
        const int d = std::abs(red - e.red) + std::abs(green - e.green) + std::abs(blue - e.blue);
        if (d == 0)
            return i;
        if (d < best) {
            best = d;
            bestIndex = i;
        }
    }
    return bestIndex;
}
