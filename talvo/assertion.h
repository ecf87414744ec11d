// The assertion box and the general error box, over a replaceable message-box function.
#pragma once

#include <cstdint>

#include "talvo/source_location.h"

namespace talvo {

// Answers of show_assertion_message.
enum class AssertionChoice : std::int32_t { retry = 0, ignore = 1, abort = 2 };

// Box flags and pressed buttons, numbered as the game's platform layer numbers them.
namespace box {
inline constexpr std::uint32_t ok = 0x0;
inline constexpr std::uint32_t abortRetryIgnore = 0x2;
inline constexpr std::uint32_t retryCancel = 0x5;
inline constexpr std::uint32_t iconStop = 0x10;
inline constexpr std::uint32_t defaultButton2 = 0x100;
inline constexpr std::uint32_t setForeground = 0x10000;
inline constexpr std::uint32_t topmost = 0x40000;

inline constexpr int failed = 0;  // the box could not be shown
inline constexpr int pressedOk = 1;
inline constexpr int pressedCancel = 2;
inline constexpr int pressedAbort = 3;
inline constexpr int pressedRetry = 4;
inline constexpr int pressedIgnore = 5;
inline constexpr int pressedTryAgain = 10;
inline constexpr int pressedContinue = 11;
}  // namespace box

// What the boxes need from the windowing system. A null member keeps the default:
// no owner, no quit message, and a message box that writes its text to stderr and answers
// box::failed (the answer of a box that could not be shown).
struct DialogHooks {
    void* (*activeOwner)() = nullptr;                  // active window or its last active popup
    bool (*takeQuitMessage)(int* exitCode) = nullptr;  // removes a pending quit message
    void (*postQuitMessage)(int exitCode) = nullptr;   // puts it back
    int (*messageBox)(void* owner, const char* text, const char* title, std::uint32_t flags) = nullptr;
};

// Installs the hooks; returns the ones installed before.
DialogHooks setDialogHooks(const DialogHooks& hooks);

// Report-box kinds (argument of report_error) and answers (its result).
inline constexpr int reportRetryCancel = 3;
inline constexpr int reportAbortRetryIgnore = 7;
enum class ReportAnswer : std::int32_t { other = 0, abort = 1, retry = 2, ignore = 4 };

// A modal error box with the message, the recent log lines and the detail. Never throws: a failure
// inside is logged and answers abort.
ReportAnswer report_error(const char* message, const char* title, int kind, void* owner, const char* detail);

// Asks whether to stop, debug or go on. A box opened while another is open is not shown: it is
// logged and answers ignore. A failure inside is logged and answers abort.
AssertionChoice show_assertion_message(const SourceLocation& location, const char* message);

// Retry gives true, Ignore false; anything else raises SIGABRT (then aborts).
bool assertionChoiceToBreak(AssertionChoice choice);

// The nesting counter of the assertion box (-1 while none is open).
[[nodiscard]] std::int32_t assertionNesting() noexcept;

}  // namespace talvo
