// Rows walked in blocks of 16 pixels with a fixed count, so a body over local arrays becomes
// vector code; the last, shorter block runs the same body with its own count.
#pragma once

#include <cstddef>
#include <type_traits>

namespace plat {

inline constexpr int PixelBlock = 16;

// Calls body(first, count) per block; count is a compile-time 16 for every full block.
template <class Body>
inline void forPixelBlocks(int n, Body&& body)
{
    int i = 0;
    for (; i + PixelBlock <= n; i += PixelBlock)
        body(i, std::integral_constant<int, PixelBlock>{});
    if (i < n)
        body(i, n - i);
}

} // namespace plat
