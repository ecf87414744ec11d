// The input words of the headless script and the key tables behind them.
#include "platform/headless/input.h"
#include "platform/headless/message_queue.h"
#include "platform/headless/script.h"
#include "platform/input.h"
#include "platform/keycodes.h"
#include "platform/platform.h"
#include "platform/sdl/keymap.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace plat;

class InputScript : public ::testing::Test {
protected:
    void SetUp() override
    {
        setBackendKind(BackendKind::Headless);
        headless::resetInput();
        headless::clearMessages();
    }

    bool run(std::vector<std::string> words)
    {
        frames = -1;
        return headless::runInputScriptCommand(words, frames);
    }

    int frames = -1;
};

TEST_F(InputScript, MouseWordsQueueStepsAndSayHowLongToWait)
{
    ASSERT_TRUE(run({"move", "5", "6"}));
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(headless::trackedCursor().x, 5);
    EXPECT_EQ(headless::trackedCursor().y, 6);

    ASSERT_TRUE(run({"click", "300", "200"}));
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(headless::trackedCursor().x, 300);
    EXPECT_EQ(headless::queuedMouseSteps(), 3u);

    ASSERT_TRUE(run({"press"}));
    ASSERT_TRUE(run({"release", "right"}));
    ASSERT_TRUE(run({"click", "1", "1", "middle"}));
    EXPECT_EQ(headless::queuedMouseSteps(), 7u);
}

TEST_F(InputScript, KeyWordsTakeTheNamedKeys)
{
    ASSERT_TRUE(run({"key", "F5"}));
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(asyncKeyState(vk::F5), 1);
    ASSERT_TRUE(run({"keydown", "escape"}));
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(asyncKeyState(vk::Escape), 0x8001);
    ASSERT_TRUE(run({"keyup", "ESCAPE"}));
    EXPECT_EQ(asyncKeyState(vk::Escape), 0);
    for (const char* name : {"Q", "F1", "F9", "SPACE", "A", "Z", "0", "9"})
        EXPECT_TRUE(run({"key", name})) << name;
}

TEST_F(InputScript, MalformedOrUnknownWordsAreRefused)
{
    EXPECT_FALSE(run({}));
    EXPECT_FALSE(run({"jump"}));
    EXPECT_FALSE(run({"move", "5"}));
    EXPECT_FALSE(run({"move", "5", "six"}));
    EXPECT_FALSE(run({"move", "5", "6", "7"}));
    EXPECT_FALSE(run({"click", "5", "6", "thumb"}));
    EXPECT_FALSE(run({"press", "left", "twice"}));
    EXPECT_FALSE(run({"key", "NOSUCHKEY"}));
    EXPECT_FALSE(run({"key"}));
    EXPECT_EQ(headless::queuedMouseSteps(), 0u);
    EXPECT_EQ(headless::pendingMessages(), 0u);
}

TEST_F(InputScript, FocusWords)
{
    ASSERT_TRUE(run({"deactivate"}));
    ASSERT_TRUE(run({"activate"}));
    EXPECT_EQ(headless::pendingMessages(), 2u);
}

// The names scripts use and the SDL tables must agree on both numberings.
TEST(KeyTables, ScriptNamesAndSdlScancodesAgree)
{
    const std::vector<std::pair<std::string, std::string>> names = {
        {"ESCAPE", "Escape"}, {"SPACE", "Space"},   {"RETURN", "Return"}, {"TAB", "Tab"},
        {"BACK", "Backspace"}, {"LEFT", "Left"},    {"RIGHT", "Right"},   {"UP", "Up"},
        {"DOWN", "Down"},     {"HOME", "Home"},     {"END", "End"},       {"INSERT", "Insert"},
        {"DELETE", "Delete"}, {"PAGEUP", "PageUp"}, {"PAGEDOWN", "PageDown"}};
    std::vector<std::pair<std::string, std::string>> all = names;
    for (char c = 'A'; c <= 'Z'; ++c)
        all.emplace_back(std::string(1, c), std::string(1, c));
    for (char c = '0'; c <= '9'; ++c)
        all.emplace_back(std::string(1, c), std::string(1, c));
    for (int f = 1; f <= 12; ++f) {
        std::string name(1, 'F');
        name.append(std::to_string(f));
        all.emplace_back(name, name);
    }

    for (const auto& [ours, sdlName] : all) {
        const auto codes = keyCodesFromName(ours);
        ASSERT_TRUE(codes) << ours;
        const SDL_Scancode sc = SDL_GetScancodeFromName(sdlName.c_str());
        ASSERT_NE(sc, SDL_SCANCODE_UNKNOWN) << sdlName;
        EXPECT_EQ(sdl::virtualKeyFromScancode(sc), codes->virtualKey) << ours;
        EXPECT_EQ(sdl::scanCodeFromScancode(sc), codes->scanCode) << ours;
    }
    // The keys the game asks for by number.
    EXPECT_EQ(sdl::scanCodeFromScancode(SDL_SCANCODE_Q), 0x10);
    EXPECT_EQ(sdl::scanCodeFromScancode(SDL_SCANCODE_F1), 0x3B);
    EXPECT_EQ(sdl::virtualKeyFromScancode(SDL_SCANCODE_F5), 0x74);
    EXPECT_EQ(sdl::virtualKeyFromScancode(SDL_SCANCODE_F9), 0x78);
    EXPECT_EQ(sdl::virtualKeyFromScancode(SDL_SCANCODE_LSHIFT), vk::Shift);
    EXPECT_EQ(sdl::virtualKeyFromScancode(static_cast<SDL_Scancode>(-1)), 0);
    EXPECT_EQ(sdl::scanCodeFromScancode(SDL_NUM_SCANCODES), 0);
}

TEST(KeyTables, ScanCodesAreDistinctPerKey)
{
    // Two physical keys sharing a scan code would make one unreadable in the key table.
    std::vector<int> owner(256, -1);
    for (int i = 0; i < SDL_NUM_SCANCODES; ++i) {
        const auto sc = static_cast<SDL_Scancode>(i);
        const int code = sdl::scanCodeFromScancode(sc);
        if (code == 0 || sc == SDL_SCANCODE_NONUSHASH) // the ISO hash key sits where backslash is
            continue;
        EXPECT_EQ(owner[static_cast<std::size_t>(code)], -1)
            << SDL_GetScancodeName(sc) << " and " << SDL_GetScancodeName(static_cast<SDL_Scancode>(owner[code]));
        owner[static_cast<std::size_t>(code)] = i;
    }
}

} // namespace
