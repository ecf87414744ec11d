// Entry prefixes, continuation indentation and the log file's lazy opening.
#include "talvo/log_file_buf.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "talvo/log_file.h"
#include "talvo/text_line.h"

namespace talvo {

namespace {

bool sameCategory(const char* a, const char* b) {
    return std::strcmp(a != nullptr ? a : "", b != nullptr ? b : "") == 0;
}

}  // namespace

bool debuggerPresent() noexcept {
    try {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("TracerPid:", 0) == 0) return std::strtol(line.c_str() + 10, nullptr, 10) != 0;
        }
    } catch (...) {
    }
    return false;
}

LogFileBuf::LogFileBuf(std::string fileName, OpenMode mode)
    : debugger_(debuggerPresent()),
      mode_(fileName.empty() ? OpenMode{} : mode),
      fileName_(std::move(fileName)) {
    file_.setQuiet(true);
}

LogFileBuf::~LogFileBuf() = default;

void LogFileBuf::formatPrefix() {
    prefix_.clear();
    if (category_ != nullptr) {
        prefix_ += '[';
        prefix_ += category_;
        prefix_ += "] ";
    }
    if (kind_ == LogKind::error) prefix_ += "error: ";
    else if (kind_ == LogKind::warning) prefix_ += "warning: ";
}

void LogFileBuf::beginEntry(const char* category, LogKind kind, std::int32_t level) {
    if (pptr() > pbase() && (kind != kind_ || !sameCategory(category, category_))) flushLine(traits_type::eof());
    category_ = category;
    kind_ = kind;
    level_ = level;
    formatPrefix();
    atEntryStart_ = true;
    pendingIndent_ = false;
}

LogFileBuf::int_type LogFileBuf::overflow(int_type c) {
    if ((mode_ & std::ios_base::out) == OpenMode{}) return traits_type::eof();
    if (!buffer_) {
        buffer_ = std::make_unique<char[]>(bufferSize);
        setp(buffer_.get(), buffer_.get() + bufferSize - 2);
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }
    flushLine(c);
    // not_eof: a byte of 0x80 or above is a negative char, which the stream would take for end of file.
    return traits_type::not_eof(c);
}

int LogFileBuf::sync() {
    flushLine(traits_type::eof());
    return 0;
}

void LogFileBuf::giveUp() {
    char reason[256];
    file_.lastError().describe(reason, sizeof reason);
    std::fprintf(stderr, "talvo: the log file '%s' cannot be written (%s); its warnings and errors go to stderr.\n",
                 textInLine(openedPath_).c_str(), reason);
    file_.close();
    fileName_.clear();
    debugger_ = true;
}

void LogFileBuf::flushLine(int_type c) {
    if (!buffer_) return;
    const bool hasChar = !traits_type::eq_int_type(c, traits_type::eof());
    // The put area stops two bytes short of the buffer: room for c and a terminating zero.
    if (hasChar) *pptr() = traits_type::to_char_type(c);
    const std::size_t length = static_cast<std::size_t>(pptr() - pbase()) + (hasChar ? 1 : 0);
    if (length == 0) return;
    const char* text = pbase();

    if (!file_.isOpen() && !fileName_.empty()) {
        LogGateSuspension quiet;
        openedPath_ = openLogFileSomewhere(file_, fileName_, mode_);
        if (openedPath_.empty()) fileName_.clear();
    }

    std::string out;
    out.reserve(length + prefix_.size() * 2);
    if (atEntryStart_) {
        out = prefix_;
        atEntryStart_ = false;
    } else if (pendingIndent_) {
        out.assign(prefix_.size(), ' ');
        pendingIndent_ = false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        out += text[i];
        if (text[i] == '\n' && i + 1 < length) out.append(prefix_.size(), ' ');
    }
    if (text[length - 1] == '\n') pendingIndent_ = true;

    const bool toStderr = kind_ != LogKind::info;
    const bool mirrored = debugger_ && toStderr;
    if (mirrored) std::fwrite(out.data(), 1, out.size(), stderr);
    if (file_.isOpen() && file_.write(out.data(), out.size()) != out.size()) {
        giveUp();
        // The line the file refused is the first that stderr takes in its place.
        if (toStderr && !mirrored) std::fwrite(out.data(), 1, out.size(), stderr);
    }
    setp(buffer_.get(), buffer_.get() + bufferSize - 2);
}

}  // namespace talvo
