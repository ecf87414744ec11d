// Screens composed as the game shows them, written as PNG files for a person to look at.
#pragma once

#include <string>

namespace assetgen {

void writePreviews(const std::string& dir);

} // namespace assetgen
