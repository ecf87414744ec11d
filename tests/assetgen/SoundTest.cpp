// Sounds and music: canonical WAVE files and a Standard MIDI File read back by the tests' own parsers.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>

#include "platform/sdl/midi_synth.h"
#include "tests/assetgen/DataFiles.h"
#include "tests/platform/audio_test_files.h"

using namespace assetgen_test;

namespace {

// The samples of a 16-bit mono 22,050 Hz file, which must be byte for byte the canonical wave of
// those samples (RIFF, a 16-byte "fmt ", then "data"); empty when it is not.
std::vector<std::int16_t> readWave(const std::string& path) {
    const std::vector<std::uint8_t> b = readFile(runDir() / path);
    if (b.size() < 44 || b != audiotest::makeWave(1, 22050, 16, std::vector<std::uint8_t>(b.begin() + 44, b.end())))
        return {};
    std::vector<std::int16_t> samples;
    for (std::size_t i = 44; i + 1 < b.size(); i += 2) samples.push_back(static_cast<std::int16_t>(le16(b, i)));
    return samples;
}

TEST(Sounds, ClickAndChimeAreCanonicalWavesOfTheirLengthWithHeadroomAndNoClicks) {
    const struct {
        const char* path;
        double minSeconds, maxSeconds;
    } sounds[] = {{"Data/Sounds/Click.wav", 0.02, 0.08}, {"Data/Sounds/Imp1.wav", 0.8, 1.0}};
    for (const auto& sound : sounds) {
        SCOPED_TRACE(sound.path);
        const std::vector<std::int16_t> w = readWave(sound.path);
        ASSERT_FALSE(w.empty()) << "not a canonical wave";
        EXPECT_GE(static_cast<double>(w.size()) / 22050, sound.minSeconds);
        EXPECT_LE(static_cast<double>(w.size()) / 22050, sound.maxSeconds);
        int peak = 0;
        for (std::int16_t s : w) peak = std::max(peak, std::abs(static_cast<int>(s)));
        EXPECT_GT(peak, 32767 / 5) << "too quiet";
        EXPECT_LT(peak, 32767 * 9 / 10) << "no headroom for ten voices at once";
        // No step at either end: a sound that starts or stops off zero clicks.
        EXPECT_LT(std::abs(w.front()), 200);
        EXPECT_LT(std::abs(w.back()), 200);
    }
}

std::uint32_t be(const std::vector<std::uint8_t>& b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | b[at + static_cast<std::size_t>(i)];
    return v;
}

struct MidiSummary {
    std::string problem;
    int format = -1, division = 0;
    std::vector<long> trackEnds;        // tick of each track's end
    long notes = 0, hanging = 0;        // note-ons; notes still sounding at the end
    double seconds = 0;                 // length by the tempo map
    std::map<int, int> programs;        // channel -> program
    int lowest = 128, highest = -1;
};

MidiSummary badMidi(const char* why) { MidiSummary m; m.problem = why; return m; }

// Reads every event of every track (running status included) and checks the chunk structure.
MidiSummary readMidi(const std::string& path) {
    const std::vector<std::uint8_t> b = readFile(runDir() / path);
    MidiSummary m;
    if (b.size() < 14 || be(b, 0, 4) != 0x4D546864 || be(b, 4, 4) != 6) return badMidi("no MThd header");
    m.format = static_cast<int>(be(b, 8, 2));
    const auto tracks = be(b, 10, 2);
    m.division = static_cast<int>(be(b, 12, 2));
    std::size_t at = 14;
    std::vector<std::pair<long, std::uint32_t>> tempi; // tick, microseconds per quarter
    for (std::uint32_t t = 0; t < tracks; ++t) {
        if (at + 8 > b.size() || be(b, at, 4) != 0x4D54726B) return badMidi("missing MTrk");
        const std::size_t end = at + 8 + be(b, at + 4, 4);
        if (end > b.size()) return badMidi("track runs past the file");
        at += 8;
        long tick = 0;
        std::uint8_t status = 0;
        bool ended = false;
        std::map<int, int> sounding;
        auto varLen = [&]() {
            std::uint32_t v = 0;
            for (int i = 0; i < 4 && at < end; ++i) {
                const std::uint8_t c = b[at++];
                v = v << 7 | (c & 0x7F);
                if (!(c & 0x80)) return v;
            }
            return v;
        };
        while (at < end && !ended) {
            tick += varLen();
            if (at >= end) return badMidi("event cut off");
            if (b[at] & 0x80) status = b[at++];
            if (status == 0xFF) {
                const std::uint8_t type = b[at++];
                const std::uint32_t len = varLen();
                if (type == 0x51 && len == 3) tempi.push_back({tick, be(b, at, 3)});
                if (type == 0x2F) ended = true;
                at += len;
            } else if (status == 0xF0 || status == 0xF7) {
                at += varLen();
            } else {
                const int kind = status & 0xF0, ch = status & 0x0F;
                const int data = kind == 0xC0 || kind == 0xD0 ? 1 : 2;
                if (at + static_cast<std::size_t>(data) > end) return badMidi("channel event cut off");
                const int d1 = b[at], d2 = data == 2 ? b[at + 1] : 0;
                at += static_cast<std::size_t>(data);
                if (kind == 0xC0) m.programs[ch] = d1;
                if (kind == 0x90 && d2 > 0) {
                    ++m.notes;
                    ++sounding[ch * 128 + d1];
                    m.lowest = std::min(m.lowest, d1);
                    m.highest = std::max(m.highest, d1);
                } else if (kind == 0x80 || (kind == 0x90 && d2 == 0)) {
                    if (--sounding[ch * 128 + d1] < 0) return badMidi("note-off without its note");
                }
            }
        }
        if (!ended || at != end) return badMidi("track does not close with its end-of-track event");
        for (const auto& [key, count] : sounding) m.hanging += count;
        m.trackEnds.push_back(tick);
    }
    if (at != b.size()) return badMidi("bytes after the last track");
    // Length from the tempo map (tempo changes are only in the first track in format 1).
    const long last = *std::max_element(m.trackEnds.begin(), m.trackEnds.end());
    std::uint32_t tempo = 500000;
    long from = 0;
    for (const auto& [tick, micros] : tempi) {
        m.seconds += static_cast<double>(tick - from) / m.division * tempo / 1e6;
        from = tick;
        tempo = micros;
    }
    m.seconds += static_cast<double>(last - from) / m.division * tempo / 1e6;
    return m;
}

TEST(Music, IsAFormatOneFileOfOneToTwoMinutesThatLoopsOnABarLine) {
    const MidiSummary m = readMidi("Data/Sounds/music.mid");
    ASSERT_EQ(m.problem, "");
    EXPECT_EQ(m.format, 1);
    EXPECT_EQ(m.division, 480);
    ASSERT_GE(m.trackEnds.size(), 2u);
    for (long end : m.trackEnds) EXPECT_EQ(end, m.trackEnds[1]) << "every track ends together";
    EXPECT_EQ(m.trackEnds[1] % (4 * 480), 0) << "the loop point is a bar line";
    EXPECT_GE(m.seconds, 60);
    EXPECT_LE(m.seconds, 120);
    EXPECT_EQ(m.hanging, 0) << "notes left sounding into the loop";
    EXPECT_GT(m.notes, 200);
    EXPECT_GE(m.programs.size(), 3u);
    for (const auto& [ch, program] : m.programs) EXPECT_NE(ch, 9) << "no percussion in a calm piece";
    EXPECT_GE(m.lowest, 28);
    EXPECT_LE(m.highest, 96);
}

double rmsDecibels(double sumOfSquares, std::size_t count) {
    return 10 * std::log10(sumOfSquares / static_cast<double>(count) / (32768.0 * 32768.0));
}

// Rendered by the game's own synth (its gain and soundfont) over the whole piece, the music's RMS
// lies within 6 dB of each effect's RMS over the effect's length, as both reach the mixer.
TEST(Music, SitsWithinSixDecibelsOfTheEffectsInTheGamesMix) {
    if (!std::filesystem::is_regular_file(plat::sdl::soundfontPath())) GTEST_SKIP() << "no soundfont";
    plat::sdl::MidiSynth synth;
    synth.adoptSynth(std::make_unique<plat::sdl::Synth>());
    ASSERT_EQ(synth.open("music", (runDir() / "Data/Sounds/music.mid").string()), plat::MusicResult::Ok);
    ASSERT_EQ(synth.play("music", std::nullopt, false), plat::MusicResult::Ok);
    const auto frames = static_cast<std::size_t>(readMidi("Data/Sounds/music.mid").seconds * 44100);
    constexpr std::size_t block = 4096;
    std::vector<std::int32_t> mix(2 * block);
    std::vector<float> scratch(2 * block);
    double music = 0;
    for (std::size_t done = 0; done < frames; done += block) {
        std::fill(mix.begin(), mix.end(), 0);
        synth.renderInto(mix.data(), scratch.data(), block);
        for (std::int32_t v : mix) music += static_cast<double>(v) * v;
    }
    const double musicDb = rmsDecibels(music, 2 * (frames + block - 1) / block * block);
    for (const char* path : {"Data/Sounds/Click.wav", "Data/Sounds/Imp1.wav"}) {
        const std::vector<std::int16_t> w = readWave(path);
        ASSERT_FALSE(w.empty()) << path;
        double effect = 0;
        for (std::int16_t v : w) effect += static_cast<double>(v) * v;
        EXPECT_NEAR(musicDb, rmsDecibels(effect, w.size()), 6) << path;
    }
}

} // namespace
