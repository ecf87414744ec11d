// Music commands: one interpreter per backend, the headless one logging what it was sent.
#include "platform/music.h"

#include "platform/audio_backend.h"
#include "platform/platform.h"

namespace plat {

MusicResult sendMusicCommand(std::string_view command)
{
    if (backendKind() == BackendKind::Headless) {
        const MusicResult result = headlessMusicInterpreter().run(command);
        recordHeadlessMusicCommand(command, result);
        return result;
    }
    return sdlMusicInterpreter().run(command);
}

} // namespace plat
