// The window: its record of input events, kept by the messages the layer dispatches.
#include "framework/Window.h"

#include <cstdlib>
#include <cstring>

Window::Window() { std::memset(keyDown, 0, sizeof keyDown); }

Window::~Window()
{
    // A window that outlives its object would dispatch into freed memory.
    if (plat::isWindow(handle))
        plat::destroyWindow(handle);
    std::free(className);
}

bool Window::create(const char* title, void* inst, Callback cb, uint32_t, int x, int y, int width, int height)
{
    if (!title)
        title = "";
    const std::size_t size = std::strlen(title) + 1;
    char* copy = static_cast<char*>(std::realloc(className, size));
    if (!copy)
        return false;
    std::memcpy(copy, title, size);
    className = copy;
    instance = inst;

    plat::WindowDesc desc;
    desc.title = className;
    desc.x = x;
    desc.y = y;
    desc.width = width;
    desc.height = height;
    desc.proc = &Window::windowProc;
    desc.context = this;
    const plat::WindowId id = plat::createWindow(desc);
    if (id == 0)
        return false;
    handle = id;
    active = 1;
    callback = cb;
    return true;
}

bool Window::pumpMessage()
{
    lastKeyDown = -1;
    lastKeyUp = -1;
    leftPressed = 0;
    rightPressed = 0;
    charPending = 0;
    if (handle == 0 || !plat::isWindow(handle))
        return false;
    plat::dispatchOneMessage(handle);
    return true;
}

void Window::windowProc(void* context, const plat::Message& m)
{
    auto* window = static_cast<Window*>(context);
    if (!window)
        return;
    window->handleMessage(m.message, m.wParam, m.lParam);
    if (window->callback)
        window->callback(m.message, m.wParam, m.lParam);
}

void Window::handleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    switch (message) {
    case plat::msg::Activate:
        active = (wParam & 0xFFFF) != 0 ? 1 : 0;
        break;
    case plat::msg::Destroy:
        active = 0;
        handle = 0;
        break;
    case plat::msg::MouseMove:
        mouseX = static_cast<int32_t>(static_cast<uintptr_t>(lParam) & 0xFFFF);
        mouseY = static_cast<int32_t>((static_cast<uintptr_t>(lParam) >> 16) & 0xFFFF);
        break;
    case plat::msg::LButtonDown:
        leftHeld = 1;
        leftPressed = 1;
        leftClickX = mouseX;
        leftClickY = mouseY;
        break;
    case plat::msg::LButtonUp:
        leftHeld = 0;
        break;
    case plat::msg::RButtonDown:
        rightHeld = 1;
        rightPressed = 1;
        rightClickX = mouseX;
        rightClickY = mouseY;
        break;
    case plat::msg::RButtonUp:
        rightHeld = 0;
        break;
    case plat::msg::KeyDown:
        // The code indexes a 256-entry table; anything larger is not a key.
        if (wParam < 256) {
            keyDown[wParam] = 1;
            lastKeyDown = static_cast<int32_t>(wParam);
        }
        break;
    case plat::msg::KeyUp:
        if (wParam < 256) {
            keyDown[wParam] = 0;
            lastKeyUp = static_cast<int32_t>(wParam);
        }
        break;
    case plat::msg::Char:
        charPending = 1;
        charCode = static_cast<uint8_t>(wParam & 0xFF);
        break;
    default:
        break;
    }
}
