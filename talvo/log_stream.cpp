// The process-wide log stream, kept alive to the very end of the process.
#include "talvo/log_stream.h"

#include <cstdlib>
#include <mutex>
#include <new>

#include "talvo/log_file.h"

namespace talvo {

LogStream::LogStream(const std::string& fileName, OpenMode mode)
    : std::ostream(nullptr), buffer_(fileName, mode | std::ios_base::out) {
    rdbuf(&buffer_);
    setf(std::ios_base::left);
}

LogStream::~LogStream() = default;

LogStream::Sentry::~Sentry() {
    // Once the process is exiting the stream is unit-buffered, so late entries still reach the file.
    if ((stream_.flags() & std::ios_base::unitbuf) != 0) stream_.flush();
}

namespace {

LogStream* processStream = nullptr;

// Writes what is pending and makes every later entry flush itself, so handlers that run after
// this one still reach the file.
void flushAtExit() {
    std::lock_guard lock(logCriticalSection());
    if (processStream == nullptr) return;
    processStream->flush();
    processStream->setf(std::ios_base::unitbuf);
}

}  // namespace

LogStream& LogStream::instance() {
    std::lock_guard lock(logCriticalSection());
    if (processStream == nullptr) {
        // Never destroyed: exit handlers registered before the log was made run after any
        // destructor we could register and may still log.
        processStream = new LogStream(logFileName(), std::ios_base::out | std::ios_base::trunc);
        std::atexit(flushAtExit);
    }
    return *processStream;
}

}  // namespace talvo
