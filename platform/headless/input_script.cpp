// The input words of the headless script: move, pointer, press, release, click, quickclick,
// key, quickkey, keydown, keyup, activate and deactivate.
#include "platform/headless/input.h"
#include "platform/headless/script.h"

#include <charconv>
#include <optional>

namespace plat::headless {
namespace {

std::optional<int> number(const std::string& word)
{
    int v = 0;
    const char* end = word.data() + word.size();
    auto [p, ec] = std::from_chars(word.data(), end, v);
    if (ec != std::errc() || p != end)
        return std::nullopt;
    return v;
}

std::optional<MouseButton> button(const std::vector<std::string>& words, std::size_t at)
{
    if (words.size() <= at)
        return MouseButton::Left;
    if (words.size() > at + 1)
        return std::nullopt;
    const std::string& w = words[at];
    if (w == "left")
        return MouseButton::Left;
    if (w == "right")
        return MouseButton::Right;
    if (w == "middle")
        return MouseButton::Middle;
    return std::nullopt;
}

bool refuse(const std::string& usage, std::string& problem)
{
    problem = "expected: " + usage;
    return false;
}

} // namespace

// Each queued step is read by one poll, so a command waits as many frames as it queued steps.
bool runInputScriptCommand(const std::vector<std::string>& words, int& framesToWait, std::string& problem)
{
    if (words.empty())
        return false;
    const std::string& cmd = words[0];

    if (cmd == "move" || cmd == "pointer" || cmd == "click" || cmd == "quickclick") {
        const bool moves = cmd == "move" || cmd == "pointer";
        const std::string usage = cmd + (moves ? " X Y" : " X Y [left|right|middle]");
        if (words.size() < 3)
            return refuse(usage, problem);
        const auto x = number(words[1]), y = number(words[2]);
        const auto b = button(words, 3);
        if (!x || !y || !b || (moves && words.size() != 3))
            return refuse(usage, problem);
        framesToWait = 1;
        if (cmd == "move")
            moveMouseTo(*x, *y);
        else if (cmd == "pointer")
            movePointerTo(*x, *y);
        else if (cmd == "quickclick")
            quickClickAt(*x, *y, *b);
        else {
            clickAt(*x, *y, *b);
            framesToWait = 2;
        }
        return true;
    }
    if (cmd == "press" || cmd == "release") {
        const auto b = button(words, 1);
        if (!b)
            return refuse(cmd == "press" ? "press [left|right|middle]" : "release [left|right|middle]", problem);
        cmd == "press" ? pressButton(*b) : releaseButton(*b);
        framesToWait = 1;
        return true;
    }
    if (cmd == "key" || cmd == "quickkey" || cmd == "keydown" || cmd == "keyup") {
        const auto key = words.size() == 2 ? keyCodesFromName(words[1]) : std::nullopt;
        if (!key)
            return refuse(cmd + " NAME (A-Z, 0-9, F1-F12, ESCAPE, SPACE, RETURN, ...)", problem);
        if (cmd == "key") {
            tapKey(*key);
            framesToWait = 2;
        } else if (cmd == "quickkey") {
            quickTapKey(*key);
            framesToWait = 1;
        } else {
            cmd == "keydown" ? keyDown(*key) : keyUp(*key);
            framesToWait = 1;
        }
        return true;
    }
    if (cmd == "activate" || cmd == "deactivate") {
        if (words.size() != 1)
            return refuse(cmd, problem);
        setInputFocus(cmd == "activate");
        framesToWait = 1;
        return true;
    }
    return false;
}

} // namespace plat::headless
