// The menu music: a calm, loopable piece in D major, composed as note lists.
#include "tools/assetgen/Music.h"

#include <array>
#include <vector>

namespace assetgen {

namespace {

constexpr int quarter = 480;
constexpr int eighth = quarter / 2;
constexpr int bar = 4 * quarter;

// A chord as its root (bass octave) and the three tones of its triad in the middle register.
struct Chord {
    int root;
    std::array<int, 3> triad;
};
constexpr Chord D{38, {62, 66, 69}}, Bm{35, {59, 62, 66}}, G{43, {59, 62, 67}}, A{45, {57, 61, 64}},
    Em{40, {59, 64, 67}}, Fsm{42, {57, 61, 66}};

// 32 bars: A, A' (turning to F#m), B on the subdominant, A'' closing on A so the loop falls back onto D.
const std::array<Chord, 32> progression = {D, Bm, G, A, D, Bm, Em, A,  D, Bm, G, A,  Fsm, Bm, Em, A,
                                           G, D,  Em, Bm, G, D, Em, A, D, Bm, G, A, D,   G,  A,  A};

// The tune, bar by bar: (key, length in eighths); key 0 is a rest.
using Bar = std::vector<std::pair<int, int>>;
const std::array<Bar, 32> melody = {{
    {{69, 4}, {66, 2}, {69, 2}}, {{71, 3}, {69, 1}, {66, 4}}, {{67, 2}, {71, 2}, {74, 3}, {71, 1}}, {{69, 6}, {0, 2}},
    {{66, 2}, {69, 2}, {74, 4}}, {{73, 2}, {74, 1}, {73, 1}, {71, 4}}, {{67, 2}, {71, 2}, {76, 2}, {74, 2}},
    {{73, 4}, {69, 2}, {0, 2}},
    {{74, 3}, {76, 1}, {78, 4}}, {{74, 2}, {71, 2}, {66, 4}}, {{71, 2}, {74, 2}, {79, 3}, {78, 1}}, {{76, 6}, {0, 2}},
    {{73, 2}, {69, 2}, {66, 2}, {69, 2}}, {{74, 3}, {73, 1}, {71, 4}}, {{67, 2}, {71, 2}, {76, 3}, {74, 1}},
    {{73, 2}, {71, 2}, {69, 4}},
    {{71, 4}, {74, 4}}, {{69, 6}, {66, 2}}, {{67, 4}, {71, 2}, {69, 2}}, {{66, 8}},
    {{67, 2}, {71, 2}, {74, 2}, {79, 2}}, {{78, 4}, {76, 2}, {74, 2}}, {{76, 3}, {74, 1}, {71, 2}, {67, 2}},
    {{69, 4}, {73, 4}},
    {{69, 4}, {66, 2}, {69, 2}}, {{71, 3}, {69, 1}, {66, 4}}, {{67, 2}, {71, 2}, {74, 3}, {71, 1}}, {{69, 6}, {0, 2}},
    {{78, 3}, {76, 1}, {74, 4}}, {{71, 2}, {74, 2}, {71, 2}, {67, 2}}, {{69, 4}, {71, 2}, {73, 2}}, {{73, 4}, {0, 4}},
}};

// Gentle phrase shaping: louder toward the middle of each four-bar phrase.
int phraseVelocity(int barIndex, int base) {
    static constexpr int lift[4] = {0, 6, 8, 2};
    return base + lift[barIndex % 4];
}

} // namespace

Song composeMusic() {
    Song song;
    song.division = quarter;
    song.microsPerQuarter = 60'000'000 / 76; // 76 beats per minute
    song.endTick = static_cast<int>(progression.size()) * bar;

    // Loud enough to sit within a few dB of the sound effects in the game's mix; the balance
    // between the voices is set by the ratios of these channel volumes.
    MidiTrack flute{"Flute", 0, 73, 127, 72, 50, {}};
    MidiTrack harp{"Harp", 1, 46, 112, 52, 60, {}};
    MidiTrack strings{"Strings", 2, 49, 90, 64, 70, {}};
    MidiTrack bass{"Bass", 3, 32, 115, 60, 30, {}};

    for (int b = 0; b < static_cast<int>(progression.size()); ++b) {
        const Chord& c = progression[static_cast<std::size_t>(b)];
        const int start = b * bar;
        const bool lastBar = b + 1 == static_cast<int>(progression.size());

        int at = start;
        for (const auto& [key, eighths] : melody[static_cast<std::size_t>(b)]) {
            const int length = eighths * eighth;
            if (key != 0) flute.notes.push_back({at, length - 20, key, phraseVelocity(b, 84)});
            at += length;
        }

        // Harp: rising and falling through the chord in eighths, each note left to ring a little.
        const std::array<int, 8> pattern = {c.root + 12, c.triad[0], c.triad[1], c.triad[2],
                                            c.triad[0] + 12, c.triad[2], c.triad[1], c.triad[0]};
        for (int i = 0; i < 8; ++i) {
            if (lastBar && i >= 6) break; // a breath before the loop starts again
            harp.notes.push_back({start + i * eighth, 2 * eighth, pattern[static_cast<std::size_t>(i)],
                                  (i % 4 == 0 ? 70 : 58) + (i == 0 ? 7 : 0)});
        }

        for (int key : c.triad) strings.notes.push_back({start, bar - 30, key - 12, 53});

        bass.notes.push_back({start, 2 * quarter - 40, c.root, 77});
        bass.notes.push_back({start + 2 * quarter, 2 * quarter - 40, c.root + 7, 67});
    }
    song.tracks = {flute, harp, strings, bass};
    return song;
}

} // namespace assetgen
