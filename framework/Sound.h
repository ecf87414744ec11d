// A wave sound: one RIFF WAVE file played on several voices, so it can overlap itself.
#pragma once

#include "framework/WaveFile.h"
#include "platform/sound.h"

#include <cstdint>
#include <cstdio>
#include <vector>

class SoundDevice;

class Sound {
public:
    // More voices than any device gives; asking for them fails like a refused duplicate.
    static constexpr int maxVoices = 1024;

    Sound() = default;
    virtual ~Sound();
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;

    // Loads the file with `voices` voices (1 when below 1) -> 0, 12 (open; also no regular file
    // within MaxDataFileBytes, lastDataFileStatus says why), 13 (memory),
    // 18 (not a WAVE), 19 (buffer), 23 (fill), 51 (no device). lastDataFileDamage says what is
    // wrong with a file that gives 18 or 19, or gives 0 with its samples cut short.
    [[nodiscard]] int load(SoundDevice* device, const char* path, int voices);
    // The same from an open file of `size` bytes, read from its current position.
    [[nodiscard]] int loadFromFile(SoundDevice* device, std::FILE* file, int voices, uint64_t size);
    // The same from a file image in memory; a loaded sound is released first.
    [[nodiscard]] int loadFromMemory(SoundDevice* device, const void* bytes, int voices, uint64_t size);

    // Plays once on the first free voice at `volume` (hundredths of a dB, 0 = full) -> 0, 20
    // (every voice busy), 21, 22, 51. With `voiceOut` the voice is reserved for the caller
    // until stopAll and its number stored there (-1 on failure).
    [[nodiscard]] int play(int32_t volume, int* voiceOut);
    // Stops and rewinds every voice and frees the reserved ones -> 0, or 51 without a device.
    int stopAll();
    // Stops and frees every voice and the file copy.
    void release();

    [[nodiscard]] int voiceCount() const { return static_cast<int>(voices_.size()); }
    // The platform buffer of a voice, 0 when it has none (a failed load).
    [[nodiscard]] plat::SoundBuffer voiceBuffer(int voice) const;

private:
    struct Voice {
        plat::SoundBuffer buffer = 0;
        bool reserved = false;
    };

    [[nodiscard]] bool hasOutput() const;
    [[nodiscard]] int findFreeVoice();
    [[nodiscard]] bool fillVoice(const Voice& voice);
    [[nodiscard]] int createVoices();

    std::vector<Voice> voices_;
    std::vector<uint8_t> fileCopy;
    WaveChunks chunks_;
    SoundDevice* device_ = nullptr;
};
