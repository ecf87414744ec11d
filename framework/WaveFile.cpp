// The WAVE chunk walk, kept inside the bytes present whatever the sizes in the file claim.
#include "framework/WaveFile.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t readU32(const uint8_t* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

} // namespace

bool parseWave(const uint8_t* bytes, size_t size, WaveChunks& chunks)
{
    chunks = {};
    if (!bytes || size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0)
        return false;
    const uint64_t riffEnd = 8 + uint64_t{readU32(bytes + 4)};
    chunks.cut = riffEnd > size;
    const uint64_t end = std::min<uint64_t>(riffEnd, size);
    uint64_t at = 12;
    while (at + 8 <= end) {
        const uint8_t* id = bytes + at;
        const uint64_t length = readU32(bytes + at + 4);
        const uint64_t body = at + 8;
        const bool pastFile = body + length > size;
        chunks.cut = chunks.cut || pastFile;
        if (std::memcmp(id, "fmt ", 4) == 0 && !chunks.hasFormat) {
            if (length < 14)
                return false;
            if (pastFile)
                break;
            chunks.hasFormat = true;
            chunks.formatOffset = body;
            chunks.formatSize = length;
            if (chunks.hasData)
                return true;
        } else if (std::memcmp(id, "data", 4) == 0 && !chunks.hasData) {
            // A cut-off file keeps the samples it holds.
            chunks.hasData = true;
            chunks.dataOffset = body;
            chunks.dataSize = std::min<uint64_t>(length, size - body);
            chunks.dataCut = pastFile;
            if (chunks.hasFormat)
                return true;
        }
        if (pastFile)
            break;
        at = body + length + (length & 1);
    }
    return true;
}
