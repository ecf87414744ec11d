// Wave sounds on the headless device: voices, reservations, the chunk walk, failed loads and
// what they say is wrong.
#include "HeadlessScreen.h"

#include "framework/DataFile.h"
#include "framework/Result.h"
#include "framework/Sound.h"
#include "framework/SoundDevice.h"
#include "platform/clock.h"
#include "platform/headless/sound.h"
#include "tests/platform/audio_test_files.h"
#include "tests/support/alloc_cap.h"
#include "tests/support/seeded_rng.h"

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

std::vector<uint8_t> chunk(const char* id, const std::vector<uint8_t>& body)
{
    std::vector<uint8_t> out(id, id + 4);
    putU32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() & 1)
        out.push_back(0);
    return out;
}

std::vector<uint8_t> fmtBody(size_t size = 16, uint16_t formatTag = 1)
{
    std::vector<uint8_t> f;
    putU16(f, formatTag);
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
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& c : chunks)
        out.insert(out.end(), c.begin(), c.end());
    const auto size = static_cast<uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i)
        out[4 + i] = static_cast<uint8_t>(size >> (8 * i));
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
    const std::vector<uint8_t> click = makeWave(1, 22050, 16, clickSamples());
};

TEST_F(Sounds, VoicesAreFoundUntilAllPlayAndFreeOnceAClipHasEnded)
{
    for (int voices : {0, -7}) {
        ASSERT_EQ(loadBytes(click, voices), R::Ok);
        EXPECT_EQ(sound.voiceCount(), 1) << voices;
    }
    EXPECT_EQ(plat::headless::liveSoundBuffers(), 1u); // the first load was released
    EXPECT_EQ(loadBytes(click, Sound::maxVoices + 1), R::SoundBuffer);

    ASSERT_EQ(loadBytes(click, 10), R::Ok);
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(sound.play(0, nullptr), R::Ok) << i;
    EXPECT_EQ(sound.play(0, nullptr), R::NoFreeVoice); // the 11th: 20
    plat::headless::advanceClock(79);
    EXPECT_EQ(sound.play(0, nullptr), R::NoFreeVoice);
    plat::headless::advanceClock(1);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(sound.play(0, nullptr), R::Ok) << i;
    EXPECT_EQ(plat::headless::liveSoundBuffers(), 10u) << "a buffer and nine duplicates";
}

TEST_F(Sounds, AReservedVoiceStaysTakenUntilStopAllWhichRewinds)
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
    plat::headless::advanceClock(40);
    ASSERT_EQ(sound.stopAll(), R::Ok); // voice 2 stopped half way
    ASSERT_EQ(sound.play(0, &voice), R::Ok);
    EXPECT_EQ(voice, 0);
    ASSERT_EQ(sound.play(0, nullptr), R::Ok);
    ASSERT_EQ(sound.play(-600, nullptr), R::Ok);
    EXPECT_EQ(plat::headless::soundLog().back().volume, -600);
    plat::headless::advanceClock(79);
    EXPECT_EQ(sound.play(0, nullptr), R::NoFreeVoice) << "a rewound voice plays its whole 80 ms";
    plat::headless::advanceClock(1);
    EXPECT_EQ(sound.play(1, nullptr), R::Volume);
    plat::headless::failNextSoundOperation(SoundOp::Play);
    EXPECT_EQ(sound.play(0, &voice), R::Play);
    EXPECT_EQ(voice, -1);
}

TEST_F(Sounds, TheChunkWalkTakesChunksInAnyOrderAndStaysInsideTheFile)
{
    const auto samples = clickSamples();
    const auto data = chunk("data", {0, 0, 0, 0});
    auto pastTheEnd = riff({chunk("fmt ", fmtBody()), chunk("LIST", std::vector<uint8_t>(10)), data});
    pastTheEnd[pastTheEnd.size() - 26] = 0xFF; // the LIST size reaches far past the end: "data" is not believed
    const std::string shortFormat = "its 'fmt ' chunk is too short", inHeader = "the file ends inside its header";
    const struct {
        std::vector<uint8_t> file;
        int result;
        std::string damage; // "" also for bytes that are no WAVE file at all
    } cases[] = {
        {riff({chunk("LIST", {1, 2, 3}), chunk("data", samples), chunk("JUNK", {}), chunk("fmt ", fmtBody(18))}),
         R::Ok, ""},                                                          // "data" before "fmt ", odd chunks padded
        {riff({chunk("fmt ", fmtBody(12)), data}), R::NotWave, shortFormat}, // 12 and 13 bytes: 18
        {riff({chunk("fmt ", fmtBody(13)), data}), R::NotWave, shortFormat},
        {riff({chunk("fmt ", fmtBody(14)), data}), R::SoundBuffer, shortFormat}, // 14 and 15 cannot describe PCM: 19
        {riff({chunk("fmt ", fmtBody(15)), data}), R::SoundBuffer, shortFormat},
        {riff({chunk("fmt ", fmtBody(16, 3)), data}), R::SoundBuffer, "a sample format the game cannot play: not PCM"},
        {riff({chunk("fmt ", fmtBody()), chunk("data", {0, 0})}), R::SoundBuffer, "too few samples in its 'data' chunk"},
        {riff({chunk("fmt ", fmtBody())}), R::SoundBuffer, "no 'data' chunk"},
        {riff({chunk("data", {0, 0}), chunk("data", {})}), R::SoundBuffer, "no 'fmt ' chunk"},
        {pastTheEnd, R::SoundBuffer, inHeader + ", before its 'data' chunk"},
        {{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'X'}, R::NotWave, ""},
        {{'R', 'I', 'F'}, R::NotWave, inHeader},
        {{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W'}, R::NotWave, inHeader},
        {{'R', 'I', 'X'}, R::NotWave, ""},
        {{}, R::NotWave, ""},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(loadBytes(cases[i].file, 1), cases[i].result) << i;
        EXPECT_EQ(lastDataFileDamage(), cases[i].damage) << i;
    }
    ASSERT_EQ(loadBytes(cases[0].file, 1), R::Ok);
    const auto unusual = plat::headless::soundBufferSamples(sound.voiceBuffer(0));
    ASSERT_EQ(loadBytes(click, 1), R::Ok);
    EXPECT_EQ(plat::headless::soundBufferSamples(sound.voiceBuffer(0)), unusual);

    // A RIFF size beyond the file is cut to the file; a truncated "data" keeps the bytes present.
    auto bytes = riff({chunk("fmt ", fmtBody()), chunk("data", std::vector<uint8_t>(100, 7))});
    bytes[7] = 0x7F;
    bytes.resize(bytes.size() - 37);
    ASSERT_EQ(loadBytes(bytes, 1), R::Ok);
    EXPECT_EQ(lastDataFileDamage(), "the file ends inside its samples");
    // 31 whole 16-bit frames at 22,050 Hz become 62 stereo frames at 44,100 Hz.
    EXPECT_EQ(plat::headless::soundBufferSamples(sound.voiceBuffer(0)).size(), 2u * 62);
    // Cut before the first sample, as a file cut to 40 bytes is.
    bytes.resize(40);
    EXPECT_EQ(loadBytes(bytes, 1), R::SoundBuffer);
    EXPECT_EQ(lastDataFileDamage(), inHeader + ", before its 'data' chunk");
    ASSERT_EQ(loadBytes(click, 1), R::Ok);
    EXPECT_EQ(lastDataFileDamage(), "");
}

TEST_F(Sounds, EveryTruncationAndRandomDamageFailsCleanly)
{
    const auto clean = [](int r) { return r == R::Ok || r == R::NotWave || r == R::SoundBuffer; };
    for (size_t size = 0; size <= click.size(); size += (size < 80 ? 1 : 97)) {
        EXPECT_TRUE(clean(loadBytes(std::vector<uint8_t>(click.begin(), click.begin() + long(size)), 2))) << size;
        (void)sound.play(0, nullptr);
    }
    SeededRng rng{12345};
    for (int round = 0; round < 300; ++round) {
        auto damaged = click;
        damaged.resize(64 + rng.below(200));
        for (int k = 0; k < 4; ++k)
            damaged[4 + rng.below(static_cast<uint32_t>(damaged.size() - 4))] = static_cast<uint8_t>(rng.next());
        EXPECT_TRUE(clean(loadBytes(damaged, 2))) << round;
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
    std::vector<SoundOp> ops;
    for (const auto& e : plat::headless::soundLog())
        if (e.buffer == sound.voiceBuffer(0))
            ops.push_back(e.operation);
    EXPECT_EQ(ops, (std::vector<SoundOp>{SoundOp::Status, SoundOp::Restore, SoundOp::Fill, SoundOp::SetVolume,
                                         SoundOp::Play}));
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
    EXPECT_EQ(sound.loadFromFile(&device, file, 1, click.size() + 1000), R::Ok);
    std::fclose(file);
    // No memory for the file's bytes: no sound, said as such, never an exception.
    {
        const testsupport::AllocCap cap(click.size() / 2);
        EXPECT_EQ(sound.load(&device, path.c_str(), 10), R::NoMemory);
    }
    EXPECT_EQ(lastDataFileStatus().reason(), "out of memory");
}

TEST_F(HeadlessTest, NoSoundDeviceMeansCodesAndSilenceNeverACrash)
{
    plat::headless::resetSound();
    Window window;
    ASSERT_TRUE(window.create("Velmoor", nullptr, nullptr, WindowStylePopup, 0, 0, 800, 600));
    const auto click = makeWave(1, 22050, 16, clickSamples());
    plat::headless::setSoundDeviceAvailable(false);
    SoundDevice device;
    EXPECT_EQ(device.create(window.handle), R::SoundDevice);
    EXPECT_TRUE(device.unavailable());
    Sound sound;
    EXPECT_EQ(sound.loadFromMemory(&device, click.data(), 10, click.size()), R::NoSoundDevice);
    int voice = 3;
    EXPECT_EQ(sound.play(0, &voice), R::NoSoundDevice); // 51
    EXPECT_EQ(voice, -1);
    EXPECT_EQ(sound.stopAll(), R::NoSoundDevice);

    plat::headless::setSoundDeviceAvailable(true);
    EXPECT_EQ(device.create(0), R::SoundCooperativeLevel); // no window to bind to
    EXPECT_EQ(plat::headless::countSoundOps(SoundOp::CloseDevice), 1u);
    ASSERT_EQ(device.create(window.handle), R::Ok);
    plat::headless::resetSound();
}

} // namespace
