// Background music: one MIDI file played through the platform's music command strings.
#pragma once

#include "platform/window.h"

#include <string>

class Music {
public:
    Music() = default;
    ~Music();
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;

    // Remembers the file -> 0, or 12 when it cannot be opened or is no regular file within
    // MaxDataFileBytes (then nothing can play; lastDataFileStatus says why), 13 without memory.
    [[nodiscard]] int setFile(const char* path);
    // Opens the file under the alias MUSIC and plays it once from its start -> 0, 44 (open
    // failed, also while already open or for lack of memory) or 45 (no file, or play failed).
    [[nodiscard]] int play();
    // Closes MUSIC -> 0, or 43 (no file, or the close failed, as when nothing is open).
    int stop();
    // Stops and forgets the file.
    void release();

    // Window told of the end of the piece; the game leaves it 0 and nothing uses it.
    plat::WindowId notifyWindow = 0;

private:
    bool fileSet = false;
    std::string fileName;
};
