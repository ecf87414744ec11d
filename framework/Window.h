// The game's one top-level window: a record of mouse and key events and a pump that
// takes at most one message per call.
#pragma once

#include "platform/window.h"

#include <cstdint>

// Window style of a borderless popup; the layer always opens one.
inline constexpr uint32_t WindowStylePopup = 0x80000000u;

class Window {
public:
    using Callback = void (*)(uint32_t message, uintptr_t wParam, intptr_t lParam);

    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Opens and shows the window; false when it cannot (plat::lastWindowError() says why).
    bool create(const char* title, void* instance, Callback callback, uint32_t style, int x, int y, int width,
                int height);
    // Resets the per-frame fields and handles at most one message; false once the window is gone.
    bool pumpMessage();
    void handleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
    static void windowProc(void* context, const plat::Message& message);

    uint8_t keyDown[256];
    uint8_t charPending = 0;
    uint8_t charCode = 0;
    int32_t leftClickX = 0;
    int32_t leftClickY = 0;
    int32_t rightClickX = 0;
    int32_t rightClickY = 0;
    int32_t lastKeyDown = -1;
    int32_t lastKeyUp = -1;
    int32_t mouseX = 0;
    int32_t mouseY = 0;
    uint8_t leftHeld = 0;
    uint8_t rightHeld = 0;
    uint8_t leftPressed = 0;
    uint8_t rightPressed = 0;
    uint8_t active = 0;
    char* className = nullptr;
    void* instance = nullptr;
    plat::WindowId handle = 0;
    Callback callback = nullptr;
};
