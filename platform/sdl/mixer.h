// The SDL backend's mixer: every playing voice and the music summed into one stereo stream.
#pragma once

#include "platform/sdl/midi_synth.h"
#include "platform/voice_table.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat::sdl {

// Runs on the audio thread inside the device callback, and directly in tests and tools.
class Mixer {
public:
    Mixer();

    [[nodiscard]] VoiceTable& voices() { return voices_; }
    [[nodiscard]] MidiSynth& music() { return music_; }

    // Writes `frames` interleaved stereo 16-bit frames at 44.1 kHz: the sum of every playing
    // voice (times its gain) and the music, saturated at the 16-bit limits.
    void mix(int16_t* out, size_t frames);

private:
    static constexpr size_t chunkFrames = 1024;

    VoiceTable voices_;
    MidiSynth music_;
    std::vector<int32_t> accumulator_;
    std::vector<float> scratch_;
};

} // namespace plat::sdl
