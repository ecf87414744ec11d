// The display area's backend interface: the device-specific part of the display
// (opening it, the mode, showing a frame); surface memory is shared in display.cpp.
#pragma once

#include "platform/display.h"

#include <memory>
#include <string>

namespace plat {

// What a present or an upload hands the backend: the primary surface's pixels. `memory` owns
// them; a backend that keeps the frame keeps that reference instead of a copy, and the
// primary's next drawing then goes to other memory (see display.cpp).
struct FrameView {
    const uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    int width = 0;
    int height = 0;
    PixelFormat format;
    std::shared_ptr<const uint8_t> memory;
    bool shown = false; // the screen holds these pixels already: show them, no upload
    // The rows an upload changed, top to top + rows; the others are on the screen already.
    int top = 0;
    int rows = 0;
};

// The display operations a backend may refuse before they run (see DisplayBackend::intercept).
enum class DisplayOp {
    EnumerateDrivers, // a refusal gives an empty driver list
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

struct DisplayBackend {
    virtual ~DisplayBackend() = default;
    // True when the operation must fail before it runs, with the result to give (the headless
    // backend's fault injection); by default every operation runs.
    virtual bool intercept(DisplayOp, HResult&) { return false; }
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
    // True when the screen keeps frames of its own (an SDL texture): a whole frame copied to
    // the primary then goes up as the rows that differ from what the primary held, and a
    // present with nothing new shows nothing.
    virtual bool uploadsDirectly() { return false; }
    // Puts the frame's changed rows on the screen without showing them yet; false with the
    // reason.
    virtual bool upload(const FrameView&, std::string& error)
    {
        error = "the screen takes no frames directly";
        return false;
    }
    // Closes the device; a later open starts afresh.
    virtual void close() = 0;
};

[[nodiscard]] DisplayBackend& displayBackend();
[[nodiscard]] DisplayBackend* makeSdlDisplayBackend();
[[nodiscard]] DisplayBackend* makeHeadlessDisplayBackend();

// The size of the display mode last set on an open device; false when none is.
// Once a mode is set the screen has that size, as a mode change would have made it.
[[nodiscard]] bool currentDisplayMode(int& width, int& height);

// Copies of a whole display-mode-sized area, counted where they happen (read and reset by the
// headless controls).
void countFullFrameCopy();
[[nodiscard]] uint64_t& fullFrameCopyCounter();

// Marks a surface (or every surface) lost until it is restored, as a screen that lost its
// memory would (the headless controls call these).
void markSurfaceLost(SurfaceHandle surface);
void markAllSurfacesLost();

} // namespace plat
