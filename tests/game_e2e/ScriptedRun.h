// What the tests that run the built game on a script share: the won 6x6 as script lines, a
// condition waited for, and the game process's state as /proc shows it.
#pragma once

#include "tests/game/BoardModel.h"

#include <sys/types.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

// A 6x6 board from the menu, toured from the corner to the won screen, and the won screen left
// for the menu: over an old best score of 5 the best score is then 36, and the rank 1.
inline std::string wonTourScript(const std::string& dumpWon = "")
{
    std::ostringstream script;
    script << "click 300 200 # the 6x6 button\n"
           << "wait 120 # the menu fades out, the board starts\n";
    for (const Square s : knightsTour(6, Square{0, 0})) {
        const ScreenPoint c = Layout6x6.centre(s);
        script << "click " << c.x << ' ' << c.y << "\nwait 1\n";
    }
    if (!dumpWon.empty())
        script << "dump " << dumpWon << "\n";
    script << "click 400 300\n"
           << "wait 130 # the board fades out, the menu fades in\n";
    return script.str();
}

// Polls the condition until it holds (true) or a minute has passed (false).
inline bool eventually(const std::function<bool()>& condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// The line of /proc/PID/status with that name ("SigPnd"), after its name; "" when it is not
// there (the process is gone).
inline std::string statusLine(pid_t pid, const std::string& name)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(name + ":", 0) == 0)
            return line.substr(name.size() + 1);
    return "";
}
