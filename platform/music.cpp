// Music commands: one interpreter per backend, over the backend's device.
#include "platform/music.h"

#include "platform/audio_backend.h"
#include "platform/platform.h"

#include <atomic>
#include <cstdio>

namespace plat {
namespace {
constinit MusicResult lastResult = MusicResult::Ok;
constinit std::atomic<MusicLogHook> logHook{nullptr};

MusicInterpreter& interpreter()
{
    return chosenBackend<MusicInterpreter, makeSdlMusicInterpreter, makeHeadlessMusicInterpreter>();
}
} // namespace

MusicResult sendMusicCommand(std::string_view command)
{
    lastResult = interpreter().run(command);
    return lastResult;
}

MusicResult lastMusicResult() { return lastResult; }

std::string lastMusicError() { return interpreter().lastError(); }

void setMusicLogHook(MusicLogHook hook) { logHook = hook; }

void logMusic(int level, const char* text)
{
    if (const MusicLogHook hook = logHook.load())
        hook(level, text);
    else
        std::fprintf(stderr, "%s\n", text);
}

} // namespace plat
