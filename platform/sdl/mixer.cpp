// Mixing in fixed chunks so the audio thread never allocates.
#include "platform/sdl/mixer.h"

#include <algorithm>

namespace plat::sdl {

Mixer::Mixer() : accumulator_(chunkFrames * 2), scratch_(chunkFrames * 2) {}

void Mixer::mix(int16_t* out, size_t frames)
{
    while (frames > 0) {
        const size_t count = std::min(frames, chunkFrames);
        std::fill(accumulator_.begin(), accumulator_.begin() + count * 2, 0);
        voices_.advance(count, accumulator_.data());
        music_.renderInto(accumulator_.data(), scratch_.data(), count);
        saturateInto(accumulator_.data(), out, count);
        out += count * 2;
        frames -= count;
    }
}

} // namespace plat::sdl
