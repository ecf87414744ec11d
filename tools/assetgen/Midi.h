// Standard MIDI File writer (format 1) over plain note lists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

struct MidiNote {
    int tick;
    int duration;
    int key;
    int velocity;
};

struct MidiTrack {
    std::string name;
    int channel = 0;
    int program = 0; // General MIDI, 0-based
    int volume = 100;
    int pan = 64;
    int reverb = 40;
    std::vector<MidiNote> notes;
};

struct Song {
    int division = 480;          // ticks per quarter note
    int microsPerQuarter = 500000;
    int endTick = 0;             // every track ends here, so the piece loops on the bar line
    std::vector<MidiTrack> tracks;
};

// Track 0 carries tempo, metre and key; every MidiTrack becomes one track after it.
[[nodiscard]] std::vector<std::uint8_t> encodeSmf(const Song& song);

} // namespace assetgen
