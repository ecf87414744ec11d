// Log channels: static objects that open entries of one category, kind and level.
#pragma once

#include <cstdint>
#include <ostream>

#include "talvo/log_category.h"
#include "talvo/log_stream.h"
#include "talvo/ptr_refs.h"

namespace talvo {

// One open entry, copied by value; a turned-away entry writes nothing. Write with <<, end with
// std::endl. The copies share one sentry, which the last of them ends; until then the entry holds
// the log's lock, so it must not wait on another thread that logs, nor move to another thread.
class LogEntry {
public:
    LogEntry() noexcept = default;
    // An entry of the stream (null: turned away).
    explicit LogEntry(LogStream* stream);

    // True when the entry was let through.
    [[nodiscard]] explicit operator bool() const noexcept { return stream_ != nullptr; }
    [[nodiscard]] std::ostream* stream() const noexcept { return stream_; }
    [[nodiscard]] const SharedPtr<LogStream::Sentry>& sentry() const noexcept { return sentry_; }

    template <class T>
    LogEntry& operator<<(const T& value) {
        if (stream_ != nullptr) *stream_ << value;
        return *this;
    }
    LogEntry& operator<<(std::ostream& (*manipulator)(std::ostream&)) {
        if (stream_ != nullptr) manipulator(*stream_);
        return *this;
    }

private:
    std::ostream* stream_ = nullptr;
    SharedPtr<LogStream::Sentry> sentry_;
};

class LogChannel {
public:
    using Getter = LogStream* (*)();

    // A channel of the process-wide log for a category. kindFlag: bit 1 error, else bit 2 warning,
    // else info. Constant-initialised, so channels in any file are usable by any static initialiser.
    constexpr LogChannel(const char* category, int kindFlag, std::int32_t level = 0) noexcept
        : getter_(processLog), category_(category != nullptr ? category : ""),
          hasRecord_(true), kind_(kindFromFlag(kindFlag)), level_(level) {}
    // A category-less channel whose stream comes from the getter.
    constexpr LogChannel(Getter getter, int kindFlag, std::int32_t level = 0) noexcept
        : getter_(getter), kind_(kindFromFlag(kindFlag)), level_(level) {}
    // A category-less channel over a given stream.
    constexpr LogChannel(LogStream* stream, int kindFlag, std::int32_t level = 0) noexcept
        : stream_(stream), kind_(kindFromFlag(kindFlag)), level_(level) {}

    // Opens an entry at the given level, or a turned-away one. The first entry of the process reads
    // the log settings file first.
    [[nodiscard]] LogEntry entry(std::int32_t level);
    [[nodiscard]] LogEntry entry() { return entry(level_); }

    // The stream once an entry has been opened, else null.
    [[nodiscard]] LogStream* stream() const noexcept { return stream_; }
    [[nodiscard]] LogKind kind() const noexcept { return kind_; }
    [[nodiscard]] std::int32_t level() const noexcept { return level_; }
    [[nodiscard]] const char* category() const noexcept { return category_; }

    // The process-wide log stream (LogStream::instance).
    static LogStream* processLog();

private:
    static constexpr LogKind kindFromFlag(int flag) noexcept {
        return (flag & 1) != 0 ? LogKind::error : (flag & 2) != 0 ? LogKind::warning : LogKind::info;
    }
    [[nodiscard]] const LogCategory& record();

    LogStream* stream_ = nullptr;
    Getter getter_ = nullptr;
    const char* category_ = "";
    LogCategory* record_ = nullptr;  // looked up at the first entry; null means logDefaults
    bool hasRecord_ = false;
    LogKind kind_;
    std::int32_t level_;
};

// Opens an entry at the channel's level and writes the value: log::ioError << "x" << std::endl.
template <class T>
LogEntry operator<<(LogChannel& channel, const T& value) {
    LogEntry entry = channel.entry();
    entry << value;
    return entry;
}

// The system's channels.
extern LogChannel exceptionLog;      // "exception", error: the throw report
extern LogChannel logError;          // process-wide log, no category, error
extern LogChannel logWarning;        // process-wide log, no category, warning
extern LogChannel logInfo;           // process-wide log, no category, info
extern LogChannel assertionLog;      // "assertion", error
extern LogChannel assertionInfoLog;  // "assertion", info

namespace io {
extern LogChannel logInfo;     // "talvo.io", info: files opened
extern LogChannel logWarning;  // "talvo.io", warning: failed opens for reading
extern LogChannel logError;    // "talvo.io", error: other file and stream failures
}  // namespace io

}  // namespace talvo
