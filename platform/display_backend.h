// The display area's backend interface: the device-specific part of the display
// (opening it, the mode, showing a frame); surface memory is shared in display.cpp.
#pragma once

#include "platform/display.h"

#include <string>

namespace plat {

// What a present hands the backend: the primary surface's pixels.
struct FrameView {
    const uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    int width = 0;
    int height = 0;
    PixelFormat format;
};

struct DisplayBackend {
    virtual ~DisplayBackend() = default;
    // True when a display can be opened at all (a driver to list).
    virtual bool available() = 0;
    // Opens the device; false with the reason in `error`.
    virtual bool open(std::string& error) = 0;
    // Prepares the screen for the mode; false with the reason when the mode is not offered.
    // On success `format` is the pixel format every surface takes.
    virtual bool setMode(WindowId window, int width, int height, int bitsPerPixel, PixelFormat& format,
                         std::string& error) = 0;
    // Shows one frame; false with the reason when it cannot.
    virtual bool present(const FrameView& frame, std::string& error) = 0;
    // Closes the device; a later open starts afresh.
    virtual void close() = 0;
};

[[nodiscard]] DisplayBackend& displayBackend();
[[nodiscard]] DisplayBackend* makeSdlDisplayBackend();
[[nodiscard]] DisplayBackend* makeHeadlessDisplayBackend();

// The size of the display mode last set on an open device; false when none is.
// Once a mode is set the screen has that size, as a mode change would have made it.
[[nodiscard]] bool currentDisplayMode(int& width, int& height);

// Fault injection shared by every backend (only the headless controls arm it):
// true when the next call of `op` must fail, with the result to give.
[[nodiscard]] bool takeInjectedFault(int op, HResult& result);

} // namespace plat
