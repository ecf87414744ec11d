// MIDI through libfluidsynth: one synth, one player per open alias, rendered on demand.
#pragma once

#include "platform/music_interpreter.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_player_t fluid_player_t;

namespace plat::sdl {

// The soundfont: VELMOOR_SOUNDFONT, else Debian's General MIDI font.
[[nodiscard]] std::string soundfontPath();

// A synth with its settings; without a usable soundfont it has no font and renders silence.
class Synth {
public:
    Synth();
    ~Synth();
    Synth(const Synth&) = delete;
    Synth& operator=(const Synth&) = delete;

    [[nodiscard]] fluid_synth_t* handle() const { return synth_; }
    [[nodiscard]] bool hasFont() const { return hasFont_; }

private:
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    bool hasFont_ = false;
};

// Not thread-safe: the SDL backend calls it under the audio device lock.
class MidiSynth final : public MusicDevice {
public:
    MidiSynth() = default;
    ~MidiSynth() override;

    // Takes a synth made elsewhere (loading a soundfont is slow, so it is made outside the lock).
    void adoptSynth(std::unique_ptr<Synth> synth);
    [[nodiscard]] bool hasSynth() const { return synth_ != nullptr; }

    MusicResult open(const std::string& alias, const std::string& file) override;
    MusicResult play(const std::string& alias, std::optional<uint32_t> fromMs, bool repeat) override;
    void close(const std::string& alias) override;

    // Adds `frames` stereo frames of music into the accumulator; scratch holds 2 * frames.
    void renderInto(int32_t* accumulator, float* scratch, size_t frames);

private:
    struct Piece {
        std::string file;
        fluid_player_t* player = nullptr;
        bool repeat = false;
        bool progressed = false; // the current pass got past its first tick
    };
    [[nodiscard]] MusicResult startPiece(Piece& piece, bool silence);
    void stopPiece(Piece& piece, bool silence = true);
    void repeatFinishedPieces();

    std::unique_ptr<Synth> synth_;
    std::map<std::string, Piece> pieces_;
};

} // namespace plat::sdl
