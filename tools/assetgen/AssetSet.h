// The complete data set: every file the game opens, rendered in memory and written to a run directory.
#pragma once

#include <string>
#include <vector>

#include "tools/assetgen/Picture.h"

namespace assetgen {

struct PictureAsset {
    std::string path; // relative to the run directory, exact case
    Picture picture;
    bool keyed;       // drawn with the black colour key
};

// Every picture of the game, in a fixed order.
[[nodiscard]] std::vector<PictureAsset> renderPictures();

// Paths of the sounds and the music, relative to the run directory.
inline constexpr const char* clickPath = "Data/Sounds/Click.wav";
inline constexpr const char* chimePath = "Data/Sounds/Imp1.wav";
inline constexpr const char* musicPath = "Data/Sounds/music.mid";

// Writes pictures, sounds, music, the font and its licence below `runDir`, creating folders.
void generateAll(const std::string& runDir);

} // namespace assetgen
