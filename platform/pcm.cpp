// PCM conversion shared by both backends: every buffer becomes 44.1 kHz 16-bit stereo once.
#include "platform/pcm.h"

#include <algorithm>
#include <cmath>

namespace plat {
namespace {

template <int Bits>
int16_t readSample(const uint8_t* p)
{
    if constexpr (Bits == 8)
        return static_cast<int16_t>((static_cast<int>(p[0]) - 128) * 256);
    else
        return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

template <int Bits, int Channels>
void convert(const PcmFormat& format, const uint8_t* source, size_t size, int16_t* out, size_t frames)
{
    constexpr size_t frameBytes = size_t{Bits / 8} * Channels;
    const size_t sourceFrames = size / frameBytes;
    if (sourceFrames == 0) {
        std::fill(out, out + frames * 2, int16_t{0});
        return;
    }
    auto channel = [&](size_t frame, int c) {
        return readSample<Bits>(source + frame * frameBytes + size_t(c) * (Bits / 8));
    };
    auto at = [&](int64_t frame, int c) -> int64_t {
        // Outside the source the edge sample repeats, so the curve has no cliff at the ends.
        const int64_t clamped = std::clamp<int64_t>(frame, 0, static_cast<int64_t>(sourceFrames) - 1);
        return channel(static_cast<size_t>(clamped), Channels == 2 ? c : 0);
    };
    const uint64_t rate = format.framesPerSecond;
    for (size_t i = 0; i < frames; ++i) {
        // Source position of output frame i: whole frame plus a fraction t of one frame.
        const uint64_t scaled = uint64_t(i) * rate;
        const int64_t whole = static_cast<int64_t>(scaled / deviceFramesPerSecond);
        const double t = double(scaled % deviceFramesPerSecond) / deviceFramesPerSecond;
        if (whole >= static_cast<int64_t>(sourceFrames)) {
            out[2 * i] = out[2 * i + 1] = 0;
            continue;
        }
        for (int c = 0; c < 2; ++c) {
            // Four-point cubic Hermite: much weaker images above the source's band than a
            // straight line between two samples, at the cost of slight overshoot (clamped).
            const double p0 = double(at(whole - 1, c)), p1 = double(at(whole, c));
            const double p2 = double(at(whole + 1, c)), p3 = double(at(whole + 2, c));
            const double a = -0.5 * p0 + 1.5 * p1 - 1.5 * p2 + 0.5 * p3;
            const double b = p0 - 2.5 * p1 + 2.0 * p2 - 0.5 * p3;
            const double d = -0.5 * p0 + 0.5 * p2;
            const double value = ((a * t + b) * t + d) * t + p1;
            out[2 * i + size_t(c)] = static_cast<int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
        }
    }
}

} // namespace

const char* pcmFormatProblem(const PcmFormat& format)
{
    if (format.formatTag != 1)
        return "not PCM";
    if (format.channels != 1 && format.channels != 2)
        return "only mono or stereo";
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16)
        return "only 8 or 16 bits per sample";
    if (format.framesPerSecond < 100 || format.framesPerSecond > 200000)
        return "rate outside 100 to 200000 Hz";
    if (format.blockAlign != format.channels * format.bitsPerSample / 8)
        return "block size does not match channels and bits";
    return nullptr;
}

uint64_t deviceFramesFor(const PcmFormat& format, uint64_t bytes)
{
    const uint64_t sourceFrames = bytes / format.blockAlign;
    if (sourceFrames == 0)
        return 0;
    const uint64_t rate = format.framesPerSecond;
    return std::max<uint64_t>(1, (sourceFrames * deviceFramesPerSecond + rate / 2) / rate);
}

void convertToDevice(const PcmFormat& format, const uint8_t* source, size_t size, int16_t* out,
                     size_t frames)
{
    const bool stereo = format.channels == 2;
    if (format.bitsPerSample == 8)
        stereo ? convert<8, 2>(format, source, size, out, frames)
               : convert<8, 1>(format, source, size, out, frames);
    else
        stereo ? convert<16, 2>(format, source, size, out, frames)
               : convert<16, 1>(format, source, size, out, frames);
}

int32_t gainFromVolume(int32_t volume)
{
    volume = std::clamp(volume, volumeMin, volumeMax);
    return static_cast<int32_t>(std::lround(65536.0 * std::pow(10.0, volume / 2000.0)));
}

} // namespace plat
