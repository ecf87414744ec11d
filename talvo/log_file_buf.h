// The log's stream buffer: entry prefixes, indented continuation lines, file opened at first text.
#pragma once

#include <cstdint>
#include <ios>
#include <memory>
#include <streambuf>
#include <string>

#include "talvo/file.h"
#include "talvo/log_category.h"

namespace talvo {

class LogFileBuf : public std::streambuf {
public:
    static constexpr std::size_t bufferSize = 4096;

    // mode 0 or an empty name leave the buffer without a file.
    LogFileBuf(std::string fileName, OpenMode mode);
    ~LogFileBuf() override;

    // Starts an entry; pending text of another category or kind is written out first.
    void beginEntry(const char* category, LogKind kind, std::int32_t level);

    // The path of the file actually opened (empty until the first flush, or when none could be made).
    [[nodiscard]] const std::string& openedPath() const noexcept { return openedPath_; }
    // The opened file's descriptor (-1 until the first flush, or when none could be made).
    [[nodiscard]] int descriptor() const noexcept { return file_.descriptor(); }
    // The name the buffer was given (cleared when the file could be created nowhere).
    [[nodiscard]] const std::string& fileName() const noexcept { return fileName_; }
    [[nodiscard]] const std::string& prefix() const noexcept { return prefix_; }
    // True when errors and warnings are mirrored to stderr (a tracer was attached at construction,
    // or the file refused a write).
    [[nodiscard]] bool mirrorsToDebugger() const noexcept { return debugger_; }
    void setMirrorsToDebugger(bool on) noexcept { debugger_ = on; }
    // True when errors and warnings reach stderr and no file takes them, now or later: none could
    // be made, or the one made refused a write.
    [[nodiscard]] bool onStderrOnly() const noexcept { return debugger_ && !file_.isOpen() && fileName_.empty(); }

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    // Writes the pending text (and c, when it is a character). Text no output takes is dropped,
    // never a failure of the stream: a failed stream would turn away the later entries too.
    void flushLine(int_type c);
    // The log's own file failed: said once on stderr, then the log goes on without a file, its
    // warnings and errors on stderr.
    void giveUp();
    void formatPrefix();

    bool debugger_;
    File file_;
    OpenMode mode_;
    std::string fileName_;
    std::string openedPath_;
    std::unique_ptr<char[]> buffer_;
    const char* category_ = nullptr;
    LogKind kind_ = LogKind::info;
    std::int32_t level_ = 0;
    std::string prefix_;
    bool atEntryStart_ = true;
    bool pendingIndent_ = false;
};

// True when a tracer (debugger) is attached to this process (TracerPid in /proc/self/status).
[[nodiscard]] bool debuggerPresent() noexcept;

}  // namespace talvo
