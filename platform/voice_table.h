// Voice bookkeeping shared by both sound backends: buffers, duplicates, positions, mixing.
#pragma once

#include "platform/sound.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace plat {

struct Voice {
    // Interleaved stereo device frames, shared by a buffer and its duplicates.
    std::shared_ptr<std::vector<int16_t>> samples;
    PcmFormat format;           // what fills are written in
    uint32_t bytes = 0;         // the size the buffer was created with, in source bytes
    SoundBuffer duplicateOf = 0;
    size_t position = 0;        // next device frame to play
    int32_t volume = 0;
    int32_t gain = 65536;       // 16.16, from volume
    bool playing = false;
    bool lost = false;
};

// Not thread-safe: the SDL backend holds the audio device lock around every call.
class VoiceTable {
public:
    [[nodiscard]] SoundResult create(const PcmFormat& format, uint32_t bytes, SoundBuffer& buffer);
    [[nodiscard]] SoundResult fill(SoundBuffer buffer, const void* bytes, uint32_t size);
    [[nodiscard]] SoundResult duplicate(SoundBuffer original, SoundBuffer& copy);
    [[nodiscard]] SoundResult setVolume(SoundBuffer buffer, int32_t volume);
    [[nodiscard]] SoundResult play(SoundBuffer buffer);
    [[nodiscard]] SoundResult stop(SoundBuffer buffer);
    [[nodiscard]] SoundResult rewind(SoundBuffer buffer);
    [[nodiscard]] SoundResult status(SoundBuffer buffer, SoundStatus& status) const;
    [[nodiscard]] SoundResult restore(SoundBuffer buffer);
    void release(SoundBuffer buffer);
    void clear();

    // Moves every playing voice on by `frames` device frames; with an accumulator
    // (2 * frames int32 values) their samples times gain are added into it first.
    void advance(size_t frames, int32_t* accumulator);

    // Marks every buffer lost and drops its samples, as when another program takes the device.
    void loseAll();

    [[nodiscard]] const Voice* find(SoundBuffer buffer) const;
    [[nodiscard]] size_t size() const { return voices_.size(); }

private:
    Voice* lookup(SoundBuffer buffer);

    std::unordered_map<SoundBuffer, Voice> voices_;
    SoundBuffer next_ = 1;
};

// Writes 2 * frames accumulated values as 16-bit output, saturating at the limits.
void saturateInto(const int32_t* accumulator, int16_t* out, size_t frames);

} // namespace plat
