// libasound's error reports dropped: SDL loads the library by its name, so the copy loaded
// here (and kept loaded) is the one SDL uses, and its process-wide handler is ours.
#include "platform/sdl/alsa_quiet.h"

#include <dlfcn.h>

namespace plat::sdl {
namespace {
// libasound's report handler: file, line, function, error number, then a printf format.
void dropReport(const char*, int, const char*, int, const char*, ...) {}
} // namespace

void silenceAlsa()
{
    static const bool done = [] {
        void* alsa = dlopen("libasound.so.2", RTLD_LAZY);
        if (!alsa)
            return false; // no ALSA, nothing to silence
        using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
        using SetHandler = int (*)(Handler);
        if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
            set(dropReport);
        return true;
    }();
    (void)done;
}

} // namespace plat::sdl
