// Blit clipping in 64-bit arithmetic, so extreme rectangles and positions cannot overflow.
#include "framework/BlitClip.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

int32_t narrow(int64_t v)
{
    return static_cast<int32_t>(
        std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// Moves the start of one axis forward by `by` (when positive) on both sides of the blit.
void advance(int64_t& src, int64_t& dst, int64_t& size, int64_t by)
{
    if (by <= 0)
        return;
    src += by;
    dst += by;
    size -= by;
}

} // namespace

ClippedBlit clipBlit(Rect& rect, int& x, int& y, const Rect* clip, int32_t srcWidth, int32_t srcHeight,
                     int32_t dstWidth, int32_t dstHeight)
{
    int64_t sx = rect.left, sy = rect.top, dx = x, dy = y;
    int64_t w = int64_t{rect.right} - rect.left;
    int64_t h = int64_t{rect.bottom} - rect.top;

    if (clip) {
        advance(sx, dx, w, clip->left - dx);
        w = std::min(w, clip->right - dx);
        advance(sy, dy, h, clip->top - dy);
        h = std::min(h, clip->bottom - dy);
    }
    // Inside the source, then inside the destination.
    advance(sx, dx, w, -sx);
    advance(sy, dy, h, -sy);
    advance(sx, dx, w, -dx);
    advance(sy, dy, h, -dy);
    w = std::min({w, srcWidth - sx, dstWidth - dx});
    h = std::min({h, srcHeight - sy, dstHeight - dy});

    rect.left = narrow(sx);
    rect.top = narrow(sy);
    x = narrow(dx);
    y = narrow(dy);
    if (w < 1 || h < 1)
        return {};
    return {static_cast<int32_t>(w), static_cast<int32_t>(h)};
}
