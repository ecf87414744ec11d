// The screens' font and text colour.
#include "game/ScreenFont.h"

#include "framework/Font.h"
#include "game/Globals.h"
#include "platform/glyphs.h"

void buildScreenFont(Font& font)
{
    const bool added = plat::addFontFile("Alpine.ttf");
    (void)font.create("Alpine", 0, 30);
    if (added)
        plat::removeFontFile("Alpine.ttf");
}

uint32_t screenTextColour()
{
    return display.pixelFormat ? display.pixelFormat->pixelFromRgb(255, 203, 0) : 0;
}
