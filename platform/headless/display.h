// Test controls of the headless display: surface depth, captured frames, the present
// hook, frame files, fault injection, and a reset between tests.
#pragma once

#include "platform/display.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace plat::headless {

// One presented frame: a copy of the primary surface as it was shown.
struct PresentedFrame {
    uint64_t number = 0; // 1 for the first present since the last reset
    uint32_t tick = 0;   // virtual clock right after the present
    PixelFormat format;
    int width = 0;
    int height = 0;
    int32_t pitch = 0;
    std::vector<uint8_t> pixels;

    // Pixel value at (x, y) in the frame's format; 0 outside the frame.
    [[nodiscard]] uint32_t pixel(int x, int y) const;
};

// Called after every present (after the frame is captured and the clock advanced), before
// the script runs; the hook may post input, close the window or change faults.
void setPresentHook(std::function<void(const PresentedFrame&)> hook);
[[nodiscard]] uint64_t presentCount();
// The last presented frame, or null before the first present.
[[nodiscard]] const PresentedFrame* lastFrame();

// The format of the display and its surfaces, overriding the depth asked for by
// setDisplayMode (8, 16 at 5-6-5 or 5-5-5, 24 or 32 bits). Takes effect at the next mode set.
void setDisplayFormat(const PixelFormat& format);

// Writes a frame as a 24-bit bottom-up BMP file; false when the file cannot be written.
[[nodiscard]] bool writeFrameBmp(const std::string& path, const PresentedFrame& frame);

enum class Operation {
    EnumerateDrivers, // the failure gives an empty driver list
    CreateDevice,
    SetCooperativeLevel,
    SetDisplayMode,
    CreateSurface,
    Lock,
    Unlock,
    GetDC,
    ReleaseDC,
    Fill,
    Blt,
    Flip,
    Present,
    Restore,
    RestoreAll,
    SetColorKey,
};

// The next `times` calls of the operation fail with `result` and do nothing else.
void failNext(Operation op, HResult result, int times = 1);
// Marks a surface (or every surface) lost until it is restored.
void loseSurface(SurfaceHandle surface);
void loseAllSurfaces();

// Forgets the window, queued messages, frames, hook, faults, format, script, message
// boxes, clock, queued input, sound buffers and music aliases,
// so each test starts as a fresh process would. Surfaces still alive are left alone.
void reset();

} // namespace plat::headless
