// The X display probe: fd 2 lent to a pipe while libxcb speaks, and given back whatever happens.
#include "platform/sdl/video.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <string>

namespace {
// The dup2 onto fd 2 of that number (1: the first) fails with EBUSY, as in a race with an open.
std::atomic<int> failedOntoStderr{0};
std::atomic<int> ontoStderr{0};
} // namespace

extern "C" int dup2(int from, int to) noexcept
{
    static const auto real = reinterpret_cast<int (*)(int, int)>(::dlsym(RTLD_NEXT, "dup2"));
    if (to == 2 && failedOntoStderr != 0 && ++ontoStderr == failedOntoStderr) {
        errno = EBUSY;
        return -1;
    }
    return real(from, to);
}

namespace {
std::string stderrTarget()
{
    std::error_code error;
    const std::filesystem::path target = std::filesystem::read_symlink("/proc/self/fd/2", error);
    return error ? error.message() : target.string();
}

// A display number no X server listens on.
std::string freeDisplay()
{
    for (int n = 500;; ++n)
        if (!std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n)))
            return ":" + std::to_string(n);
}
} // namespace

TEST(X11Probe, AStderrThatCannotBeGivenBackIsNeverLeftOnThePipe)
{
    const int kept = ::fcntl(2, F_DUPFD_CLOEXEC, 3);
    ASSERT_GE(kept, 0);
    const std::string before = stderrTarget();
    const std::string display = freeDisplay();
    // The first dup2 onto fd 2 lends it to the pipe, the second gives it back.
    ontoStderr = 0;
    failedOntoStderr = 2;
    const std::string refusal = plat::sdl::x11DisplayRefusal(display.c_str());
    failedOntoStderr = 0;
    const std::string after = stderrTarget();
    ASSERT_EQ(::dup2(kept, 2), 2);
    ::close(kept);
    EXPECT_EQ(ontoStderr.load(), 3) << "lent, failed to come back, then put on /dev/null";
    EXPECT_EQ(after, "/dev/null") << "stderr was " << before;
    EXPECT_EQ(refusal, "no X server answers at " + display);
}

// The layer's textInLine behind it: C0, DEL and C1 (its UTF-8 code points and lone bytes) as '?',
// any other UTF-8 character whole, even where the cut falls inside one.
TEST(X11Probe, ADisplayNameIsShownOnOneLineAndCut)
{
    EXPECT_EQ(plat::sdl::displayInLine(":0.1"), ":0.1");
    EXPECT_EQ(plat::sdl::displayInLine("a\nb\x7f"), "a?b?");
    EXPECT_EQ(plat::sdl::displayInLine("\x1b[2J\xc2\x9b" "1m\xc2\x85\x9b:\xc2\xa0\xc3\xa4\xe6\x97\xa5\xf0\x9f\x98\x80\xe9"),
              "?[2J?1m??:\xc2\xa0\xc3\xa4\xe6\x97\xa5\xf0\x9f\x98\x80\xe9");
    EXPECT_EQ(plat::sdl::displayInLine(std::string(80, 'x').c_str()), std::string(80, 'x'));
    EXPECT_EQ(plat::sdl::displayInLine(std::string(81, 'x').c_str()), std::string(80, 'x') + "... (81 bytes)");
    EXPECT_EQ(plat::sdl::displayInLine((std::string(79, 'x') + "\xe6\x97\xa5").c_str()), std::string(79, 'x') + "... (82 bytes)");
}
