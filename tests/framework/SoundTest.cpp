// Wave sounds on the headless device: voices, reservations, the chunk walk and failed loads.
#include "HeadlessScreen.h"

#include "framework/Result.h"
#include "framework/Sound.h"
#include "framework/SoundDevice.h"
#include "framework/WaveFile.h"
#include "platform/clock.h"
#include "platform/headless/sound.h"
#include "tests/platform/audio_test_files.h"

#include <cstdio>

namespace {

using audiotest::makeWave;
using audiotest::putU16;
using audiotest::putU32;
using plat::SoundOp;
namespace R = FrameworkResult;

// 80 ms of a 16-bit mono 22,050 Hz tone, the game's click format.
std::vector<uint8_t> clickSamples()
{
    std::vector<int16_t> s(1764);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>((i % 50) * 600 - 15000);
    return audiotest::samplesToBytes(s);
}

std::vector<uint8_t> chunk(const char* id, const std::vector<uint8_t>& body, bool pad = true)
{
    std::vector<uint8_t> out(id, id + 4);
    putU32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (pad && (body.size() & 1))
        out.push_back(0);
    return out;
}

std::vector<uint8_t> fmtBody(size_t size = 16)
{
    std::vector<uint8_t> f;
    putU16(f, 1);
    putU16(f, 1);
    putU32(f, 22050);
    putU32(f, 44100);
    putU16(f, 2);
    putU16(f, 16);
    f.resize(size, 0);
    return f;
}

std::vector<uint8_t> riff(const std::vector<std::vector<uint8_t>>& chunks)
{
    std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
    for (const auto& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    putU32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

class Sounds : public HeadlessTest {
protected:
    void SetUp() override
    {
        HeadlessTest::SetUp();
        plat::headless::resetSound();
        plat::headless::setClock(5000);
        ASSERT_TRUE(window.create("Velmoor", nullptr, nullptr, WindowStylePopup, 0, 0, 800, 600));
        ASSERT_EQ(device.create(window.handle), R::Ok);
        click = makeWave(1, 22050, 16, clickSamples());
    }
    void TearDown() override
    {
        sound.release();
        plat::headless::resetSound();
        HeadlessTest::TearDown();
    }

    int loadBytes(const std::vector<uint8_t>& bytes, int voices = 10)
    {
        return sound.loadFromMemory(&device, bytes.data(), voices, bytes.size());
    }

    Window window;
    SoundDevice device;
    Sound sound;
    std::vector<uint8_t> click;
};

TEST_F(Sounds, ZeroOrNegativeVoicesBecomeOne)
{
    ASSERT_EQ(loadBytes(click, 0), R::Ok);
    EXPECT_EQ(sound.voiceCount(), 1);
    ASSERT_EQ(loadBytes(click, -7), R::Ok);
    EXPECT_EQ(sound.voiceCount(), 1);
    EXPECT_EQ(plat::headless::liveSoundBuffers(), 1u); // the first load was released
    EXPECT_EQ(loadBytes(click, Sound::maxVoices + 1), R::SoundBuffer);
}

TEST_F(Sounds, TheEleventhPlayFindsNoVoiceUntilAClipHasEnded)
{
    ASSERT_EQ(loadBytes(click, 10), R::Ok);
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(sound.play(0, nullptr), R::Ok) << i;
    EXPECT_EQ(sound.play(0, nullptr), R::NoFreeVoice);
    plat::headless::advanceClock(79);
    EXPECT_EQ(sound.play(0, nullptr), R::NoFreeVoice);
    plat::headless::advanceClock(1);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(sound.play(0, nullptr), R::Ok) << i;
    // Ten different buffers played, each a duplicate of voice 0 except voice 0 itself.
    const auto& log = plat::headless::soundLog();
    std::vector<plat::SoundBuffer> played;
    for (const auto& e : log)
        if (e.operation == SoundOp::Play && e.result == plat::SoundResult::Ok && e.tick == 5000)
            played.push_back(e.buffer);
    ASSERT_EQ(played.size(), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(played[size_t(i)], sound.voiceBuffer(i));
}

TEST_F(Sounds, AReservedVoiceStaysTakenUntilStopAll)
{
    ASSERT_EQ(loadBytes(click, 3), R::Ok);
    int voice = 99;
    ASSERT_EQ(sound.play(0, &voice), R::Ok);
    EXPECT_EQ(voice, 0);
    plat::headless::advanceClock(500); // long finished, still reserved
    ASSERT_EQ(sound.play(0, &voice), R::Ok);
    EXPECT_EQ(voice, 1);
    ASSERT_EQ(sound.play(0, nullptr), R::Ok); // voice 2, not reserved
    EXPECT_EQ(sound.play(0, &voice), R::NoFreeVoice);
    EXPECT_EQ(voice, -1);
    plat::headless::advanceClock(500);
    ASSERT_EQ(sound.play(0, nullptr), R::Ok); // voice 2 again
    plat::headless::advanceClock(500);
    ASSERT_EQ(sound.stopAll(), R::Ok);
    ASSERT_EQ(sound.play(0, &voice), R::Ok);
    EXPECT_EQ(voice, 0);
}

TEST_F(Sounds, StopAllStopsRewindsAndLetsEveryVoicePlayWhole)
{
    ASSERT_EQ(loadBytes(click, 2), R::Ok);
    ASSERT_EQ(sound.play(0, nullptr), R::Ok);
    ASSERT_EQ(sound.play(0, nullptr), R::Ok);
    plat::headless::advanceClock(40);
    ASSERT_EQ(sound.stopAll(), R::Ok);
    ASSERT_EQ(sound.play(0, nullptr), R::Ok);
    plat::headless::advanceClock(79);
    ASSERT_EQ(sound.play(0, nullptr), R::Ok);
    EXPECT_EQ(sound.play(0, nullptr), R::NoFreeVoice); // the first replay runs a whole 80 ms
}

TEST_F(Sounds, VolumeAndPlayFailuresHaveTheirCodes)
{
    ASSERT_EQ(loadBytes(click, 2), R::Ok);
    ASSERT_EQ(sound.play(-600, nullptr), R::Ok);
    EXPECT_EQ(plat::headless::soundLog().back().volume, -600);
    EXPECT_EQ(sound.play(1, nullptr), R::Volume);
    plat::headless::failNextSoundOperation(SoundOp::Play);
    int voice = 5;
    EXPECT_EQ(sound.play(0, &voice), R::Play);
    EXPECT_EQ(voice, -1);
}

TEST_F(Sounds, DataBeforeFmtLoadsTheSameAsTheUsualOrder)
{
    const auto samples = clickSamples();
    ASSERT_EQ(loadBytes(riff({chunk("fmt ", fmtBody()), chunk("data", samples)}), 1), R::Ok);
    const auto usual = plat::headless::soundBufferSamples(sound.voiceBuffer(0));
    ASSERT_EQ(loadBytes(riff({chunk("LIST", {1, 2, 3}), chunk("data", samples), chunk("JUNK", {}),
                              chunk("fmt ", fmtBody(18))}), 1),
              R::Ok);
    EXPECT_EQ(plat::headless::soundBufferSamples(sound.voiceBuffer(0)), usual);
    ASSERT_EQ(usual.size(), 1764u * 2 * 2);
}

TEST_F(Sounds, TheChunkWalkSkipsPadBytesAndKeepsInsideTheFile)
{
    WaveChunks c;
    // An odd chunk is followed by one pad byte.
    auto bytes = riff({chunk("odd ", {9, 9, 9}), chunk("fmt ", fmtBody()), chunk("data", {1, 2, 3, 4})});
    ASSERT_TRUE(parseWave(bytes.data(), bytes.size(), c));
    EXPECT_EQ(c.formatOffset, 12u + 8 + 4 + 8);
    EXPECT_EQ(c.dataSize, 4u);
    // A RIFF size beyond the file is cut to the file; the walk simply runs out.
    bytes = riff({chunk("fmt ", fmtBody())});
    bytes[7] = 0x7F;
    ASSERT_TRUE(parseWave(bytes.data(), bytes.size(), c));
    EXPECT_TRUE(c.hasFormat);
    EXPECT_FALSE(c.hasData);
    // A truncated data chunk keeps the bytes present.
    bytes = riff({chunk("fmt ", fmtBody()), chunk("data", std::vector<uint8_t>(100, 7))});
    bytes.resize(bytes.size() - 37);
    ASSERT_TRUE(parseWave(bytes.data(), bytes.size(), c));
    EXPECT_EQ(c.dataSize, 63u);
    EXPECT_EQ(c.dataOffset + c.dataSize, bytes.size());
    ASSERT_EQ(loadBytes(bytes, 1), R::Ok);
    // 31 whole 16-bit frames at 22,050 Hz become 62 stereo frames at 44,100 Hz.
    EXPECT_EQ(plat::headless::soundBufferSamples(sound.voiceBuffer(0)).size(), 2u * 62);
    // A chunk that runs past the file ends the walk: nothing after it is believed.
    bytes = riff({chunk("fmt ", fmtBody()), chunk("LIST", std::vector<uint8_t>(10))});
    bytes[bytes.size() - 14] = 0xFF; // the LIST size now reaches far past the end
    ASSERT_TRUE(parseWave(bytes.data(), bytes.size(), c));
    EXPECT_FALSE(c.hasData);
    EXPECT_EQ(loadBytes(bytes), R::SoundBuffer);
}

TEST_F(Sounds, AShortFmtBodyIsNoWaveOrNoPcm)
{
    const auto data = chunk("data", {0, 0, 0, 0});
    EXPECT_EQ(loadBytes(riff({chunk("fmt ", fmtBody(12)), data})), R::NotWave);
    EXPECT_EQ(loadBytes(riff({chunk("fmt ", fmtBody(13)), data})), R::NotWave);
    EXPECT_EQ(loadBytes(riff({chunk("fmt ", fmtBody(14)), data})), R::SoundBuffer);
    EXPECT_EQ(loadBytes(riff({chunk("fmt ", fmtBody(15)), data})), R::SoundBuffer);
    EXPECT_EQ(loadBytes(riff({chunk("fmt ", fmtBody(16)), data})), R::Ok);
    EXPECT_EQ(loadBytes(riff({chunk("fmt ", fmtBody(16))})), R::SoundBuffer);       // no data
    EXPECT_EQ(loadBytes(riff({chunk("data", {0, 0}), chunk("data", {})})), R::SoundBuffer); // no format
    EXPECT_EQ(loadBytes({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'X'}), R::NotWave);
    EXPECT_EQ(loadBytes({'R', 'I', 'F'}), R::NotWave);
    EXPECT_EQ(loadBytes({}), R::NotWave);
    auto floats = fmtBody();
    floats[0] = 3;
    EXPECT_EQ(loadBytes(riff({chunk("fmt ", floats), data})), R::SoundBuffer);
}

TEST_F(Sounds, EveryTruncationAndRandomDamageFailsCleanly)
{
    for (size_t size = 0; size <= click.size(); size += (size < 80 ? 1 : 97)) {
        std::vector<uint8_t> cut(click.begin(), click.begin() + static_cast<long>(size));
        const int result = loadBytes(cut, 2);
        EXPECT_TRUE(result == R::Ok || result == R::NotWave || result == R::SoundBuffer) << size << ": " << result;
        (void)sound.play(0, nullptr);
    }
    uint32_t state = 12345;
    auto next = [&] { return state = state * 1664525u + 1013904223u; };
    for (int round = 0; round < 300; ++round) {
        auto damaged = click;
        damaged.resize(64 + next() % 200);
        for (int k = 0; k < 4; ++k)
            damaged[4 + next() % (damaged.size() - 4)] = static_cast<uint8_t>(next() >> 24);
        const int result = loadBytes(damaged, 2);
        EXPECT_TRUE(result == R::Ok || result == R::NotWave || result == R::SoundBuffer) << round;
        (void)sound.play(0, nullptr);
        (void)sound.stopAll();
    }
}

TEST_F(Sounds, AfterAFailedLoadPlayStopAllAndReleaseSkipEmptyVoices)
{
    EXPECT_EQ(loadBytes({'R', 'I', 'F', 'F'}), R::NotWave);
    EXPECT_EQ(sound.play(0, nullptr), R::NoFreeVoice);
    EXPECT_EQ(sound.stopAll(), R::Ok);

    EXPECT_EQ(loadBytes(riff({chunk("fmt ", fmtBody())})), R::SoundBuffer);
    EXPECT_EQ(sound.play(0, nullptr), R::NoFreeVoice);

    plat::headless::failNextSoundOperation(SoundOp::Fill);
    EXPECT_EQ(loadBytes(click), R::SoundBufferFill);
    EXPECT_EQ(plat::headless::liveSoundBuffers(), 0u); // voice 0 was given back
    EXPECT_EQ(sound.play(0, nullptr), R::NoFreeVoice);

    // A refused duplicate leaves the voices made so far playable.
    plat::headless::failNextSoundOperation(SoundOp::Duplicate);
    EXPECT_EQ(loadBytes(click, 4), R::SoundBuffer);
    EXPECT_EQ(sound.play(0, nullptr), R::Ok);
    EXPECT_EQ(sound.play(0, nullptr), R::NoFreeVoice);
    sound.release();
    EXPECT_EQ(plat::headless::liveSoundBuffers(), 0u);
}

TEST_F(Sounds, ALostBufferIsRestoredAndRefilledWhenItsVoiceIsWanted)
{
    ASSERT_EQ(loadBytes(click, 2), R::Ok);
    const auto before = plat::headless::soundBufferSamples(sound.voiceBuffer(0));
    plat::headless::loseSoundBuffers();
    plat::headless::clearSoundLog();
    ASSERT_EQ(sound.play(0, nullptr), R::Ok);
    const auto& log = plat::headless::soundLog();
    std::vector<SoundOp> ops;
    for (const auto& e : log)
        if (e.buffer == sound.voiceBuffer(0))
            ops.push_back(e.operation);
    const std::vector<SoundOp> expected = {SoundOp::Status, SoundOp::Restore, SoundOp::Fill, SoundOp::SetVolume,
                                           SoundOp::Play};
    EXPECT_EQ(ops, expected);
    EXPECT_EQ(plat::headless::soundBufferSamples(sound.voiceBuffer(0)), before);
}

TEST_F(Sounds, LoadingFromAFileAndItsFailures)
{
    audiotest::ScratchDir dir;
    const auto path = dir.path() / "Click.wav";
    audiotest::writeFile(path, click);
    EXPECT_EQ(sound.load(&device, (dir.path() / "missing.wav").c_str(), 10), R::FileOpen);
    EXPECT_EQ(sound.load(&device, nullptr, 10), R::FileOpen);
    ASSERT_EQ(sound.load(&device, path.c_str(), 10), R::Ok);
    EXPECT_EQ(sound.voiceCount(), 10);
    // A file shorter than the size the caller claims loads what it holds.
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(sound.loadFromFile(&device, file, 1, click.size() + 1000), R::Ok);
    std::fclose(file);
    EXPECT_EQ(sound.loadFromFile(&device, nullptr, 1, 10), R::NoMemory);
    EXPECT_EQ(sound.loadFromFile(&device, nullptr, 1, uint64_t{1} << 40), R::NoMemory);
}

TEST(SoundsWithoutDevice, NoDeviceMeansCodesAndSilenceNeverACrash)
{
    plat::setBackendKind(plat::BackendKind::Headless);
    plat::headless::reset();
    plat::headless::resetSound();
    Window window;
    ASSERT_TRUE(window.create("Velmoor", nullptr, nullptr, WindowStylePopup, 0, 0, 800, 600));
    const auto click = makeWave(1, 22050, 16, clickSamples());
    {
        Sound sound;
        EXPECT_EQ(sound.play(0, nullptr), R::NoSoundDevice); // never loaded
        EXPECT_EQ(sound.stopAll(), R::NoSoundDevice);
        EXPECT_EQ(sound.loadFromMemory(nullptr, click.data(), 1, click.size()), R::NoSoundDevice);
        EXPECT_EQ(sound.load(nullptr, "Data/Sounds/Click.wav", 1), R::NoSoundDevice);
    }
    {
        plat::headless::setSoundDeviceAvailable(false);
        SoundDevice device;
        EXPECT_EQ(device.create(window.handle), R::SoundDevice);
        EXPECT_TRUE(device.unavailable());
        Sound sound;
        EXPECT_EQ(sound.loadFromMemory(&device, click.data(), 10, click.size()), R::NoSoundDevice);
        int voice = 3;
        EXPECT_EQ(sound.play(0, &voice), R::NoSoundDevice);
        EXPECT_EQ(voice, -1);
        EXPECT_EQ(sound.stopAll(), R::NoSoundDevice);
    }
    {
        plat::headless::setSoundDeviceAvailable(true);
        SoundDevice device;
        EXPECT_EQ(device.create(0), R::SoundCooperativeLevel); // no window to bind to
        EXPECT_EQ(device.output(), 0u);
        EXPECT_EQ(plat::headless::countSoundOps(SoundOp::CloseDevice), 1u);
        ASSERT_EQ(device.create(window.handle), R::Ok);
        EXPECT_FALSE(device.unavailable());
    }
    plat::headless::resetSound();
    plat::headless::reset();
}

} // namespace
