// Music commands: one interpreter per backend, over the backend's device.
#include "platform/music.h"

#include "platform/audio_backend.h"
#include "platform/platform.h"

namespace plat {

MusicResult sendMusicCommand(std::string_view command)
{
    return chosenBackend<MusicInterpreter, makeSdlMusicInterpreter, makeHeadlessMusicInterpreter>().run(command);
}

} // namespace plat
