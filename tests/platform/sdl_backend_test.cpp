// The SDL backend in-process without a window: audio on SDL's dummy driver and on a driver that
// cannot be used, and input events caught between queries. Only results are checked, never speed.
#include "platform/clock.h"
#include "platform/input_backend.h"
#include "platform/keycodes.h"
#include "platform/music.h"
#include "platform/platform.h"
#include "platform/sound.h"
#include "tests/platform/audio_test_files.h"
#include "tests/support/alloc_cap.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <string>

namespace {

using plat::MusicResult;
using plat::SoundResult;

// Puts the audio driver variable and the headless backend back, however the test ends.
struct SdlAudioScope {
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    std::string saved = driver ? driver : "";
    SdlAudioScope() { plat::setBackendKind(plat::BackendKind::Sdl); }
    ~SdlAudioScope()
    {
        saved.empty() ? unsetenv("SDL_AUDIODRIVER") : setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
        plat::setBackendKind(plat::BackendKind::Headless);
    }
};

TEST(SdlAudio, AnUnusableDriverIsNoDeviceAndTheDummyDevicePlays)
{
    const SdlAudioScope scope;
    audiotest::ScratchDir dir;
    const std::string midi = (dir.path() / "m.mid").string();
    audiotest::writeFile(midi, audiotest::composeMidi({{0, 480, 60, 100}, {480, 480, 64, 100}}, 960));
    const std::string open = "open \"" + midi + "\" type sequencer alias MUSIC";

    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    plat::SoundDeviceHandle device = 7;
    EXPECT_EQ(plat::openSoundDevice(device), SoundResult::NoDevice);
    EXPECT_EQ(device, 0u);
    plat::SoundBuffer buffer = 0, copy = 0;
    EXPECT_EQ(plat::createSoundBuffer(device, {1, 1, 22050, 2, 16}, 100, buffer), SoundResult::NoDevice);
    EXPECT_EQ(plat::sendMusicCommand(open), MusicResult::NoDevice);
    EXPECT_EQ(plat::sendMusicCommand("close MUSIC"), MusicResult::UnknownAlias);

    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(plat::openSoundDevice(device), SoundResult::Ok);
    const std::vector<int16_t> tone(2205, 3000);
    ASSERT_EQ(plat::createSoundBuffer(device, {1, 1, 22050, 2, 16}, 4410, buffer), SoundResult::Ok);
    ASSERT_EQ(plat::fillSoundBuffer(buffer, tone.data(), 4410), SoundResult::Ok);
    ASSERT_EQ(plat::duplicateSoundBuffer(buffer, copy), SoundResult::Ok);
    EXPECT_EQ(plat::setSoundVolume(copy, -600), SoundResult::Ok);
    EXPECT_EQ(plat::playSound(buffer), SoundResult::Ok);
    EXPECT_EQ(plat::playSound(copy), SoundResult::Ok);
    ASSERT_EQ(plat::sendMusicCommand(open), MusicResult::Ok);
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

// Without a sound card libasound reports on stderr; the layer keeps it quiet (on a machine
// with a card ALSA simply opens).
TEST(SdlAudio, AlsaSaysNothingOnTheErrorStream)
{
    const SdlAudioScope scope;
    setenv("SDL_AUDIODRIVER", "alsa", 1);
    testing::internal::CaptureStderr();
    plat::SoundDeviceHandle device = 0;
    if (plat::openSoundDevice(device) == SoundResult::Ok)
        plat::closeSoundDevice(device);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find("ALSA lib"), std::string::npos) << said;
}

// The dummy device held open with a short buffer: only the audio thread can bring it, playing, to its
// end, which it cannot while the device's lock is left held.
struct HeldDevice {
    static constexpr plat::PcmFormat format{1, 1, 22050, 2, 16};
    plat::SoundDeviceHandle device = 0;
    plat::SoundBuffer click = 0;

    HeldDevice()
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        EXPECT_EQ(plat::openSoundDevice(device), SoundResult::Ok);
        EXPECT_EQ(plat::createSoundBuffer(device, format, 40, click), SoundResult::Ok);
    }
    bool playsToItsEnd() const
    {
        plat::SoundStatus status;
        if (plat::playSound(click) != SoundResult::Ok)
            return false;
        for (int waited = 0; waited < 20000; ++waited) {
            if (plat::soundStatus(click, status) != SoundResult::Ok || !status.playing)
                return true;
            plat::sleep(1);
        }
        return false; // the test ends here: closing a device whose lock is held would wait for good
    }
    void close()
    {
        plat::releaseSoundBuffer(click);
        plat::closeSoundDevice(device);
    }
};

// Whichever allocation of a music open fails, the open lets the device's lock go and holds no device
// reference: once nothing uses the device it is closed (a driver that cannot be used finds none).
TEST(SdlAudio, AMusicOpenThatRunsOutOfMemoryAtAnyStepLeavesTheDeviceFreeAndClosed)
{
    const SdlAudioScope scope;
    audiotest::ScratchDir dir;
    const std::string midi = (dir.path() / "m.mid").string();
    audiotest::writeFile(midi, audiotest::composeMidi({{0, 480, 60, 100}}, 960));
    const std::string open = "open \"" + midi + "\" type sequencer alias MUSIC";
    // Twice: a process's first open makes the synthesiser too, which the later ones keep.
    for (int round = 0; round < 2; ++round) {
        for (size_t granted = 0;; ++granted) {
            HeldDevice held;
            MusicResult result = MusicResult::BadCommand;
            bool refused = true;
            try {
                const testsupport::AllocRefusal refusal(granted);
                result = plat::sendMusicCommand(open);
                refused = refusal.refused();
            } catch (const std::bad_alloc&) {
            }
            ASSERT_TRUE(held.playsToItsEnd()) << "round " << round << ", block " << granted << " refused";
            if (result == MusicResult::Ok) {
                EXPECT_EQ(plat::sendMusicCommand("close MUSIC"), MusicResult::Ok);
            }
            held.close();
            setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
            plat::SoundDeviceHandle device = 0;
            ASSERT_EQ(plat::openSoundDevice(device), SoundResult::NoDevice)
                << "round " << round << ", block " << granted << " refused";
            plat::closeSoundDevice(device);
            if (!refused) {
                EXPECT_EQ(result, MusicResult::Ok);
                break;
            }
        }
    }
}

// Whichever allocation fails while a buffer is made or duplicated, the device's lock is let go.
TEST(SdlAudio, AnAllocationRefusedUnderTheDevicesLockLeavesTheDevicePlaying)
{
    const SdlAudioScope scope;
    HeldDevice held;
    for (const bool duplicating : {false, true}) {
        for (size_t granted = 0;; ++granted) {
            plat::SoundBuffer made = 0;
            bool refused = true;
            try {
                const testsupport::AllocRefusal refusal(granted);
                (void)(duplicating ? plat::duplicateSoundBuffer(held.click, made)
                                   : plat::createSoundBuffer(held.device, HeldDevice::format, 4410, made));
                refused = refusal.refused();
            } catch (const std::bad_alloc&) {
            }
            plat::releaseSoundBuffer(made);
            ASSERT_TRUE(held.playsToItsEnd()) << (duplicating ? "duplicating" : "making") << ", block " << granted;
            if (!refused)
                break;
        }
    }
    held.close();
}

void pushKey(Uint32 type, SDL_Scancode code)
{
    SDL_Event e{};
    e.type = type;
    e.key.keysym.scancode = code;
    SDL_PushEvent(&e);
}

// Without a window: presses between queries are reported once, there is no mouse or keyboard
// to read without video, and a missing joystick is a normal state.
TEST(SdlInput, PressBetweenQueriesNoDevicesWithoutVideoAndAnOptionalJoystick)
{
    const std::unique_ptr<plat::InputBackend> backend(plat::makeSdlInputBackend());
    if (!backend->openSystem())
        GTEST_SKIP() << "SDL events unavailable: " << SDL_GetError();
    EXPECT_EQ(backend->asyncKeyState(plat::vk::F5), 0);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_F5);
    pushKey(SDL_KEYUP, SDL_SCANCODE_F5);
    EXPECT_EQ(backend->asyncKeyState(plat::vk::F5) & 1, 1);
    EXPECT_EQ(backend->asyncKeyState(plat::vk::F5) & 1, 0);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_RSHIFT);
    EXPECT_EQ(backend->asyncKeyState(plat::vk::RShift) & 1, 1);
    EXPECT_EQ(backend->asyncKeyState(plat::vk::Shift) & 1, 1);
    EXPECT_EQ(backend->asyncKeyState(plat::vk::LShift) & 1, 0);
    SDL_Event click{};
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.button = SDL_BUTTON_LEFT;
    SDL_PushEvent(&click);
    EXPECT_EQ(backend->asyncKeyState(plat::vk::LButton) & 1, 1);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);

    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        EXPECT_FALSE(backend->hasMouse());
        EXPECT_FALSE(backend->hasKeyboard());
        plat::MouseState m;
        EXPECT_FALSE(backend->readMouse(m));
        plat::KeyboardScan keys;
        EXPECT_FALSE(backend->readKeyboard(keys));
        EXPECT_FALSE(backend->cursorPosition());
    }
    int device = 0;
    const plat::JoystickResult r = backend->openJoystick(device);
    EXPECT_NE(r, plat::JoystickResult::InterfaceFailed);
    plat::RawJoystick j;
    if (r == plat::JoystickResult::Opened) {
        EXPECT_TRUE(backend->readJoystick(device, j));
        backend->closeJoystick(device);
    }
    EXPECT_FALSE(backend->readJoystick(12345, j));
    EXPECT_FALSE(backend->setJoystickProperty(12345));
    backend->closeSystem();
}

} // namespace
