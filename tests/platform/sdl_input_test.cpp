// The SDL input backend where no window exists: key presses caught between queries,
// no devices without the video subsystem, and no joystick as a normal state.
#include "platform/input_backend.h"
#include "platform/keycodes.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace plat;

class SdlInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        backend.reset(makeSdlInputBackend());
        if (!backend->openSystem())
            GTEST_SKIP() << "SDL events unavailable: " << SDL_GetError();
        opened = true;
    }
    void TearDown() override
    {
        if (opened)
            backend->closeSystem();
        backend.reset();
    }

    static void push(Uint32 type, SDL_Scancode code)
    {
        SDL_Event e{};
        e.type = type;
        e.key.keysym.scancode = code;
        SDL_PushEvent(&e);
    }

    std::unique_ptr<InputBackend> backend;
    bool opened = false;
};

TEST_F(SdlInput, PressBetweenQueriesIsReportedOnce)
{
    EXPECT_EQ(backend->asyncKeyState(vk::F5), 0);
    push(SDL_KEYDOWN, SDL_SCANCODE_F5);
    push(SDL_KEYUP, SDL_SCANCODE_F5);
    EXPECT_EQ(backend->asyncKeyState(vk::F5) & 1, 1);
    EXPECT_EQ(backend->asyncKeyState(vk::F5) & 1, 0);

    push(SDL_KEYDOWN, SDL_SCANCODE_RSHIFT);
    EXPECT_EQ(backend->asyncKeyState(vk::RShift) & 1, 1);
    EXPECT_EQ(backend->asyncKeyState(vk::Shift) & 1, 1);
    EXPECT_EQ(backend->asyncKeyState(vk::LShift) & 1, 0);

    SDL_Event click{};
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.button = SDL_BUTTON_LEFT;
    SDL_PushEvent(&click);
    EXPECT_EQ(backend->asyncKeyState(vk::LButton) & 1, 1);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

TEST_F(SdlInput, WithoutVideoThereIsNoMouseOrKeyboardToRead)
{
    if (SDL_WasInit(SDL_INIT_VIDEO))
        GTEST_SKIP() << "video is up in this process";
    EXPECT_FALSE(backend->hasMouse());
    EXPECT_FALSE(backend->hasKeyboard());
    MouseState m;
    EXPECT_FALSE(backend->readMouse(m));
    KeyboardScan keys;
    EXPECT_FALSE(backend->readKeyboard(keys));
    EXPECT_FALSE(backend->cursorPosition());
}

TEST_F(SdlInput, AJoystickIsOptional)
{
    int device = 0;
    const JoystickResult r = backend->openJoystick(device);
    EXPECT_NE(r, JoystickResult::InterfaceFailed);
    if (r == JoystickResult::Opened) {
        RawJoystick j;
        EXPECT_TRUE(backend->readJoystick(device, j));
        backend->closeJoystick(device);
    }
    RawJoystick j;
    EXPECT_FALSE(backend->readJoystick(12345, j));
    EXPECT_FALSE(backend->setJoystickProperty(12345));
}

} // namespace
