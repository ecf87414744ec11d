// The process-wide log stream: a standard output stream over the log's buffer.
#pragma once

#include <mutex>
#include <ostream>
#include <string>

#include "talvo/log_file_buf.h"

namespace talvo {

class LogStream : public std::ostream {
public:
    // Lives as long as the last copy of an entry: records the stream and whether it was good, and
    // at its end flushes a unit-buffered stream. It holds the log's lock throughout, so entries
    // from several threads never mix; an entry therefore stays on the thread that opened it.
    class Sentry {
    public:
        explicit Sentry(std::ostream& stream) : lock_(logCriticalSection()), stream_(stream), ok_(stream.good()) {}
        Sentry(const Sentry&) = delete;
        Sentry& operator=(const Sentry&) = delete;
        ~Sentry();
        [[nodiscard]] bool ok() const noexcept { return ok_; }

    private:
        std::unique_lock<std::recursive_mutex> lock_;
        std::ostream& stream_;
        bool ok_;
    };

    // The buffer gets the name and the mode with out added; an empty name gives a buffer without
    // a file (mode 0).
    LogStream(const std::string& fileName, OpenMode mode);
    ~LogStream() override;

    [[nodiscard]] LogFileBuf& buffer() noexcept { return buffer_; }

    // The process-wide stream over logFileName(), made at first use. It is never destroyed, so exit
    // handlers that run late can still log; pending text is written at exit.
    [[nodiscard]] static LogStream& instance();

private:
    LogFileBuf buffer_;
};

}  // namespace talvo
