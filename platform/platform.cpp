// Backend choice, shared by every area of the layer.
#include "platform/platform.h"

#include <cstdlib>
#include <cstring>
#include <optional>

namespace plat {
namespace {
std::optional<BackendKind> chosen;
}

BackendKind backendKind()
{
    if (!chosen) {
        const char* name = std::getenv("VELMOOR_PLATFORM");
        chosen = (name && std::strcmp(name, "headless") == 0) ? BackendKind::Headless : BackendKind::Sdl;
    }
    return *chosen;
}

void setBackendKind(BackendKind kind) { chosen = kind; }

} // namespace plat
