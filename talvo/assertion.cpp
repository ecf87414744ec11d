// The assertion box and the error box with the recent log lines.
#include "talvo/assertion.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>

#include "talvo/log.h"
#include "talvo/log_stream.h"

namespace talvo {

namespace {

std::int32_t nesting = -1;

int stderrBox(void*, const char* text, const char* title, std::uint32_t) {
    std::fprintf(stderr, "%s\n%s\n", title != nullptr ? title : "", text != nullptr ? text : "");
    return box::failed;
}

DialogHooks& hooks() {
    static DialogHooks installed;
    return installed;
}

// Lowers the nesting counter however the box is left.
class NestingLevel {
public:
    NestingLevel() noexcept { ++nesting; }
    ~NestingLevel() { --nesting; }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;
};

// Keeps a pending quit message from closing the box at once, and puts it back on every path.
class HeldQuitMessage {
public:
    HeldQuitMessage() {
        if (hooks().takeQuitMessage != nullptr) taken_ = hooks().takeQuitMessage(&exitCode_);
    }
    ~HeldQuitMessage() {
        if (!taken_ || hooks().postQuitMessage == nullptr) return;
        try {
            hooks().postQuitMessage(exitCode_);
        } catch (...) {
            // Nothing sensible to do in a destructor; the quit message is lost.
        }
    }
    HeldQuitMessage(const HeldQuitMessage&) = delete;
    HeldQuitMessage& operator=(const HeldQuitMessage&) = delete;

private:
    bool taken_ = false;
    int exitCode_ = 0;
};

// Appends the last nine complete lines of the log file actually opened.
void appendRecentLogLines(std::ostream& text) {
    LogStream* stream = logInfo.stream();
    if (stream == nullptr) return;
    const std::string path = stream->buffer().openedPath();
    text << "Recent log entries (\"" << path << "\"):\n";
    constexpr int slots = 10;
    constexpr std::streamsize slotSize = 260;
    char ring[slots][slotSize] = {};
    int slot = 0;
    if (!path.empty()) {
        std::ifstream file(path);
        for (;;) {
            ring[slot][0] = '\0';
            // At most 258 characters: a longer line fails the read and ends it there.
            if (!file.getline(ring[slot], slotSize - 1)) break;
            slot = (slot + 1) % slots;
        }
    }
    for (int i = 1; i <= slots; ++i) {
        const char* line = ring[(slot + i) % slots];
        if (line[0] != '\0') text << line << '\n';
    }
    text << '\n';
}

std::uint32_t buttonsFor(int kind) {
    if (kind == reportRetryCancel) return box::retryCancel;
    if (kind == reportAbortRetryIgnore) return box::abortRetryIgnore | box::defaultButton2;
    return box::ok;
}

ReportAnswer answerFor(int pressed) {
    switch (pressed) {
        case box::pressedCancel:
        case box::pressedAbort: return ReportAnswer::abort;
        case box::pressedRetry:
        case box::pressedTryAgain: return ReportAnswer::retry;
        case box::pressedIgnore:
        case box::pressedContinue: return ReportAnswer::ignore;
        default: return ReportAnswer::other;
    }
}

}  // namespace

DialogHooks setDialogHooks(const DialogHooks& replacement) {
    const DialogHooks previous = hooks();
    hooks() = replacement;
    return previous;
}

std::int32_t assertionNesting() noexcept { return nesting; }

ReportAnswer report_error(const char* message, const char* title, int kind, void* owner, const char* detail) {
    try {
        std::ostringstream text;
        if (message != nullptr) text << message << "\n\n";
        appendRecentLogLines(text);
        if (detail != nullptr) text << detail;
        const std::uint32_t flags = buttonsFor(kind) | box::iconStop | box::setForeground | box::topmost;
        auto* show = hooks().messageBox != nullptr ? hooks().messageBox : stderrBox;
        return answerFor(show(owner, text.str().c_str(), title, flags));
    } catch (const std::exception& e) {
        logError << "talvo::report_error() failed with std::exception: " << e.what() << std::endl;
    } catch (...) {
        logError << "talvo::report_error() failed" << std::endl;
    }
    return ReportAnswer::abort;
}

AssertionChoice show_assertion_message(const SourceLocation& location, const char* message) {
    const NestingLevel level;
    if (nesting > 0) {
        assertionLog << "Nested failed assertion: \n    " << location << (message != nullptr ? message : "")
                     << std::endl;
        return AssertionChoice::ignore;
    }
    try {
        void* owner = hooks().activeOwner != nullptr ? hooks().activeOwner() : nullptr;
        const HeldQuitMessage quit;
        std::ostringstream detail;
        if (location.file != nullptr && location.file[0] != '\0') detail << "File:     " << location.file << '\n';
        if (location.line != 0) detail << "Line:     " << location.line << '\n';
        if (location.function != nullptr) detail << "Function: " << location.function << '\n';
        detail << "\nPress 'Abort'  to stop program execution\nPress 'Retry'  to debug program\n"
                  "Press 'Ignore' to continue program execution\n";
        const ReportAnswer answer =
            report_error(message, "Assertion failed!", reportAbortRetryIgnore, owner, detail.str().c_str());
        if (answer == ReportAnswer::ignore) return AssertionChoice::ignore;
        if (answer == ReportAnswer::retry) return AssertionChoice::retry;
        return AssertionChoice::abort;
    } catch (...) {
        assertionLog << "\n    " << location << std::endl
                     << "    Unexpected exception within talvo::show_assertion_message()" << std::endl;
        return AssertionChoice::abort;
    }
}

bool assertionChoiceToBreak(AssertionChoice choice) {
    if (choice == AssertionChoice::retry) return true;
    if (choice == AssertionChoice::ignore) return false;
    std::raise(SIGABRT);
    std::abort();
}

}  // namespace talvo
