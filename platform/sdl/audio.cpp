// The SDL audio device (44.1 kHz, 16-bit stereo) shared by sound and music, playing one mixer.
#include "platform/audio_backend.h"
#include "platform/sdl/alsa_quiet.h"
#include "platform/sdl/mixer.h"

#include <SDL.h>

namespace plat {
namespace {

struct AudioOutput {
    SDL_AudioDeviceID id = 0;
    int users = 0;
    sdl::Mixer mixer;
};

AudioOutput& output()
{
    // Never destroyed: the audio thread may still be closing when static destructors run.
    static auto* audio = new AudioOutput;
    return *audio;
}

void SDLCALL fillStream(void* user, Uint8* stream, int length)
{
    auto* mixer = static_cast<sdl::Mixer*>(user);
    mixer->mix(reinterpret_cast<int16_t*>(stream), static_cast<size_t>(length) / 4);
}

// Opens the device for one more user; false when there is no usable audio output.
bool acquireAudio()
{
    AudioOutput& audio = output();
    if (audio.users > 0) {
        ++audio.users;
        return true;
    }
    sdl::silenceAlsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(deviceFramesPerSecond);
    want.format = AUDIO_S16SYS;
    want.channels = deviceChannels;
    want.samples = 1024;
    want.callback = fillStream;
    want.userdata = &audio.mixer;
    SDL_AudioSpec have{};
    audio.id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (audio.id == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_PauseAudioDevice(audio.id, 0);
    audio.users = 1;
    return true;
}

void releaseAudio()
{
    AudioOutput& audio = output();
    if (audio.users == 0 || --audio.users > 0)
        return;
    SDL_CloseAudioDevice(audio.id);
    audio.id = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void lockAudio()
{
    if (output().id)
        SDL_LockAudioDevice(output().id);
}

void unlockAudio()
{
    if (output().id)
        SDL_UnlockAudioDevice(output().id);
}

class SdlSound final : public SoundBackend {
public:
    bool openDevice() override { return acquireAudio(); }
    void closeDevice() override { releaseAudio(); }
    void lock() override { lockAudio(); }
    void unlock() override { unlockAudio(); }
    VoiceTable& voices() override { return output().mixer.voices(); }
    void catchUp() override {}
};

// Wraps the mixer's synth with the device: an open alias holds the device open.
class SdlMusic final : public MusicDevice {
public:
    MusicResult open(const std::string& alias, const std::string& file) override
    {
        if (!acquireAudio())
            return MusicResult::NoDevice;
        sdl::MidiSynth& music = output().mixer.music();
        if (!music.hasSynth()) {
            auto synth = std::make_unique<sdl::Synth>(); // loads the soundfont outside the lock
            lockAudio();
            music.adoptSynth(std::move(synth));
            unlockAudio();
        }
        lockAudio();
        const MusicResult result = music.open(alias, file);
        unlockAudio();
        if (result != MusicResult::Ok)
            releaseAudio();
        return result;
    }

    MusicResult play(const std::string& alias, std::optional<uint32_t> fromMs, bool repeat) override
    {
        lockAudio();
        const MusicResult result = output().mixer.music().play(alias, fromMs, repeat);
        unlockAudio();
        return result;
    }

    void close(const std::string& alias) override
    {
        lockAudio();
        output().mixer.music().close(alias);
        unlockAudio();
        releaseAudio();
    }
};

} // namespace

SoundBackend& sdlSoundBackend()
{
    static auto* backend = new SdlSound;
    return *backend;
}

MusicInterpreter& sdlMusicInterpreter()
{
    static auto* device = new SdlMusic;
    static auto* interpreter = new MusicInterpreter(*device);
    return *interpreter;
}

} // namespace plat
