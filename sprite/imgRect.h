// The sprite library's rectangle.
#pragma once

#include <cstdint>

struct imgRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};
