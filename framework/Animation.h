// A picture cut into equal frames, drawn one frame at a time with the keyed blit.
#pragma once

#include "framework/Rect.h"

#include <cstdint>
#include <vector>

class Surface;

struct AnimationFrame {
    Surface* surface = nullptr; // not owned
    Rect rect;
};

class Animation {
public:
    Animation() = default;
    virtual ~Animation() = default;

    void addFrame(Surface* surface, int left, int top, int right, int bottom);
    // Appends rows x columns frames, row by row from the top, left to right.
    void setup(Surface* surface, int x0, int y0, int frameWidth, int frameHeight, int columns, int rows);
    // Blits the frame onto dest at (x, y): the blit's result, or an error (and nothing
    // drawn) for a frame number outside the strip.
    int32_t drawFrame(Surface* dest, int x, int y, int frame) const;

    [[nodiscard]] int32_t frameCount() const { return static_cast<int32_t>(frames.size()); }

    std::vector<AnimationFrame> frames;
};
