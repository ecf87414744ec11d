// The headless sound device: buffers play for their own duration of virtual time, and every
// operation lands in the log.
#include "platform/clock.h"
#include "platform/headless/sound.h"
#include "platform/platform.h"
#include "platform/sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using plat::SoundOp;
using plat::SoundResult;

class HeadlessSound : public ::testing::Test {
protected:
    void SetUp() override
    {
        plat::setBackendKind(plat::BackendKind::Headless);
        plat::headless::resetSound();
        plat::headless::setClock(1000);
        ASSERT_EQ(plat::openSoundDevice(device), SoundResult::Ok);
    }
    void TearDown() override { plat::headless::resetSound(); }

    // A mono 16-bit buffer of `ms` milliseconds at 22,050 Hz, filled with `value`.
    plat::SoundBuffer makeBuffer(uint32_t ms, int16_t value = 1000)
    {
        const std::vector<int16_t> samples(22050 * ms / 1000, value);
        plat::SoundBuffer buffer = 0;
        EXPECT_EQ(plat::createSoundBuffer(device, {1, 1, 22050, 2, 16}, uint32_t(samples.size() * 2), buffer),
                  SoundResult::Ok);
        EXPECT_EQ(plat::fillSoundBuffer(buffer, samples.data(), uint32_t(samples.size() * 2)), SoundResult::Ok);
        return buffer;
    }

    // Advances the clock, then says whether the buffer still plays.
    static bool playingAfter(plat::SoundBuffer buffer, uint32_t ms)
    {
        plat::headless::advanceClock(ms);
        plat::SoundStatus status;
        EXPECT_EQ(plat::soundStatus(buffer, status), SoundResult::Ok);
        return status.playing;
    }

    plat::SoundDeviceHandle device = 0;
};

TEST_F(HeadlessSound, ABufferPlaysForItsOwnDurationAcrossTheClockWrap)
{
    plat::headless::setClock(0xFFFFFFFFu - 20);
    const plat::SoundBuffer buffer = makeBuffer(80);
    ASSERT_EQ(plat::playSound(buffer), SoundResult::Ok);
    EXPECT_TRUE(playingAfter(buffer, 79));
    EXPECT_FALSE(playingAfter(buffer, 1));
    // Finished, it stands at its start and plays whole again; stop keeps the position.
    ASSERT_EQ(plat::playSound(buffer), SoundResult::Ok);
    EXPECT_TRUE(playingAfter(buffer, 40));
    ASSERT_EQ(plat::stopSound(buffer), SoundResult::Ok);
    EXPECT_FALSE(playingAfter(buffer, 100));
    ASSERT_EQ(plat::playSound(buffer), SoundResult::Ok);
    EXPECT_FALSE(playingAfter(buffer, 40));
}

TEST_F(HeadlessSound, DuplicatesShareSamplesButNotPositionVolumeOrState)
{
    const plat::SoundBuffer original = makeBuffer(100, 500);
    plat::SoundBuffer copy = 0, copyOfCopy = 0;
    ASSERT_EQ(plat::duplicateSoundBuffer(original, copy), SoundResult::Ok);
    ASSERT_EQ(plat::duplicateSoundBuffer(copy, copyOfCopy), SoundResult::Ok);
    EXPECT_EQ(plat::headless::soundBufferSamples(copy), plat::headless::soundBufferSamples(original));
    ASSERT_EQ(plat::setSoundVolume(copy, -600), SoundResult::Ok);
    ASSERT_EQ(plat::playSound(original), SoundResult::Ok);
    plat::headless::advanceClock(60);
    ASSERT_EQ(plat::playSound(copy), SoundResult::Ok);
    EXPECT_FALSE(playingAfter(original, 40));
    EXPECT_TRUE(playingAfter(copy, 0));
    EXPECT_FALSE(playingAfter(copyOfCopy, 0));
    // Releasing the original leaves the duplicates playable.
    plat::releaseSoundBuffer(original);
    EXPECT_EQ(plat::playSound(copyOfCopy), SoundResult::Ok);

    const auto& log = plat::headless::soundLog();
    auto last = [&](SoundOp op, plat::SoundBuffer b) {
        auto it = std::find_if(log.rbegin(), log.rend(), [&](const auto& e) { return e.operation == op && e.buffer == b; });
        return it == log.rend() ? plat::headless::SoundLogEntry{} : *it;
    };
    EXPECT_EQ(last(SoundOp::Duplicate, copy).duplicateOf, original);
    EXPECT_EQ(last(SoundOp::Duplicate, copyOfCopy).duplicateOf, original); // chains name the source
    EXPECT_EQ(last(SoundOp::Play, copy).volume, -600);
    EXPECT_EQ(last(SoundOp::Play, copy).tick, 1060u);
    EXPECT_EQ(last(SoundOp::Release, original).buffer, original);
}

TEST_F(HeadlessSound, LostBuffersRefuseToPlayOrFillUntilRestored)
{
    const plat::SoundBuffer buffer = makeBuffer(20, 700);
    const auto before = plat::headless::soundBufferSamples(buffer);
    plat::headless::loseSoundBuffers();
    plat::SoundStatus status;
    ASSERT_EQ(plat::soundStatus(buffer, status), SoundResult::Ok);
    EXPECT_TRUE(status.lost);
    EXPECT_EQ(plat::playSound(buffer), SoundResult::BufferLost);
    EXPECT_EQ(plat::fillSoundBuffer(buffer, before.data(), 4), SoundResult::BufferLost);
    ASSERT_EQ(plat::restoreSoundBuffer(buffer), SoundResult::Ok);
    EXPECT_NE(plat::headless::soundBufferSamples(buffer), before); // the samples are gone
    EXPECT_EQ(plat::playSound(buffer), SoundResult::Ok);
}

TEST_F(HeadlessSound, BadRequestsGetTheirOwnResults)
{
    plat::SoundBuffer buffer = 0;
    const plat::PcmFormat mono16{1, 1, 22050, 2, 16};
    EXPECT_EQ(plat::createSoundBuffer(device, mono16, 3, buffer), SoundResult::InvalidParam); // half a frame
    EXPECT_EQ(plat::createSoundBuffer(device, mono16, 0, buffer), SoundResult::InvalidParam);
    EXPECT_EQ(plat::createSoundBuffer(device, {2, 1, 22050, 2, 16}, 100, buffer), SoundResult::InvalidFormat);
    // Ten minutes at the device rate is the most a buffer may become.
    EXPECT_EQ(plat::createSoundBuffer(device, {1, 1, 100, 1, 8}, 100 * 601, buffer), SoundResult::InvalidParam);
    EXPECT_EQ(plat::createSoundBuffer(device + 1000, mono16, 100, buffer), SoundResult::NoDevice);
    EXPECT_EQ(buffer, 0u);
    const plat::SoundBuffer good = makeBuffer(10);
    EXPECT_EQ(plat::setSoundVolume(good, 1), SoundResult::InvalidParam);
    EXPECT_EQ(plat::setSoundVolume(good, -10001), SoundResult::InvalidParam);
    EXPECT_EQ(plat::setSoundVolume(good, -10000), SoundResult::Ok);
    EXPECT_EQ(plat::playSound(good + 77), SoundResult::InvalidHandle);
    EXPECT_EQ(plat::fillSoundBuffer(good, nullptr, 10), SoundResult::InvalidParam);
    plat::releaseSoundBuffer(good + 77); // harmless
    plat::headless::failNextSoundOperation(SoundOp::Play);
    EXPECT_EQ(plat::playSound(good), SoundResult::Failed);
    EXPECT_EQ(plat::playSound(good), SoundResult::Ok);
}

TEST_F(HeadlessSound, TheLastCloseFreesEveryBufferAndLaterCallsFindNoDevice)
{
    plat::SoundDeviceHandle second = 0;
    ASSERT_EQ(plat::openSoundDevice(second), SoundResult::Ok);
    const plat::SoundBuffer buffer = makeBuffer(10);
    plat::closeSoundDevice(device);
    EXPECT_EQ(plat::headless::liveSoundBuffers(), 1u);
    plat::closeSoundDevice(second);
    plat::closeSoundDevice(second); // twice is harmless
    EXPECT_EQ(plat::headless::liveSoundBuffers(), 0u);
    EXPECT_EQ(plat::playSound(buffer), SoundResult::NoDevice);
    plat::headless::setSoundDeviceAvailable(false);
    EXPECT_EQ(plat::openSoundDevice(device), SoundResult::NoDevice);
    EXPECT_EQ(device, 0u);
}

} // namespace
