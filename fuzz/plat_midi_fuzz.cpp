// Fuzz target: the walk over a Standard MIDI File that decides whether the synthesiser may read
// it. Whatever the bytes, it stays inside them; a file it passes still passes with bytes added
// after its last track, which no reader looks at.
#include "platform/midi_file.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy, so a read past the end is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    if (!plat::midiProblem(bytes.data(), bytes.size()).empty())
        return 0;
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0x90);
    if (!plat::midiProblem(longer.data(), longer.size()).empty())
        std::abort();
    return 0;
}
