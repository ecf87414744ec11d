// The VELMOOR_SCRIPT runner: one command per line, run between presents, so the real
// executable can be driven without a person. The window closes when the script ends.
#include "platform/headless/display.h"
#include "platform/headless/script.h"
#include "platform/bounded_read.h"
#include "platform/headless/script_runner.h"
#include "platform/headless/window.h"
#include "platform/text_line.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace plat::headless {
namespace {
struct Line {
    int number = 0;
    std::vector<std::string> words;
    std::string rest; // the text after the first word, for a file name that holds blanks
};

// Far beyond any script a test or a person writes (a million lines of "wait 1000000").
constexpr std::size_t MaxScriptBytes = std::size_t{16} << 20;

// Enough to see what is wrong with a script; a flood of lines it cannot run (a file that is no
// script) is counted instead, so a stderr that nobody reads never fills and stops the game.
constexpr int namedComplaints = 10;
// A script's word or file name is quoted up to this many bytes, as a long DISPLAY is.
constexpr std::size_t quotedBytes = 80;

struct ScriptState {
    std::vector<Line> lines;
    std::size_t next = 0;
    int wait = 0;
    std::string pendingDump;
    int dumpLine = 0;
    int complaints = 0;
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

constexpr std::string_view blanks = " \t\r\v\f";

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Appended, not prefixed: g++ 12 at -O2 takes "'" + string for an overlapping copy.
std::string quoted(std::string_view text)
{
    std::string line(1, '\'');
    line += textInLine(text, quotedBytes);
    line += '\'';
    return line;
}

void complain(int number, const std::string& what)
{
    if (++script().complaints <= namedComplaints)
        std::fprintf(stderr, "velmoor: script line %d: %s\n", number, what.c_str());
}

// Once, as the script stops: the lines it could not run beyond those named.
void stop()
{
    ScriptState& s = script();
    s.running = false;
    if (s.complaints > namedComplaints)
        std::fprintf(stderr, "velmoor: %d more script lines could not be run\n",
                     s.complaints - namedComplaints);
    s.complaints = 0;
}

// The whole script, read only from a regular file within MaxScriptBytes: a device would never
// end (/dev/zero), a pipe without a writer would block the start. False with the reason in why.
bool readScriptFile(const char* path, std::string& contents, std::string& why)
{
    const auto fail = [&](int error) {
        why = std::strerror(error);
        return false;
    };
    struct Descriptor {
        int fd = -1;
        ~Descriptor()
        {
            if (fd >= 0)
                ::close(fd);
        }
    } file;
    do
        file.fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    while (file.fd < 0 && errno == EINTR);
    const int fd = file.fd;
    if (fd < 0)
        return fail(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(errno);
    if (!S_ISREG(st.st_mode)) {
        why = "not a regular file";
        return false;
    }
    const auto tooLarge = [&] {
        why = "larger than " + std::to_string(MaxScriptBytes >> 20) + " MiB";
        return false;
    };
    if (static_cast<uint64_t>(st.st_size) > MaxScriptBytes)
        return tooLarge();
    int error = 0;
    switch (readToEnd(fd, static_cast<uint64_t>(st.st_size), MaxScriptBytes, contents, error)) {
    case BoundedRead::Ok: return true;
    case BoundedRead::TooLarge: return tooLarge();
    case BoundedRead::Failed: return fail(error);
    }
    return false;
}

// Runs commands until one asks to wait for presents, or the script ends.
void run()
{
    ScriptState& s = script();
    while (s.running && s.wait == 0 && s.pendingDump.empty()) {
        if (s.next >= s.lines.size()) {
            stop();
            requestClose();
            return;
        }
        const Line& line = s.lines[s.next++];
        const std::string& word = line.words[0];
        if (word == "wait") {
            char* end = nullptr;
            const long n = line.words.size() == 2 ? std::strtol(line.words[1].c_str(), &end, 10) : -1;
            if (n < 0 || n > 1000000 || (end && *end)) {
                complain(line.number, "wait needs a frame count");
                continue;
            }
            s.wait = static_cast<int>(n);
        } else if (word == "dump") {
            std::string problem;
            auto name = scriptFileName(line.rest, problem);
            if (!name) {
                complain(line.number, "dump " + problem);
                continue;
            }
            s.pendingDump = std::move(*name);
            s.dumpLine = line.number;
        } else if (word == "close") {
            requestClose();
        } else {
            int frames = 0;
            std::string problem;
            if (!runInputScriptCommand(line.words, frames, problem))
                complain(line.number, problem.empty() ? "unknown command " + quoted(word)
                                                      : "bad " + quoted(word) + " command, " + problem);
            else
                s.wait = frames > 0 ? frames : 0;
        }
    }
}
} // namespace

std::optional<std::string> scriptFileName(std::string_view rest, std::string& problem)
{
    std::string_view name = trimmed(rest.substr(0, rest.find('#')));
    if (!name.empty() && name.front() == '"') {
        // The quote may hold a '#', so the comment is looked for after it.
        const std::string_view quoted = trimmed(rest).substr(1);
        const auto close = quoted.find('"');
        if (close == std::string_view::npos) {
            problem = "needs a closing quote after its file name";
            return std::nullopt;
        }
        const std::string_view after = trimmed(quoted.substr(close + 1));
        if (!after.empty() && after.front() != '#') {
            problem = "takes one file name: only a comment may follow its closing quote";
            return std::nullopt;
        }
        name = quoted.substr(0, close);
    }
    if (name.empty()) {
        problem = "needs a file name";
        return std::nullopt;
    }
    return std::string(name);
}

void startScript()
{
    resetScript();
    const char* path = std::getenv("VELMOOR_SCRIPT");
    if (!path || !*path)
        return;
    ScriptState& s = script();
    s.running = true;
    std::string contents, why;
    if (!readScriptFile(path, contents, why)) {
        std::fprintf(stderr, "velmoor: cannot read the script %s (%s)\n", textInLine(path).c_str(), why.c_str());
        run(); // an empty script: the window closes at once
        return;
    }
    std::istringstream in(contents);
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        Line line{number, split(text), {}};
        if (line.words.empty())
            continue;
        // Only blanks come before the first word, so its first match is the word itself.
        line.rest = text.substr(text.find(line.words[0]) + line.words[0].size());
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
        if (std::string why; !writeFrameBmp(s.pendingDump, frame, &why))
            complain(s.dumpLine, "dump cannot write " + quoted(s.pendingDump) + " (" + why + ")");
        s.pendingDump.clear();
    } else if (s.wait > 0) {
        --s.wait;
    }
    run();
}

void endScript()
{
    if (script().running)
        stop();
}

void resetScript() { script() = ScriptState{}; }

} // namespace plat::headless
