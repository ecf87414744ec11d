// Channels and entries of the process-wide log.
#include "talvo/log.h"

#include "talvo/log_config.h"
#include "talvo/log_stream.h"

namespace talvo {

constinit LogChannel exceptionLog{"exception", 1};
constinit LogChannel logError{&LogChannel::processLog, 1};
constinit LogChannel logWarning{&LogChannel::processLog, 2};
constinit LogChannel logInfo{&LogChannel::processLog, 4};
constinit LogChannel assertionLog{"assertion", 1};
constinit LogChannel assertionInfoLog{"assertion", 4};

namespace io {
constinit LogChannel logInfo{"talvo.io", 4};
constinit LogChannel logWarning{"talvo.io", 2};
constinit LogChannel logError{"talvo.io", 1};
}  // namespace io

namespace {
constinit bool firstEntry = true;
}

LogEntry::LogEntry(LogStream* stream)
    : stream_(stream), sentry_(stream != nullptr ? new LogStream::Sentry(*stream) : nullptr) {}

LogStream* LogChannel::processLog() { return &LogStream::instance(); }

const LogCategory& LogChannel::record() {
    if (hasRecord_ && record_ == nullptr) record_ = &categoryRecord(category_);
    return record_ != nullptr ? *record_ : logDefaults;
}

LogEntry LogChannel::entry(std::int32_t level) {
    std::lock_guard lock(logCriticalSection());
    if (firstEntry) {
        firstEntry = false;
        LogConfig::load();
    }
    if (!logGate.passes(kind_, level) || !record().passes(kind_, level)) return {};
    if (stream_ == nullptr && getter_ != nullptr) stream_ = getter_();
    if (stream_ == nullptr) return {};
    LogEntry entry(stream_);
    stream_->buffer().beginEntry(category_, kind_, level);
    return entry;
}

}  // namespace talvo
