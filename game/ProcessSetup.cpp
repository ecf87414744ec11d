// The process's surroundings made safe: descriptors 0-2, the write signals, the end signals' mask.
#include "game/ProcessSetup.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <initializer_list>

void prepareProcess() noexcept
{
    // Left closed, a descriptor would become the next file opened (the log, the X connection),
    // and a line meant for stderr would be written into it.
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free number: fd itself, the ones below it being open by now.
        const int null = ::open("/dev/null", O_RDWR);
        if (null > fd) {
            (void)::dup2(null, fd);
            (void)::close(null);
        }
    }
    // Ending the game at such a write would lose the best score it holds. The game starts no
    // program that would inherit the disposition; the end signals' handler still ends the
    // process by its own signal.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    (void)::sigaction(SIGPIPE, &ignore, nullptr);
    (void)::sigaction(SIGXFSZ, &ignore, nullptr);
    // Threads started later inherit the mask.
    sigset_t ends;
    sigemptyset(&ends);
    for (const int signal : {SIGHUP, SIGINT, SIGTERM, SIGXCPU})
        sigaddset(&ends, signal);
    (void)::sigprocmask(SIG_UNBLOCK, &ends, nullptr);
}
