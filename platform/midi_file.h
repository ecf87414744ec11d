// The walk over a Standard MIDI File that decides, before any synthesiser reads it, whether it
// can be played: header, every track's chunk and every event inside it lie within the file.
#pragma once

#include "platform/music.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace plat {

// "" for a file the synthesiser can play through; else why not, in words for a log line
// ("the file is empty", "track 2 of 3 claims 4294967295 bytes where 12 remain", ...).
[[nodiscard]] std::string midiProblem(const uint8_t* bytes, std::size_t size);

// Reads the file (a regular file of at most 64 MiB, opened without blocking) and walks it.
// Ok, or FileNotFound (the file cannot be opened or read) or NotMidi, with why in `why`.
[[nodiscard]] MusicResult checkMidiFile(const std::string& path, std::string& why);

} // namespace plat
