// The screens' font and text colour.
#include "game/ScreenFont.h"

#include "framework/DataFile.h"
#include "framework/Font.h"
#include "game/GameLog.h"
#include "game/Globals.h"
#include "platform/glyphs.h"

namespace {
constexpr const char* fontPath = "Alpine.ttf";
}

void buildScreenFont(Font& font)
{
    // The rasteriser would wait forever on a pipe and read a device without end: check first.
    const DataFileStatus status = checkDataFile(fontPath, MaxDataFileBytes);
    const bool added = status.ok() && plat::addFontFile(fontPath);
    if (!added)
        warnNotLoaded(fontPath, status.ok() ? "not a font the rasteriser reads" : status.reason());
    (void)font.create("Alpine", 0, 30);
    if (added)
        plat::removeFontFile(fontPath);
}

uint32_t screenTextColour()
{
    return display.pixelFormat ? display.pixelFormat->pixelFromRgb(255, 203, 0) : 0;
}
