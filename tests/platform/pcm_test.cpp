// PCM conversion to the device format, against a plain floating-point reference model.
#include "platform/pcm.h"
#include "tests/support/seeded_rng.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

double referenceSample(const plat::PcmFormat& f, const std::vector<uint8_t>& bytes, size_t frame, int channel)
{
    const size_t at = frame * f.blockAlign + size_t(f.channels == 2 ? channel : 0) * (f.bitsPerSample / 8);
    if (f.bitsPerSample == 8)
        return (bytes[at] - 128) * 256.0;
    return static_cast<int16_t>(bytes[at] | bytes[at + 1] << 8);
}

} // namespace

// Catmull-Rom through the four source samples around the position, edges repeated.
double referenceAt(const plat::PcmFormat& f, const std::vector<uint8_t>& bytes, double position, int channel)
{
    const long frames = static_cast<long>(bytes.size() / f.blockAlign);
    const long k = static_cast<long>(position);
    const double t = position - double(k);
    auto p = [&](long i) { return referenceSample(f, bytes, size_t(std::clamp(i, 0L, frames - 1)), channel); };
    const double p0 = p(k - 1), p1 = p(k), p2 = p(k + 1), p3 = p(k + 2);
    const double value = p1 + 0.5 * t * (p2 - p0 + t * (2 * p0 - 5 * p1 + 4 * p2 - p3 + t * (3 * (p1 - p2) + p3 - p0)));
    return std::clamp(value, -32768.0, 32767.0);
}

TEST(PcmConversion, MatchesCubicInterpolationForEveryLayoutAndRate)
{
    for (uint32_t seed = 1; seed <= 24; ++seed) {
        SeededRng rng{seed};
        plat::PcmFormat f;
        f.formatTag = 1;
        f.channels = static_cast<uint16_t>(1 + seed % 2);
        f.bitsPerSample = seed % 4 < 2 ? 8 : 16;
        const uint32_t rates[] = {8000, 11025, 22050, 44100, 48000, 96000};
        f.framesPerSecond = rates[seed % 6];
        f.blockAlign = static_cast<uint16_t>(f.channels * f.bitsPerSample / 8);
        std::vector<uint8_t> bytes(f.blockAlign * (50 + rng.below(200)));
        rng.fill(bytes);
        const size_t sourceFrames = bytes.size() / f.blockAlign;
        const uint64_t frames = plat::deviceFramesFor(f, bytes.size());
        ASSERT_NEAR(double(frames), sourceFrames * 44100.0 / f.framesPerSecond, 1.0) << "seed " << seed;
        std::vector<int16_t> out(frames * 2);
        plat::convertToDevice(f, bytes.data(), bytes.size(), out.data(), frames);
        for (size_t i = 0; i < frames; ++i) {
            const double position = double(i) * f.framesPerSecond / 44100.0;
            const size_t at = static_cast<size_t>(position);
            for (int c = 0; c < 2; ++c) {
                const double expected = at < sourceFrames ? referenceAt(f, bytes, position, c) : 0.0;
                ASSERT_NEAR(out[2 * i + c], expected, 1.0) << "seed " << seed << " frame " << i << " channel " << c;
            }
        }
    }
}

TEST(PcmConversion, PartialFramesAndShortFillsStaySilent)
{
    plat::PcmFormat f{1, 2, 44100, 4, 16};
    EXPECT_EQ(plat::deviceFramesFor(f, 3), 0u);       // less than one frame
    EXPECT_EQ(plat::deviceFramesFor(f, 4 * 10 + 3), 10u);
    std::vector<uint8_t> bytes(8, 0x7F);               // two frames of 0x7F7F
    std::vector<int16_t> out(8, 1234);
    plat::convertToDevice(f, bytes.data(), bytes.size(), out.data(), 4);
    EXPECT_EQ(out[0], 0x7F7F);
    EXPECT_EQ(out[3], 0x7F7F);
    EXPECT_EQ(out[4], 0);                              // the source ended: silence, not garbage
    EXPECT_EQ(out[7], 0);
}

TEST(PcmConversion, RefusesWhatItCannotPlay)
{
    EXPECT_EQ(plat::pcmFormatProblem({1, 2, 44100, 4, 16}), nullptr);
    EXPECT_EQ(plat::pcmFormatProblem({1, 1, 100, 1, 8}), nullptr);
    // Float, three channels, 24 bits, rates out of range, a block size that lies, no channels.
    for (const plat::PcmFormat& f : {plat::PcmFormat{3, 2, 44100, 8, 32}, {1, 3, 44100, 6, 16}, {1, 1, 44100, 3, 24},
                                     {1, 1, 99, 1, 8}, {1, 1, 200001, 1, 8}, {1, 2, 44100, 2, 16}, {1, 0, 44100, 0, 16}})
        EXPECT_NE(plat::pcmFormatProblem(f), nullptr) << f.channels << " " << f.framesPerSecond << " " << f.bitsPerSample;
}

TEST(PcmConversion, VolumeIsHundredthsOfADecibel)
{
    EXPECT_EQ(plat::gainFromVolume(0), 65536);
    EXPECT_NEAR(plat::gainFromVolume(-2000) / 65536.0, 0.1, 1e-4);
    EXPECT_LE(plat::gainFromVolume(-10000), 1);
}
