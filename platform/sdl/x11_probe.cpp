// Asks the X display whether it takes the game before SDL tries it: a server that refuses the
// connection has libxcb write its reason to stderr at every try of SDL's (more than one), and SDL
// itself then tells no more than that no display came up.
#include "platform/sdl/video.h"
#include "platform/text_line.h"

#include <xcb/xcb.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace plat::sdl {
namespace {

// The server's words as one line: line breaks and other control bytes become single blanks.
std::string oneLine(const char* text, std::size_t size)
{
    std::string line;
    for (std::size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c > ' ' && c != 0x7F)
            line += static_cast<char>(c);
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

// Connects and lets go at once; what libxcb wrote to fd 2 meanwhile lands in `said` instead.
// The descriptor is redirected for the whole process, which is safe only because nothing else
// of the game writes then: the video subsystem, and with it this, comes up before the sound's
// threads start. The pipe does not block, so a reason longer than it holds is cut, never waited on.
int connectionError(const char* display, std::string& said)
{
    int words[2] = {-1, -1};
    int kept = -1;
    std::fflush(stderr);
    if (::fcntl(2, F_GETFD) != -1 && ::pipe2(words, O_CLOEXEC | O_NONBLOCK) == 0) {
        kept = ::fcntl(2, F_DUPFD_CLOEXEC, 3);
        if (kept < 0 || ::dup2(words[1], 2) < 0) {
            if (kept >= 0)
                ::close(kept);
            kept = -1;
        }
    }
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(display, &screen);
    int error = xcb_connection_has_error(connection);
    // libxcb leaves a screen beyond the server's to its caller; Xlib refuses it.
    if (error == 0 && screen >= xcb_setup_roots_length(xcb_get_setup(connection)))
        error = XCB_CONN_CLOSED_INVALID_SCREEN;
    xcb_disconnect(connection);
    if (kept >= 0) {
        // Left on the pipe, whose reader goes below, fd 2 would take no line of the game's again.
        if (::dup2(kept, 2) < 0)
            if (const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC); null >= 0) {
                (void)::dup2(null, 2);
                ::close(null);
            }
        ::close(kept);
    }
    if (words[0] >= 0) {
        ::close(words[1]);
        char text[1024];
        const ssize_t got = ::read(words[0], text, sizeof text);
        if (got > 0)
            said = oneLine(text, static_cast<std::size_t>(got));
        ::close(words[0]);
    }
    return error;
}
} // namespace

std::string displayInLine(const char* display)
{
    // Enough for any display name a person sets; a longer value is someone's mistake or attack.
    return textInLine(display, 80);
}

std::string x11DisplayRefusal(const char* name)
{
    const std::string display = displayInLine(name);
    std::string said;
    switch (connectionError(name, said)) {
    case 0:
        return "";
    case XCB_CONN_CLOSED_PARSE_ERR:
        return display + " is not an X display name";
    case XCB_CONN_CLOSED_INVALID_SCREEN:
        return std::string("the X server at ") + display + " has no screen of that number";
    case XCB_CONN_CLOSED_MEM_INSUFFICIENT:
        return std::string("out of memory connecting to ") + display;
    default:
        // Only a server that answered and refused gives a reason.
        if (!said.empty())
            return std::string("the X server at ") + display + " refused the connection: " + said;
        return std::string("no X server answers at ") + display;
    }
}

} // namespace plat::sdl
