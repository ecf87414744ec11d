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

#include <optional>
#include <string>
#include <utility>
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

    // The frames the word asks to wait, or -2 when it is refused (what it expects in problem).
    int run(std::vector<std::string> words)
    {
        int frames = -1;
        problem.clear();
        return headless::runInputScriptCommand(words, frames, problem) ? frames : -2;
    }
    std::string problem;
};

TEST_F(InputScript, MouseAndFocusWordsQueueStepsAndSayHowLongToWait)
{
    EXPECT_EQ(run({"move", "5", "6"}), 1);
    EXPECT_EQ(headless::trackedCursor().y, 6);
    EXPECT_EQ(run({"click", "300", "200"}), 2);
    EXPECT_EQ(headless::trackedCursor().x, 300);
    EXPECT_EQ(headless::queuedMouseSteps(), 3u);
    for (std::vector<std::string> words : {std::vector<std::string>{"press"}, {"release", "right"},
                                           {"click", "1", "1", "middle"}, {"deactivate"}, {"activate"}})
        EXPECT_NE(run(words), -2) << words[0];
    EXPECT_EQ(headless::queuedMouseSteps(), 7u);
    // Absolute pointer and a click within one step: one step, one frame each.
    EXPECT_EQ(run({"pointer", "900", "40"}), 1);
    EXPECT_EQ(headless::trackedCursor().x, 799);
    EXPECT_EQ(run({"quickclick", "10", "20", "right"}), 1);
    EXPECT_EQ(headless::queuedMouseSteps(), 9u);
}

TEST_F(InputScript, KeyWordsTakeTheNamedKeys)
{
    EXPECT_EQ(run({"key", "F5"}), 2);
    EXPECT_EQ(asyncKeyState(vk::F5), 1);
    EXPECT_EQ(run({"keydown", "escape"}), 1);
    EXPECT_EQ(asyncKeyState(vk::Escape), 0x8001);
    EXPECT_EQ(run({"keyup", "ESCAPE"}), 1);
    EXPECT_EQ(asyncKeyState(vk::Escape), 0);
    EXPECT_EQ(run({"quickkey", "Q"}), 1);
    EXPECT_EQ(asyncKeyState('Q'), 1);
}

TEST_F(InputScript, MalformedOrUnknownWordsAreRefused)
{
    for (std::vector<std::string> words :
         {std::vector<std::string>{}, {"jump"}, {"move", "5"}, {"move", "5", "six"}, {"move", "5", "6", "7"}, {"pointer", "1"}, {"quickclick", "1", "2", "3"}, {"quickkey"},
          {"click", "5", "6", "thumb"}, {"press", "left", "twice"}, {"key", "NOSUCHKEY"}, {"key"}})
        EXPECT_EQ(run(words), -2) << words.size();
    EXPECT_EQ(headless::queuedMouseSteps(), 0u);
    EXPECT_EQ(headless::pendingMessages(), 0u);
}

// dump's file name: quoted, or the rest of the line, so a name may hold blanks (a clone's path).
TEST(ScriptFileName, QuotedOrTheRestOfTheLine)
{
    const std::vector<std::pair<std::string, std::string>> read = {
        {" shot.bmp", "shot.bmp"},
        {"  /my games/a shot.bmp \t\r", "/my games/a shot.bmp"},
        {" my shot.bmp   # the board", "my shot.bmp"},
        {" \"my games/shot #1.bmp\"  # a comment", "my games/shot #1.bmp"},
        {"\t\" padded \"", " padded "},
        {" \"x.bmp\"", "x.bmp"},
        {" say \"cheese\".bmp", "say \"cheese\".bmp"}};
    for (const auto& [rest, name] : read) {
        std::string problem;
        EXPECT_EQ(plat::headless::scriptFileName(rest, problem), name) << rest;
    }
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"", "needs a file name"},
        {"   # a comment only", "needs a file name"},
        {" \"\"", "needs a file name"},
        {" \"my games/shot.bmp", "needs a closing quote after its file name"},
        {" \"a.bmp\" b.bmp", "takes one file name: only a comment may follow its closing quote"}};
    for (const auto& [rest, why] : refused) {
        std::string problem;
        EXPECT_EQ(plat::headless::scriptFileName(rest, problem), std::nullopt) << rest;
        EXPECT_EQ(problem, why) << rest;
    }
}

// The names scripts use and the SDL tables must agree on both numberings.
TEST(KeyTables, ScriptNamesAndSdlScancodesAgree)
{
    std::vector<std::pair<std::string, std::string>> all = {
        {"ESCAPE", "Escape"}, {"SPACE", "Space"},   {"RETURN", "Return"}, {"TAB", "Tab"},
        {"BACK", "Backspace"}, {"LEFT", "Left"},    {"RIGHT", "Right"},   {"UP", "Up"},
        {"DOWN", "Down"},     {"HOME", "Home"},     {"END", "End"},       {"INSERT", "Insert"},
        {"DELETE", "Delete"}, {"PAGEUP", "PageUp"}, {"PAGEDOWN", "PageDown"}};
    for (char c : std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"))
        all.emplace_back(std::string(1, c), std::string(1, c));
    for (int f = 1; f <= 12; ++f) {
        std::string name(1, 'F');
        name += std::to_string(f);
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
    // The keys the game asks for by number, and codes outside the table.
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
