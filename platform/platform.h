// Which backend the platform layer runs on: chosen once, from VELMOOR_PLATFORM.
#pragma once

namespace plat {

enum class BackendKind { Sdl, Headless };

// "headless" picks the test backend; anything else (or nothing) picks SDL.
// Read at the first call; global constructors must not call it.
[[nodiscard]] BackendKind backendKind();

// Tests and tools may force a backend before any other call into the layer.
void setBackendKind(BackendKind kind);

} // namespace plat
