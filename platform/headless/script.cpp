// The VELMOOR_SCRIPT runner: one command per line, run between presents, so the real
// executable can be driven without a person. The window closes when the script ends.
#include "platform/headless/display.h"
#include "platform/headless/script.h"
#include "platform/headless/script_runner.h"
#include "platform/headless/window.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace plat::headless {
namespace {
struct Line {
    int number = 0;
    std::vector<std::string> words;
};

struct ScriptState {
    std::vector<Line> lines;
    std::size_t next = 0;
    int wait = 0;
    std::string pendingDump;
    bool running = false;
};
constinit ScriptState* storage = nullptr;

ScriptState& script()
{
    if (!storage)
        storage = new ScriptState; // lives to the end of the process
    return *storage;
}

std::vector<std::string> split(const std::string& text)
{
    std::vector<std::string> words;
    std::istringstream in(text.substr(0, text.find('#')));
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

void complain(const Line& line, const std::string& what)
{
    std::fprintf(stderr, "velmoor: script line %d: %s\n", line.number, what.c_str());
}

// Runs commands until one asks to wait for presents, or the script ends.
void run()
{
    ScriptState& s = script();
    while (s.running && s.wait == 0 && s.pendingDump.empty()) {
        if (s.next >= s.lines.size()) {
            s.running = false;
            requestClose();
            return;
        }
        const Line& line = s.lines[s.next++];
        const std::string& word = line.words[0];
        if (word == "wait") {
            char* end = nullptr;
            const long n = line.words.size() == 2 ? std::strtol(line.words[1].c_str(), &end, 10) : -1;
            if (n < 0 || n > 1000000 || (end && *end)) {
                complain(line, "wait needs a frame count");
                continue;
            }
            s.wait = static_cast<int>(n);
        } else if (word == "dump") {
            if (line.words.size() != 2) {
                complain(line, "dump needs one file name");
                continue;
            }
            s.pendingDump = line.words[1];
        } else if (word == "close") {
            requestClose();
        } else {
            int frames = 0;
            if (!runInputScriptCommand(line.words, frames))
                complain(line, "unknown command '" + word + "'");
            else
                s.wait = frames > 0 ? frames : 0;
        }
    }
}
} // namespace

void startScript()
{
    resetScript();
    const char* path = std::getenv("VELMOOR_SCRIPT");
    if (!path || !*path)
        return;
    ScriptState& s = script();
    s.running = true;
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "velmoor: cannot read the script %s\n", path);
        run(); // an empty script: the window closes at once
        return;
    }
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        Line line{number, split(text)};
        if (!line.words.empty())
            s.lines.push_back(std::move(line));
    }
    run();
}

void scriptAfterPresent(const PresentedFrame& frame)
{
    ScriptState& s = script();
    if (!s.running)
        return;
    if (!s.pendingDump.empty()) {
        if (!writeFrameBmp(s.pendingDump, frame))
            std::fprintf(stderr, "velmoor: cannot write %s\n", s.pendingDump.c_str());
        s.pendingDump.clear();
    } else if (s.wait > 0) {
        --s.wait;
    }
    run();
}

void resetScript() { script() = ScriptState{}; }

} // namespace plat::headless
