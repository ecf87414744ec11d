// The RIFF WAVE chunk walk: where the "fmt " and "data" bodies of a file in memory lie.
#pragma once

#include <cstddef>
#include <cstdint>

struct WaveChunks {
    bool hasFormat = false;
    size_t formatOffset = 0;  // the "fmt " body
    size_t formatSize = 0;
    bool hasData = false;
    size_t dataOffset = 0;    // the "data" body
    size_t dataSize = 0;      // as much of the chunk as the file holds
    bool dataCut = false;     // the file ends inside the "data" body
    bool cut = false;         // the file ends before the RIFF size or a chunk the walk reached
};

// Walks the chunks from offset 12 to 8 + the RIFF size (at most the file's end). False when
// the bytes are no RIFF WAVE or a "fmt " body is under 14 bytes; a missing chunk is not an
// error here. Every body it reports lies inside the bytes: offset + size <= size of the file.
[[nodiscard]] bool parseWave(const uint8_t* bytes, size_t size, WaveChunks& chunks);
