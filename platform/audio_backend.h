// The audio backend interface: what the SDL and headless backends do for sound and music.
#pragma once

#include "platform/music_interpreter.h"
#include "platform/sound.h"
#include "platform/voice_table.h"

namespace plat {

struct SoundBackend {
    virtual ~SoundBackend() = default;

    // Opens the output device; false when there is none. Called only while no opening is held.
    [[nodiscard]] virtual bool openDevice() = 0;
    // Closes the device after its last buffer was released.
    virtual void closeDevice() = 0;
    // Keeps the mixer off the voice table between lock and unlock.
    virtual void lock() = 0;
    virtual void unlock() = 0;
    // The voice table the device plays; call only between lock and unlock.
    [[nodiscard]] virtual VoiceTable& voices() = 0;
    // Brings the voice table up to the present before an operation looks at it (under lock).
    virtual void catchUp() = 0;
    // A chance to refuse an operation before it runs (headless fault injection); Ok lets it run.
    [[nodiscard]] virtual SoundResult intercept(SoundOp) { return SoundResult::Ok; }
    // Told of every operation after it ran (under lock): the buffer it concerned, what that
    // buffer duplicates, its volume, and the result.
    virtual void record(SoundOp, SoundBuffer, SoundBuffer /*duplicateOf*/, int32_t /*volume*/,
                        SoundResult) {}
};

// The backends' makers, called once per kind by the sound and music areas (chosenBackend).
[[nodiscard]] SoundBackend* makeSdlSoundBackend();
[[nodiscard]] SoundBackend* makeHeadlessSoundBackend();
[[nodiscard]] MusicInterpreter* makeSdlMusicInterpreter();
[[nodiscard]] MusicInterpreter* makeHeadlessMusicInterpreter();

// A line for the music log hook (setMusicLogHook), or for stderr without one.
void logMusic(int level, const char* text);

// Closes every opening of the sound device at once (headless reset between tests).
void closeEverySoundDevice();

} // namespace plat
