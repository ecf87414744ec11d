// PCM format checks and the one-time conversion of caller samples to the device format.
#pragma once

#include "platform/sound.h"

#include <cstddef>
#include <cstdint>

namespace plat {

// Longest buffer the layer accepts after conversion (ten minutes), so a tiny rate cannot
// blow a small file up into gigabytes of device samples.
inline constexpr uint64_t maxDeviceFrames = uint64_t{deviceFramesPerSecond} * 600;

// Null when the format can be played, else a short reason.
[[nodiscard]] const char* pcmFormatProblem(const PcmFormat& format);

// Device frames that `bytes` bytes of the format last (whole source frames only).
[[nodiscard]] uint64_t deviceFramesFor(const PcmFormat& format, uint64_t bytes);

// Converts `size` bytes of the format into `frames` interleaved stereo device frames,
// resampling with cubic interpolation; frames the source does not reach are written silent.
// The format must have passed pcmFormatProblem.
void convertToDevice(const PcmFormat& format, const uint8_t* source, size_t size, int16_t* out,
                     size_t frames);

// Linear gain of a volume in hundredths of a decibel, as 16.16 fixed point (0 dB = 65536).
[[nodiscard]] int32_t gainFromVolume(int32_t volume);

} // namespace plat
