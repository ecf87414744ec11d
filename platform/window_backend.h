// The window area's backend interface, implemented by sdl/window.cpp and headless/window.cpp.
#pragma once

#include "platform/window.h"

#include <optional>
#include <string>

namespace plat {

struct WindowBackend {
    virtual ~WindowBackend() = default;
    // Opens the native window; false with the reason in `error` when it cannot.
    virtual bool open(const WindowDesc& desc, std::string& error) = 0;
    // Gathers native events and returns the next pending message, if any.
    virtual std::optional<Message> take() = 0;
    // Returns once a message is pending or ms milliseconds have passed.
    virtual void wait(uint32_t ms) = 0;
    // Closes the native window; pending messages are dropped by the next open.
    virtual void close() = 0;
    virtual int screenWidth() = 0;
    virtual int screenHeight() = 0;
};

[[nodiscard]] WindowBackend& windowBackend();
// Drops the window without telling its procedure (the headless reset between tests).
void forgetWindow();
// The title of the last window opened (the program's name in messages; before any window, the
// executable's name), never null.
[[nodiscard]] const char* windowTitle();
[[nodiscard]] WindowBackend* makeSdlWindowBackend();
[[nodiscard]] WindowBackend* makeHeadlessWindowBackend();

} // namespace plat
