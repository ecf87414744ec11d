// The SDL backend's mixer, run without an audio device by calling its mix function directly.
#include "platform/music.h"
#include "platform/sdl/mixer.h"
#include "tests/platform/audio_test_files.h"
#include "tests/support/seeded_rng.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using plat::SoundResult;

constexpr double pi = 3.14159265358979323846;

plat::SoundBuffer addBuffer(plat::sdl::Mixer& mixer, const std::vector<int16_t>& mono, uint32_t rate = 44100)
{
    plat::SoundBuffer buffer = 0;
    const auto bytes = audiotest::samplesToBytes(mono);
    EXPECT_EQ(mixer.voices().create({1, 1, rate, 2, 16}, uint32_t(bytes.size()), buffer), SoundResult::Ok);
    EXPECT_EQ(mixer.voices().fill(buffer, bytes.data(), uint32_t(bytes.size())), SoundResult::Ok);
    return buffer;
}

std::vector<int16_t> render(plat::sdl::Mixer& mixer, size_t frames)
{
    std::vector<int16_t> out(frames * 2);
    mixer.mix(out.data(), frames);
    return out;
}

double rms(const std::vector<int16_t>& s, size_t fromFrame, size_t toFrame)
{
    double sum = 0;
    for (size_t i = fromFrame * 2; i < toFrame * 2 && i < s.size(); ++i)
        sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(std::max<size_t>(1, (toFrame - fromFrame) * 2)));
}

bool haveSoundfont() { return std::filesystem::exists(plat::sdl::soundfontPath()); }

TEST(SdlMixer, PlayingVoicesSumAndSaturateAtTheLimits)
{
    plat::sdl::Mixer mixer;
    const auto a = addBuffer(mixer, std::vector<int16_t>(100, 10000));
    const auto b = addBuffer(mixer, std::vector<int16_t>(60, 5000));
    const auto loud = addBuffer(mixer, std::vector<int16_t>(100, 30000));
    const auto low = addBuffer(mixer, std::vector<int16_t>(100, -30000));
    const auto lower = addBuffer(mixer, std::vector<int16_t>(100, -20000));
    EXPECT_EQ(render(mixer, 10), std::vector<int16_t>(20, 0)); // nothing plays yet
    ASSERT_EQ(mixer.voices().play(a), SoundResult::Ok);
    ASSERT_EQ(mixer.voices().play(b), SoundResult::Ok);
    auto out = render(mixer, 80);
    EXPECT_EQ(out[0], 15000);
    EXPECT_EQ(out[119], 15000); // frame 59, both still sound
    EXPECT_EQ(out[120], 10000); // b has ended
    plat::SoundStatus status;
    ASSERT_EQ(mixer.voices().status(b, status), SoundResult::Ok);
    EXPECT_FALSE(status.playing);
    ASSERT_EQ(mixer.voices().play(loud), SoundResult::Ok);
    out = render(mixer, 20); // a has 20 frames left: 10000 + 30000
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[39], 32767);
    ASSERT_EQ(mixer.voices().stop(loud), SoundResult::Ok);
    ASSERT_EQ(mixer.voices().play(low), SoundResult::Ok);
    ASSERT_EQ(mixer.voices().play(lower), SoundResult::Ok);
    out = render(mixer, 1);
    EXPECT_EQ(out[0], -32768);
    EXPECT_EQ(out[1], -32768);
}

TEST(SdlMixer, VolumeMinus600IsAboutHalfAmplitude)
{
    plat::sdl::Mixer mixer;
    std::vector<int16_t> tone(4410);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = int16_t(20000 * std::sin(2 * pi * 440 * double(i) / 44100));
    const auto full = addBuffer(mixer, tone);
    const auto half = addBuffer(mixer, tone);
    ASSERT_EQ(mixer.voices().setVolume(half, -600), SoundResult::Ok);
    ASSERT_EQ(mixer.voices().play(full), SoundResult::Ok);
    const double fullLevel = rms(render(mixer, 4410), 0, 4410);
    ASSERT_EQ(mixer.voices().play(half), SoundResult::Ok);
    const double halfLevel = rms(render(mixer, 4410), 0, 4410);
    EXPECT_NEAR(halfLevel / fullLevel, 0.501, 0.01);
}

TEST(SdlMixer, ALoopedMidiFileSoundsPastItsOwnLength)
{
    if (!haveSoundfont())
        GTEST_SKIP() << "no soundfont at " << plat::sdl::soundfontPath();
    audiotest::ScratchDir dir;
    const auto path = (dir.path() / "loop.mid").string();
    // One second long: a short note at its start, then rest.
    audiotest::writeFile(path, audiotest::composeMidi({{0, 240, 72, 110}}, 960));

    auto levelsAfter = [&](bool repeat) {
        plat::sdl::Mixer mixer;
        EXPECT_EQ(mixer.music().open("M", path), plat::MusicResult::Ok);
        EXPECT_EQ(mixer.music().play("M", 0u, repeat), plat::MusicResult::Ok);
        const auto out = render(mixer, 44100 * 5 / 2);
        // First pass, and the start of the third (2.0 s to 2.25 s).
        return std::pair{rms(out, 0, 11025), rms(out, 88200, 99225)};
    };
    const auto [firstOnce, laterOnce] = levelsAfter(false);
    const auto [firstLooped, laterLooped] = levelsAfter(true);
    EXPECT_GT(firstOnce, 100.0);
    EXPECT_GT(firstLooped, 100.0);
    EXPECT_GT(laterLooped, firstLooped / 4);
    EXPECT_LT(laterOnce, laterLooped / 10); // played once, the piece has ended by then
}

TEST(SdlMixer, MissingSoundfontOrBrokenMidiPlaysSilenceWithoutCrashing)
{
    audiotest::ScratchDir dir;
    const auto good = (dir.path() / "m.mid").string(), bad = (dir.path() / "bad.mid").string();
    auto bytes = audiotest::composeMidi({{0, 480, 60, 100}}, 480);
    audiotest::writeFile(good, bytes);
    bytes[21] = 0xFF; // the track claims far more bytes than there are
    bytes.erase(bytes.end() - 5, bytes.end());
    audiotest::writeFile(bad, bytes);
    for (bool soundfont : {false, true}) {
        if (soundfont && !haveSoundfont())
            continue;
        if (!soundfont)
            setenv("VELMOOR_SOUNDFONT", (dir.path() / "missing.sf2").c_str(), 1);
        plat::sdl::Mixer mixer;
        EXPECT_EQ(mixer.music().open("M", soundfont ? bad : good), plat::MusicResult::Ok);
        (void)mixer.music().play("M", 0u, true);
        const auto out = render(mixer, 22050);
        unsetenv("VELMOOR_SOUNDFONT");
        EXPECT_TRUE(soundfont || rms(out, 0, 22050) == 0.0);
        mixer.music().close("M");
    }
}

// A soundfont the synthesiser cannot use is named in the music log with the reason, and the
// synthesiser's own messages go there as well: nothing reaches stderr.
TEST(SdlMixer, SoundfontsThatCannotBeUsedAreLoggedWithTheReasonAndNothingGoesToStderr)
{
    audiotest::ScratchDir dir;
    std::vector<uint8_t> noise(4096);
    SeededRng{8}.fill(noise);
    // The right signature, then chunk sizes far beyond the file.
    std::vector<uint8_t> huge = {'R', 'I', 'F', 'F', 0xF0, 0xFF, 0xFF, 0xFF, 's', 'f', 'b', 'k',
                                 'L', 'I', 'S', 'T', 0x00, 0xFF, 0xFF, 0xFF, 'I', 'N', 'F', 'O'};
    huge.resize(64, 0);
    struct Font {
        std::string name;
        std::vector<uint8_t> bytes;
        std::string why; // our own reason; "" where the synthesiser gives its own
    };
    std::vector<Font> fonts = {{"empty.sf2", {}, "(the file is empty)"},
                               {"noise.sf2", noise, "(no SoundFont file: it does not begin with RIFF and sfbk)"},
                               {"huge.sf2", huge, ""}};
    if (haveSoundfont()) {
        std::ifstream in(plat::sdl::soundfontPath(), std::ios::binary);
        std::vector<uint8_t> whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        fonts.push_back({"cut.sf2", std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 3)), ""});
    }
    static std::vector<std::pair<int, std::string>> lines;
    plat::setMusicLogHook([](int level, const char* text) { lines.emplace_back(level, text); });
    for (const Font& font : fonts) {
        const std::string path = (dir.path() / font.name).string();
        audiotest::writeFile(path, font.bytes);
        setenv("VELMOOR_SOUNDFONT", path.c_str(), 1);
        lines.clear();
        ::testing::internal::CaptureStderr();
        {
            plat::sdl::Synth synth;
            EXPECT_FALSE(synth.hasFont()) << font.name;
        }
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << font.name;
        const std::string named = "The soundfont " + path + " cannot be used (";
        int found = 0, synthesiser = 0;
        for (const auto& [level, text] : lines) {
            synthesiser += level == 1 && text.rfind("fluidsynth: ", 0) == 0;
            if (text.rfind(named, 0) != 0)
                continue;
            ++found;
            EXPECT_EQ(level, 1);
            EXPECT_NE(text.find(font.why.empty() ? std::string("(") : font.why), std::string::npos) << text;
            EXPECT_EQ(text.find("()"), std::string::npos) << "a reason is given: " << text;
        }
        EXPECT_EQ(found, 1) << font.name;
        EXPECT_GT(synthesiser, 0) << font.name << ": the synthesiser's own words are there too";
    }
    unsetenv("VELMOOR_SOUNDFONT");
    if (haveSoundfont()) {
        lines.clear();
        plat::sdl::Synth synth;
        EXPECT_TRUE(synth.hasFont());
        for (const auto& [level, text] : lines)
            EXPECT_GT(level, 1) << text;
    }
    plat::setMusicLogHook(nullptr);
}

// Something a person can hear: a click chord, then ten seconds of a composed MIDI piece
// looping, written to mixer_listen.wav in the build tree's test-output folder.
TEST(SdlMixer, WritesAListenableRender)
{
    if (!haveSoundfont())
        GTEST_SKIP() << "no soundfont at " << plat::sdl::soundfontPath();
    plat::sdl::Mixer mixer;
    std::vector<plat::SoundBuffer> clicks;
    for (double frequency : {523.25, 659.25, 783.99}) {
        std::vector<int16_t> click(22050 * 4 / 10);
        for (size_t i = 0; i < click.size(); ++i) {
            const double t = double(i) / 22050;
            click[i] = int16_t(9000 * std::exp(-t * 9) * std::sin(2 * pi * frequency * t));
        }
        clicks.push_back(addBuffer(mixer, click, 22050));
    }
    std::vector<int16_t> song;
    auto append = [&](size_t frames) {
        const auto part = render(mixer, frames);
        song.insert(song.end(), part.begin(), part.end());
    };
    for (auto c : clicks)
        ASSERT_EQ(mixer.voices().play(c), SoundResult::Ok);
    append(44100);

    audiotest::ScratchDir dir;
    const auto path = (dir.path() / "tune.mid").string();
    std::vector<audiotest::Note> notes;
    const uint8_t melody[] = {67, 72, 76, 74, 72, 71, 72, 74, 76, 79, 77, 76, 74, 72, 71, 72};
    for (uint32_t i = 0; i < 16; ++i)
        notes.push_back({i * 240, 230, melody[i], 96, 0});
    const uint8_t roots[] = {48, 53, 55, 48};
    for (uint32_t bar = 0; bar < 4; ++bar)
        for (int step : {0, 7, 12})
            notes.push_back({bar * 960, 940, uint8_t(roots[bar] + step), 70, 1});
    audiotest::writeFile(path, audiotest::composeMidi(notes, 3840, {{0, 0}, {1, 48}}));
    ASSERT_EQ(mixer.music().open("MUSIC", path), plat::MusicResult::Ok);
    ASSERT_EQ(mixer.music().play("MUSIC", 0u, true), plat::MusicResult::Ok);
    const size_t musicStart = song.size() / 2;
    append(441000);
    mixer.music().close("MUSIC");

    const std::filesystem::path folder = VELMOOR_TEST_OUTPUT_DIR;
    std::filesystem::create_directories(folder);
    const auto out = folder / "mixer_listen.wav";
    audiotest::writeFile(out, audiotest::makeWave(2, 44100, 16, audiotest::samplesToBytes(song)));
    std::printf("listen: %s\n", out.c_str());
    size_t clipped = 0;
    for (int16_t s : song)
        clipped += (s == 32767 || s == -32768);
    EXPECT_LT(clipped, song.size() / 1000);
    EXPECT_GT(rms(song, 0, 26460), 1000.0);
    EXPECT_GT(rms(song, musicStart + 44100 * 8, musicStart + 44100 * 10), 300.0); // looped past 4 s
}

} // namespace
