// Synthesised sound effects and the RIFF WAVE writer.
#include "tools/assetgen/Sound.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

namespace {

constexpr double twoPi = 6.283185307179586;

// Band-pass biquad (constant peak gain), for coloured noise.
class BandPass {
public:
    BandPass(double centre, double q) {
        const double w = twoPi * centre / sampleRate, alpha = std::sin(w) / (2 * q), a0 = 1 + alpha;
        b0_ = alpha / a0;
        b2_ = -alpha / a0;
        a1_ = -2 * std::cos(w) / a0;
        a2_ = (1 - alpha) / a0;
    }
    double operator()(double x) {
        const double y = b0_ * x + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    double b0_, b2_, a1_, a2_, x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// Scales to the given peak and converts, so every sound has a known headroom for the mixer.
std::vector<std::int16_t> toPcm(const std::vector<double>& signal, double peak) {
    double max = 1e-9;
    for (double v : signal) max = std::max(max, std::abs(v));
    std::vector<std::int16_t> out(signal.size());
    for (std::size_t i = 0; i < signal.size(); ++i)
        out[i] = static_cast<std::int16_t>(std::lround(signal[i] / max * peak * 32767));
    return out;
}

} // namespace

std::vector<std::int16_t> synthClick() {
    const int n = sampleRate * 70 / 1000;
    std::vector<double> s(static_cast<std::size_t>(n));
    BandPass body(1700, 2.5);
    std::uint32_t noise = 12345;
    double phase1 = 0, phase2 = 0, phase3 = 0;
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        // A knock drops slightly in pitch as the wood stops ringing.
        phase1 += twoPi * 560 * (1 + 0.18 * std::exp(-t / 0.004)) / sampleRate;
        phase2 += twoPi * 1290 / sampleRate;
        phase3 += twoPi * 2470 / sampleRate;
        noise = noise * 1664525u + 1013904223u;
        const double white = static_cast<double>(noise >> 8) / (1u << 24) * 2 - 1;
        double v = 0.6 * std::sin(phase1) * std::exp(-t / 0.014) + 0.28 * std::sin(phase2) * std::exp(-t / 0.008) +
                   0.12 * std::sin(phase3) * std::exp(-t / 0.004) + 1.4 * body(white) * std::exp(-t / 0.003);
        const double attack = std::min(1.0, t / 0.0006);
        const double release = std::min(1.0, (n - 1 - i) / (sampleRate * 0.008));
        s[static_cast<std::size_t>(i)] = v * attack * release;
    }
    return toPcm(s, 0.5);
}

std::vector<std::int16_t> synthChime() {
    const int n = sampleRate * 900 / 1000;
    std::vector<double> s(static_cast<std::size_t>(n), 0.0);
    static constexpr double notes[] = {587.33, 739.99, 880.0, 1174.66}; // D5 F#5 A5 D6
    static constexpr double partials[][3] = {{1.0, 1.0, 0.50}, {2.0, 0.35, 0.28}, {3.01, 0.16, 0.16},
                                             {4.17, 0.07, 0.09}};
    for (int k = 0; k < 4; ++k) {
        const int onset = static_cast<int>(sampleRate * 0.11 * k);
        const double loud = 0.7 + 0.1 * k;
        for (int i = onset; i < n; ++i) {
            const double t = static_cast<double>(i - onset) / sampleRate;
            const double attack = std::min(1.0, t / 0.004);
            double v = 0;
            for (const auto& p : partials) v += p[1] * std::sin(twoPi * notes[k] * p[0] * t) * std::exp(-t / p[2]);
            s[static_cast<std::size_t>(i)] += loud * attack * v;
        }
    }
    // Fade the tail to silence so the sound ends with the screen fade.
    const int fade = sampleRate * 200 / 1000;
    for (int i = n - fade; i < n; ++i)
        s[static_cast<std::size_t>(i)] *= 0.5 + 0.5 * std::cos(M_PI * (i - (n - fade)) / fade);
    return toPcm(s, 0.6);
}

std::vector<std::uint8_t> encodeWav(const std::vector<std::int16_t>& samples, int rate) {
    std::vector<std::uint8_t> out;
    auto put = [&out](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    auto tag = [&out](const char* t) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(t[i]));
    };
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    out.reserve(44 + dataBytes);
    tag("RIFF");
    put(36 + dataBytes, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(1, 2); // PCM
    put(1, 2); // mono
    put(static_cast<std::uint32_t>(rate), 4);
    put(static_cast<std::uint32_t>(rate) * 2, 4);
    put(2, 2);
    put(16, 2);
    tag("data");
    put(dataBytes, 4);
    for (std::int16_t v : samples) put(static_cast<std::uint16_t>(v), 2);
    return out;
}

} // namespace assetgen
