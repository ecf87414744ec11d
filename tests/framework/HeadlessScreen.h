// Test fixture: a fresh headless layer with the game's window and 800x600 display.
#pragma once

#include "framework/Display.h"
#include "framework/Mmx.h"
#include "framework/Window.h"
#include "platform/headless/display.h"
#include "platform/headless/message_queue.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <memory>

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        plat::setBackendKind(plat::BackendKind::Headless);
        plat::headless::reset();
    }
    void TearDown() override { plat::headless::reset(); }
};

class HeadlessScreen : public HeadlessTest {
protected:
    void SetUp() override
    {
        HeadlessTest::SetUp();
        window = std::make_unique<Window>();
        display = std::make_unique<Display>();
    }

    void TearDown() override
    {
        display.reset();
        window.reset();
        HeadlessTest::TearDown();
    }

    // Opens window and display as the game does, at the chosen format.
    void open(const plat::PixelFormat& format = plat::format::Rgb565, int mode = DisplayMode::OwnMemoryBack)
    {
        plat::headless::setDisplayFormat(format);
        ASSERT_TRUE(window->create("Velmoor", nullptr, nullptr, WindowStylePopup, 0, 0, 800, 600));
        ASSERT_EQ(display->create(), 0);
        ASSERT_EQ(display->setMode(mode, window->handle, 800, 600, static_cast<int>(format.bitsPerPixel)), 0);
        mmxEnabled = 0; // as the game's start-up does
    }

    // A fresh layer, window and display at another format.
    void reopen(const plat::PixelFormat& format, int mode = DisplayMode::OwnMemoryBack)
    {
        display.reset();
        window.reset();
        plat::headless::reset();
        window = std::make_unique<Window>();
        display = std::make_unique<Display>();
        open(format, mode);
    }

    std::unique_ptr<Window> window;
    std::unique_ptr<Display> display;
};

// The screen opened as the game opens it.
class OpenScreen : public HeadlessScreen {
protected:
    void SetUp() override
    {
        HeadlessScreen::SetUp();
        open();
    }
};
