// Test controls of the headless music: the command log and the open aliases.
#pragma once

#include "platform/music.h"
#include "platform/music_interpreter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plat::headless {

struct MusicLogEntry {
    uint32_t tick = 0;       // virtual clock when the command was sent
    std::string command;     // exactly as sent
    MusicResult result = MusicResult::Ok;
};

// Every command since the last reset, in order.
[[nodiscard]] const std::vector<MusicLogEntry>& musicLog();
// The aliases open now, in the order they were opened.
[[nodiscard]] const std::vector<MusicAlias>& musicAliases();

// Closes every alias and clears the log.
void resetMusic();

} // namespace plat::headless
