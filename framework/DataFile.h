// Reading the game's data files safely: never blocks, takes regular files only, stops at a bound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// No picture, sound, music or font of a screen-sized game comes near this.
inline constexpr uint64_t MaxDataFileBytes = uint64_t{64} << 20;

struct DataFileStatus {
    int error = 0;           // errno of a failed open, stat or read
    bool notRegular = false; // a device, pipe, socket or folder
    bool tooLarge = false;   // over the caller's bound
    bool outOfMemory = false; // no memory for the contents
    [[nodiscard]] bool ok() const { return error == 0 && !notRegular && !tooLarge && !outOfMemory; }
    [[nodiscard]] bool missing() const;
    // Why the file was refused, for a log line ("" when ok).
    [[nodiscard]] std::string reason() const;
};

// Opens without blocking (a named pipe never waits for a writer) and checks the file is regular
// and at most maxBytes long.
[[nodiscard]] DataFileStatus checkDataFile(const char* path, uint64_t maxBytes);
// As checkDataFile, then reads the whole file into bytes (cleared on failure), never more than
// maxBytes even when the file grows meanwhile. Memory that runs out is a failure (outOfMemory), not
// an exception.
[[nodiscard]] DataFileStatus readDataFile(const char* path, uint64_t maxBytes, std::vector<uint8_t>& bytes);
// The status of the last check or read on this thread: the reason behind a loader's FileOpen.
[[nodiscard]] const DataFileStatus& lastDataFileStatus();

// What was wrong with the contents of the last picture or sound a loader took on this thread, in
// words ("" for a file that loaded whole): the reason behind a failed load, or the damage of one
// that succeeded with only what the file holds.
[[nodiscard]] const std::string& lastDataFileDamage();
// For the loaders: the text above, cleared with "" when a load starts.
void setDataFileDamage(std::string reason);
