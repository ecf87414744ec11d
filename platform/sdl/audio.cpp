// The SDL audio device (44.1 kHz, 16-bit stereo) shared by sound and music, playing one mixer.
#include "platform/sdl/audio.h"

#include "platform/audio_backend.h"
#include "platform/sdl/alsa_quiet.h"
#include "platform/sdl/mixer.h"

#include <SDL.h>

#include <optional>
#include <string>

namespace plat {
namespace {

struct AudioOutput {
    SDL_AudioDeviceID id = 0;
    int users = 0;
    sdl::Mixer mixer;
    // The driver choice (SDL_AUDIODRIVER, empty when unset) under which opening failed: a
    // retry under the same choice costs up to 100 ms and does not find a device that was
    // missing moments ago, so sounds and music do not try again; the next start does.
    std::optional<std::string> failedUnder;
    // After a failed open the subsystem stays up: shutting it down waits up to 100 ms for
    // SDL's device-watching thread, right in the game's start-up.
    bool heldAfterFailure = false;
};

std::string driverChoice()
{
    const char* asked = SDL_getenv("SDL_AUDIODRIVER");
    return asked ? asked : "";
}

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

// Opens the device for its first user; false when there is no usable audio output.
bool openAudio()
{
    AudioOutput& audio = output();
    if (audio.failedUnder == driverChoice())
        return false;
    if (audio.heldAfterFailure) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audio.heldAfterFailure = false;
    }
    sdl::silenceAlsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        audio.failedUnder = driverChoice();
        return false;
    }
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
        audio.heldAfterFailure = true;
        audio.failedUnder = driverChoice();
        return false;
    }
    audio.failedUnder.reset();
    SDL_PauseAudioDevice(audio.id, 0);
    audio.users = 1;
    return true;
}

// The opening started early, while the display started: its thread, and whether its user
// reference still waits for the first real user.
// An SDL thread, so SDL frees what it keeps per thread when it ends.
struct EarlyOpening {
    SDL_Thread* thread = nullptr;
    bool held = false;
};

EarlyOpening& early()
{
    static auto* e = new EarlyOpening;
    return *e;
}

void finishEarlyOpening()
{
    if (early().thread)
        SDL_WaitThread(early().thread, nullptr);
    early().thread = nullptr;
}

// Opens the device for one more user; false when there is no usable audio output.
bool acquireAudio()
{
    finishEarlyOpening();
    AudioOutput& audio = output();
    if (early().held) {
        early().held = false; // the first user takes over the early opening's reference
        if (audio.users > 0)
            return true;
    }
    if (audio.users > 0) {
        ++audio.users;
        return true;
    }
    return openAudio();
}

void releaseAudio()
{
    finishEarlyOpening();
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

// The device's lock for a scope: an allocation that fails inside must not leave the audio thread
// waiting on it for good.
struct AudioLock {
    AudioLock() { lockAudio(); }
    AudioLock(const AudioLock&) = delete;
    AudioLock& operator=(const AudioLock&) = delete;
    ~AudioLock() { unlockAudio(); }
};

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
        // The reference goes back unless the piece opened, also when a step below runs out of memory.
        struct Reference {
            bool kept = false;
            Reference() = default;
            Reference(const Reference&) = delete;
            Reference& operator=(const Reference&) = delete;
            ~Reference()
            {
                if (!kept)
                    releaseAudio();
            }
        } reference;
        sdl::MidiSynth& music = output().mixer.music();
        if (!music.hasSynth()) {
            auto synth = std::make_unique<sdl::Synth>(); // loads the soundfont outside the lock
            const AudioLock locked;
            music.adoptSynth(std::move(synth));
        }
        MusicResult result;
        {
            const AudioLock locked;
            result = music.open(alias, file);
        }
        reference.kept = result == MusicResult::Ok;
        return result;
    }

    MusicResult play(const std::string& alias, std::optional<uint32_t> fromMs, bool repeat) override
    {
        const AudioLock locked;
        return output().mixer.music().play(alias, fromMs, repeat);
    }

    void close(const std::string& alias) override
    {
        {
            const AudioLock locked;
            output().mixer.music().close(alias);
        }
        releaseAudio();
    }
};

} // namespace

namespace sdl {
void startAudioEarly()
{
    if (early().thread || early().held || output().users > 0)
        return;
    early().thread = SDL_CreateThread(
        [](void*) { return openAudio() ? 1 : 0; }, "audio-open", nullptr);
    early().held = early().thread != nullptr; // without a thread the first user opens it
}

void finishAudioStart() { finishEarlyOpening(); }

void dropEarlyAudio()
{
    finishEarlyOpening();
    if (!early().held)
        return;
    early().held = false;
    if (output().users > 0)
        releaseAudio();
}
} // namespace sdl

SoundBackend* makeSdlSoundBackend() { return new SdlSound; }

// Made once by the music area; the interpreter and its device live until the process ends.
MusicInterpreter* makeSdlMusicInterpreter() { return new MusicInterpreter(*new SdlMusic); }

} // namespace plat
