// The game's font: a free TrueType font copied as Alpine.ttf, with its licence beside it.
#pragma once

#include <string>

namespace assetgen {

inline constexpr const char* fontFileName = "Alpine.ttf";
inline constexpr const char* fontLicenceName = "Alpine-LICENSE.txt";

// Path of the font copied as Alpine.ttf.
[[nodiscard]] std::string alpineSource();

// The font as the authors screen names it.
[[nodiscard]] std::string fontCreditLine();

// Copies the font and writes its licence into `runDir`.
void writeFontFiles(const std::string& runDir);

} // namespace assetgen
