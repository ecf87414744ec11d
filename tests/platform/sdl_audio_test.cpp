// The SDL audio backend in-process: SDL's dummy audio driver as a device, and a driver that
// cannot be used as none. Only results are checked, never how fast the device plays.
#include "platform/clock.h"
#include "platform/music.h"
#include "platform/platform.h"
#include "platform/sound.h"
#include "tests/platform/audio_test_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using plat::MusicResult;
using plat::SoundResult;

class SdlAudio : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* driver = std::getenv("SDL_AUDIODRIVER");
        saved = driver ? driver : "";
        plat::setBackendKind(plat::BackendKind::Sdl);
    }
    void TearDown() override
    {
        if (saved.empty())
            unsetenv("SDL_AUDIODRIVER");
        else
            setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
        plat::setBackendKind(plat::BackendKind::Headless);
    }
    std::string saved;
    audiotest::ScratchDir dir;
};

TEST_F(SdlAudio, AnUnusableDriverIsNoDeviceForSoundAndMusic)
{
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    plat::SoundDeviceHandle device = 7;
    EXPECT_EQ(plat::openSoundDevice(device), SoundResult::NoDevice);
    EXPECT_EQ(device, 0u);
    plat::SoundBuffer buffer = 0;
    EXPECT_EQ(plat::createSoundBuffer(device, {1, 1, 22050, 2, 16}, 100, buffer), SoundResult::NoDevice);
    const std::string midi = (dir.path() / "m.mid").string();
    audiotest::writeFile(midi, audiotest::composeMidi({{0, 480, 60, 100}}, 480));
    EXPECT_EQ(plat::sendMusicCommand("open \"" + midi + "\" type sequencer alias MUSIC"), MusicResult::NoDevice);
    EXPECT_EQ(plat::sendMusicCommand("close MUSIC"), MusicResult::UnknownAlias);
}

TEST_F(SdlAudio, SoundsAndMusicRunOnTheDummyDevice)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    plat::SoundDeviceHandle device = 0;
    ASSERT_EQ(plat::openSoundDevice(device), SoundResult::Ok);
    plat::SoundBuffer buffer = 0, copy = 0;
    const std::vector<int16_t> tone(2205, 3000);
    ASSERT_EQ(plat::createSoundBuffer(device, {1, 1, 22050, 2, 16}, 4410, buffer), SoundResult::Ok);
    ASSERT_EQ(plat::fillSoundBuffer(buffer, tone.data(), 4410), SoundResult::Ok);
    ASSERT_EQ(plat::duplicateSoundBuffer(buffer, copy), SoundResult::Ok);
    EXPECT_EQ(plat::setSoundVolume(copy, -600), SoundResult::Ok);
    EXPECT_EQ(plat::playSound(buffer), SoundResult::Ok);
    EXPECT_EQ(plat::playSound(copy), SoundResult::Ok);

    const std::string midi = (dir.path() / "m.mid").string();
    audiotest::writeFile(midi, audiotest::composeMidi({{0, 480, 60, 100}, {480, 480, 64, 100}}, 960));
    ASSERT_EQ(plat::sendMusicCommand("open \"" + midi + "\" type sequencer alias MUSIC"), MusicResult::Ok);
    EXPECT_EQ(plat::sendMusicCommand("play MUSIC from 0 notify"), MusicResult::Ok);
    EXPECT_EQ(plat::sendMusicCommand("play MUSIC repeat"), MusicResult::Ok);
    plat::sleep(30); // let the device thread mix while the main thread goes on
    plat::SoundStatus status;
    EXPECT_EQ(plat::soundStatus(buffer, status), SoundResult::Ok);
    EXPECT_FALSE(status.lost);
    EXPECT_EQ(plat::stopSound(copy), SoundResult::Ok);
    EXPECT_EQ(plat::rewindSound(copy), SoundResult::Ok);
    EXPECT_EQ(plat::sendMusicCommand("close MUSIC"), MusicResult::Ok);
    plat::releaseSoundBuffer(buffer);
    plat::closeSoundDevice(device);
    EXPECT_EQ(plat::playSound(copy), SoundResult::NoDevice); // the last close freed it
}

} // namespace
