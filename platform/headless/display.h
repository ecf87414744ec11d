// Test controls of the headless display: surface depth, captured frames, the present
// hook, frame files, fault injection, and a reset between tests.
#pragma once

#include "platform/display.h"
#include "platform/display_backend.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace plat::headless {

// The bytes of a presented frame: the memory the primary showed them from, kept as it was
// (the primary draws into other memory afterwards), or a copy of given bytes.
class FrameBytes {
public:
    FrameBytes() = default;
    explicit FrameBytes(std::vector<uint8_t> bytes);
    FrameBytes(std::shared_ptr<const uint8_t> memory, std::size_t size) : memory_(std::move(memory)), size_(size) {}

    [[nodiscard]] const uint8_t* data() const { return memory_.get(); }
    [[nodiscard]] std::size_t size() const { return size_; }
    [[nodiscard]] bool empty() const { return size_ == 0; }
    [[nodiscard]] const uint8_t* begin() const { return data(); }
    [[nodiscard]] const uint8_t* end() const { return data() + size_; }
    [[nodiscard]] uint8_t operator[](std::size_t i) const { return memory_.get()[i]; }

private:
    std::shared_ptr<const uint8_t> memory_;
    std::size_t size_ = 0;
};

// One presented frame: the primary surface as it was shown.
struct PresentedFrame {
    uint64_t number = 0; // 1 for the first present since the last reset
    uint32_t tick = 0;   // virtual clock right after the present
    PixelFormat format;
    int width = 0;
    int height = 0;
    int32_t pitch = 0;
    FrameBytes pixels;

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

// Full-frame copies (a copy of a whole display-mode-sized area, opaque or keyed, including
// any copy a present makes) since the last reset: the work a frame costs beyond its drawing.
[[nodiscard]] uint64_t fullFrameCopies();

// Writes a frame as a 24-bit bottom-up BMP file; false when the file cannot be written, with
// the reason in why (when given).
[[nodiscard]] bool writeFrameBmp(const std::string& path, const PresentedFrame& frame, std::string* why = nullptr);

// The operations faults are injected into: the ones the display lets its backend refuse.
using Operation = DisplayOp;

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
