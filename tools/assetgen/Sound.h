// Synthesised sound effects and the RIFF WAVE writer.
#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

inline constexpr int sampleRate = 22050;

// A short wooden "tock" for every accepted click (under 80 ms).
[[nodiscard]] std::vector<std::int16_t> synthClick();
// A rising four-note chime for the start of a board (about 0.9 s).
[[nodiscard]] std::vector<std::int16_t> synthChime();

// Canonical 44-byte header, PCM, 16-bit mono.
[[nodiscard]] std::vector<std::uint8_t> encodeWav(const std::vector<std::int16_t>& samples, int rate = sampleRate);

} // namespace assetgen
