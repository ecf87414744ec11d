// Windows BMP writer: 24 bits per pixel, uncompressed, bottom-up, 40-byte information header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/Picture.h"

namespace assetgen {

[[nodiscard]] std::vector<std::uint8_t> encodeBmp(const Picture& picture);

} // namespace assetgen
