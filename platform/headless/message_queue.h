// The headless window's message queue: the window pump takes from it, scripted
// input and tests post into it.
#pragma once

#include "platform/messages.h"

#include <optional>

namespace plat::headless {

void postMessage(const Message& m);
[[nodiscard]] std::optional<Message> takeMessage();
[[nodiscard]] std::size_t pendingMessages();
void clearMessages();

} // namespace plat::headless
