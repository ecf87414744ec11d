// Where the game draws each picture and which screen rectangles react to the mouse.
#pragma once

#include <array>

#include "tools/assetgen/Picture.h"

namespace assetgen {

enum class MenuElement { None, Play6x6, Play8x8, Play10x10, Music, Authors, Exit };

struct MenuButton {
    MenuElement element;
    const char* path;  // hover picture
    Box picture;       // where the game draws it
    Box reacts;        // where the mouse highlights it: the plaque fills exactly this
    const char* label;
};

inline const std::array<MenuButton, 6> menuButtons = {{
    {MenuElement::Play6x6, "Data/Menu/6x6.bmp", Box::at(246, 169, 122, 67), Box::inclusive(256, 184, 367, 235),
     "6x6"},
    {MenuElement::Play8x8, "Data/Menu/8x8.bmp", Box::at(249, 227, 111, 59), Box::inclusive(260, 236, 359, 285),
     "8x8"},
    {MenuElement::Play10x10, "Data/Menu/10x10.bmp", Box::at(232, 276, 145, 68),
     Box::inclusive(240, 286, 376, 343), "10x10"},
    {MenuElement::Music, "Data/Menu/music.bmp", Box::at(218, 344, 218, 59), Box::inclusive(240, 350, 435, 402),
     "Musik"},
    {MenuElement::Authors, "Data/Menu/authors.bmp", Box::at(264, 397, 229, 71),
     Box::inclusive(241, 410, 492, 467), "Autoren"},
    {MenuElement::Exit, "Data/Menu/exit.bmp", Box::at(186, 466, 343, 73), Box::inclusive(182, 474, 528, 538),
     "Beenden"},
}};

// The music state: a lamp on an arm of the music plaque, lit and ticked while the music plays.
inline constexpr Box musicTick = Box::at(472, 339, 40, 40);
inline constexpr double lampX = 492, lampY = 361, lampRadius = 16;

struct Badge {
    const char* path;
    Box picture;
    const char* title;
    int stars;
};

// Rank 0 to 3.
inline const std::array<Badge, 4> badges = {{
    {"Data/0.bmp", Box::at(119, 92, 180, 64), "Ohne Rang", 0},
    {"Data/Menu/man.bmp", Box::at(420, 97, 174, 64), "Knappe", 1},
    {"Data/Menu/profy.bmp", Box::at(414, 97, 180, 64), "Ritter", 2},
    {"Data/Menu/boss.bmp", Box::at(414, 97, 180, 64), "Meister", 3},
}};

struct BoardLayout {
    int n;
    double cellSize;
    int originX, originY, extent;
    const char* fieldPath;
    const char* endPath; // the names are swapped between 6x6 and 8x8, as the game opens them
    Box endPicture;
    Box endReacts; // the end plaque fills exactly this
};

inline const std::array<BoardLayout, 3> boards = {{
    {6, 44.3, 165, 181, 266, "Data/Field[6x6].bmp", "Data/end[8x8].bmp", Box::at(236, 497, 302, 62),
     Box::inclusive(237, 498, 537, 558)},
    {8, 44.25, 86, 83, 354, "Data/Field[8x8].bmp", "Data/end[6x6].bmp", Box::at(166, 445, 309, 73),
     Box::inclusive(167, 449, 474, 517)},
    {10, 44.2, 98, 50, 442, "Data/Field[10x10].bmp", "Data/end[10x10].bmp", Box::at(314, 500, 297, 100),
     Box::inclusive(377, 501, 610, 599)},
}};

// Where the game draws a piece picture on square (x, y): truncated, 6 pixels in from the corner.
[[nodiscard]] inline int squarePixel(double cellSize, int origin, int index) {
    return static_cast<int>(index * cellSize + origin + 6);
}

// The lost dialog; boxes are in the panel's own coordinates (the panel sits at 144, 44).
inline constexpr int lostX = 144, lostY = 44, lostSize = 512;
enum class LostElement { None, Yes, No };
inline constexpr Box yesPicture = Box::at(253 - lostX, 398 - lostY, 77, 42);
inline constexpr Box yesReacts = Box::inclusive(251 - lostX, 391 - lostY, 329 - lostX, 439 - lostY);
inline constexpr Box noPicture = Box::at(420 - lostX, 394 - lostY, 166, 50);
inline constexpr Box noReacts = Box::inclusive(411 - lostX, 401 - lostY, 585 - lostX, 443 - lostY);
// The parchment: it ends one row above the 8x8 board's end plaque, so it never covers part of it.
inline constexpr Box lostBody{60, 30, 450, 404};

// Board screens keep their title column right of the dialog and its shadow.
inline constexpr int sideColumnX0 = 612;

// The game writes its score line here, about 180 x 32 pixels.
inline constexpr Box scoreText = Box::at(620, 30, 180, 32);

} // namespace assetgen
