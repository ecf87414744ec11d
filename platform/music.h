// MIDI music through command strings, as the framework and the menu send them.
#pragma once

#include <string_view>

namespace plat {

enum class MusicResult {
    Ok,
    UnknownCommand,  // the first word is no command
    BadCommand,      // missing, unknown or repeated words after it
    AliasInUse,      // open names an alias that is open already
    UnknownAlias,    // play or close names no open alias
    FileNotFound,    // the file cannot be opened for reading
    NotMidi,         // the file is no Standard MIDI File
    NoDevice,        // no audio output to play on
    Failed,          // the player refused the file
};

// Runs one command:
//   open "<file>" type sequencer alias <name>   (file unquoted only when it has no space)
//   play <name> [from <ms>] [notify] [repeat]   (without from: go on from where it is)
//   close <name>
// Words are case-insensitive; `repeat` loops the piece until close. `notify` is accepted and
// changes nothing (no completion message is sent).
[[nodiscard]] MusicResult sendMusicCommand(std::string_view command);

// The last command's result, and why it failed in words for a log line ("" after a success):
// for a file that cannot be played, what is wrong with it.
[[nodiscard]] MusicResult lastMusicResult();
[[nodiscard]] std::string lastMusicError();

// What the synthesiser has to say (a soundfont it cannot use and why, its own messages) goes to
// the hook; without one, to the standard error stream. Levels: 1 error, 2 warning, 3 information.
// The hook may be called on the audio thread.
using MusicLogHook = void (*)(int level, const char* text);
void setMusicLogHook(MusicLogHook hook);

} // namespace plat
