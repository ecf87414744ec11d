// The music command interpreter both backends share: parsing, alias table, device calls.
#pragma once

#include "platform/music.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// What a backend does for the interpreter once a command is valid.
struct MusicDevice {
    virtual ~MusicDevice() = default;
    // Prepares `file` (readable, starts like a MIDI file) under the new `alias`.
    [[nodiscard]] virtual MusicResult open(const std::string& alias, const std::string& file) = 0;
    // Starts or continues the alias: from the given millisecond when set, looping when `repeat`.
    [[nodiscard]] virtual MusicResult play(const std::string& alias, std::optional<uint32_t> fromMs,
                                           bool repeat) = 0;
    // Stops and forgets the alias; the interpreter drops it whatever happens.
    virtual void close(const std::string& alias) = 0;
    // Told of every command run and its result (the headless device logs them).
    virtual void record(std::string_view /*command*/, MusicResult) {}
};

struct MusicAlias {
    std::string name;
    std::string file;
    bool playing = false;
    bool repeat = false;
    bool notify = false;
};

class MusicInterpreter {
public:
    explicit MusicInterpreter(MusicDevice& device) : device_(device) {}

    // Runs one command and tells the device of it and its result.
    [[nodiscard]] MusicResult run(std::string_view command);
    // Why the last command failed, in words ("" after one that succeeded).
    [[nodiscard]] const std::string& lastError() const { return lastError_; }
    [[nodiscard]] const std::vector<MusicAlias>& aliases() const { return aliases_; }
    // Closes every alias (the device hears of each).
    void closeAll();

private:
    [[nodiscard]] MusicResult interpret(std::string_view command);
    MusicAlias* findAlias(std::string_view name);

    MusicDevice& device_;
    std::vector<MusicAlias> aliases_;
    std::string lastError_;
};

// Splits a command into words; a word in double quotes may hold spaces. Empty on an
// unterminated quote.
[[nodiscard]] std::optional<std::vector<std::string>> splitMusicCommand(std::string_view command);

} // namespace plat
