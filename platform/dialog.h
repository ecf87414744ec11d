// The modal message box (the support library's report and assertion boxes stand on it).
#pragma once

#include <string>

namespace plat {

enum class DialogButtons { Ok, RetryCancel, AbortRetryIgnore };

// The pressed button, numbered as the framework's platform numbered them; None when no
// box could be shown.
enum class DialogAnswer { None = 0, Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5 };

// Shows a modal error box above every window and waits for a button. The abort, retry
// and ignore box has retry as its default. Without a display the text goes to the
// standard error stream and the answer is None.
[[nodiscard]] DialogAnswer showMessageBox(const std::string& title, const std::string& text, DialogButtons buttons);

} // namespace plat
