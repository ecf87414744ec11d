// Sprite-strip animation.
#include "framework/Animation.h"

#include "framework/Surface.h"

void Animation::addFrame(Surface* surface, int left, int top, int right, int bottom)
{
    frames.push_back(AnimationFrame{surface, Rect{left, top, right, bottom}});
}

void Animation::setup(Surface* surface, int x0, int y0, int frameWidth, int frameHeight, int columns, int rows)
{
    if (rows < 1 || columns < 1)
        return;
    // 64-bit products: absurd sizes wrap instead of being undefined; blits refuse them.
    const auto at = [](int origin, int index, int size) {
        return static_cast<int>(static_cast<int32_t>(int64_t{origin} + int64_t{index} * size));
    };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            addFrame(surface, at(x0, c, frameWidth), at(y0, r, frameHeight), at(x0, c + 1, frameWidth),
                     at(y0, r + 1, frameHeight));
}

int32_t Animation::drawFrame(Surface* dest, int x, int y, int frame) const
{
    if (frame < 0 || frame >= frameCount() || !frames[static_cast<std::size_t>(frame)].surface)
        return plat::result::InvalidParams;
    const AnimationFrame& f = frames[static_cast<std::size_t>(frame)];
    Rect r = f.rect; // clipping changes the copy, never the stored frame
    return f.surface->blit(dest, x, y, r);
}
