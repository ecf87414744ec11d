// Fuzz target: the headless script runner (VELMOOR_SCRIPT) reading a script file when the
// window opens and running it between presents, with the window's messages pumped as the game
// does, until the script closes the window or a few thousand frames have passed. Every input
// starts from a fresh headless backend.
#include "fuzz/fuzz_files.h"
#include "platform/headless/display.h"
#include "platform/headless/script_runner.h"
#include "platform/platform.h"
#include "platform/window.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {
// The runner's own reading of a line: the words before any '#'.
std::vector<std::string> wordsOf(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line.substr(0, line.find('#')));
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

// The script with every "dump" line writing into the harness's folder, so no input writes files
// elsewhere (its file name is the rest of the line).
std::string confineDumps(const uint8_t* data, size_t size, const std::string& dumpPath)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::string script;
    for (std::string line; std::getline(in, line);) {
        const auto words = wordsOf(line);
        script += !words.empty() && words[0] == "dump" ? "dump \"" + dumpPath + "\"" : line;
        script += '\n';
    }
    return script;
}

bool closed = false;
void windowProc(void*, const plat::Message& message)
{
    if (message.message == plat::msg::Destroy)
        closed = true;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    plat::setBackendKind(plat::BackendKind::Headless);
    ::setenv("VELMOOR_SCRIPT", (fuzz::tempFolder() + "/script.txt").c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string scriptPath = fuzz::tempFolder() + "/script.txt";
    static const std::string dumpPath = fuzz::tempFolder() + "/frame.bmp";
    const std::string script = confineDumps(data, size, dumpPath);
    fuzz::writeFile(scriptPath, reinterpret_cast<const uint8_t*>(script.data()), script.size());

    plat::headless::reset();
    closed = false;
    plat::WindowDesc desc;
    desc.title = "Velmoor";
    desc.width = 800;
    desc.height = 600;
    desc.proc = windowProc;
    const plat::WindowId window = plat::createWindow(desc);
    if (window == 0)
        std::abort();
    plat::headless::PresentedFrame frame;
    frame.format = plat::format::Rgb565;
    frame.width = 4;
    frame.height = 3;
    frame.pitch = 8;
    frame.pixels = plat::headless::FrameBytes(std::vector<uint8_t>(24, 0x5A));
    for (int n = 0; n < 3000 && !closed; ++n) {
        while (!closed && plat::dispatchOneMessage(window)) {
        }
        if (closed)
            break;
        ++frame.number;
        plat::headless::scriptAfterPresent(frame);
    }
    if (plat::isWindow(window))
        plat::destroyWindow(window);
    plat::headless::reset();
    return 0;
}
