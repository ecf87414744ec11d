// The palette record of 8-bit displays; on the game's 16-bit display it stays empty.
#pragma once

#include <cstdint>
#include <vector>

struct PaletteEntry {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t flags = 0;
};

class DisplayPalette {
public:
    DisplayPalette() = default;
    virtual ~DisplayPalette() = default;

    // The entry nearest to the colour (sum of channel distances; the first of equals
    // wins, an exact match at once); 0 when there are no entries.
    [[nodiscard]] int nearestIndex(int red, int green, int blue) const;

    bool hasDevicePalette = false;      // nothing in the system creates one
    std::vector<PaletteEntry> entries;  // 256 entries, or empty
    std::vector<uint16_t> blendOffsets; // the 8-bit blits' tables, when someone builds them
    std::vector<uint8_t> blendBytes;
};
