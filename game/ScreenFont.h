// The one line of text of the menu and the boards: face, size and colour.
#pragma once

#include <cstdint>

class Font;

// Builds the face "Alpine" at height 30 from "Alpine.ttf" in the working directory (the folder of
// the chosen Data/), or beside the executable when the working directory has none. The font
// file is registered only while the glyphs are made; a missing file leaves the font empty.
void buildScreenFont(Font& font);

// Gold (255, 203, 0) as a pixel of the display's format.
[[nodiscard]] uint32_t screenTextColour();

// Where the score line goes.
inline constexpr int ScreenTextX = 620;
inline constexpr int ScreenTextY = 30;
