// Which backend the platform layer runs on (chosen once, from VELMOOR_PLATFORM), and the one
// getter every area reaches its backend through.
#pragma once

namespace plat {

enum class BackendKind { Sdl, Headless };

// "headless" picks the test backend; anything else (or nothing) picks SDL.
// Read at the first call; global constructors must not call it.
[[nodiscard]] BackendKind backendKind();

// Tests and tools may force a backend before any other call into the layer.
void setBackendKind(BackendKind kind);

// An area's backend for the chosen kind, made by the area's maker on first use of that kind and
// never destroyed: the framework's global objects call in after main, and a test process may
// switch kinds. Each area names its instantiation once (displayBackend(), windowBackend(), ...).
template <class Backend, Backend* (*makeSdl)(), Backend* (*makeHeadless)()>
[[nodiscard]] Backend& chosenBackend()
{
    static constinit Backend* sdl = nullptr;
    static constinit Backend* headless = nullptr;
    if (backendKind() == BackendKind::Headless)
        return *(headless ? headless : (headless = makeHeadless()));
    return *(sdl ? sdl : (sdl = makeSdl()));
}

} // namespace plat
