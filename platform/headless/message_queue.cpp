// FIFO of window messages for the headless backend.
#include "platform/headless/message_queue.h"

#include <deque>

namespace plat::headless {
namespace {
std::deque<Message>& queue()
{
    static std::deque<Message> q;
    return q;
}
} // namespace

void postMessage(const Message& m) { queue().push_back(m); }

std::optional<Message> takeMessage()
{
    if (queue().empty())
        return std::nullopt;
    Message m = queue().front();
    queue().pop_front();
    return m;
}

std::size_t pendingMessages() { return queue().size(); }

void clearMessages() { queue().clear(); }

} // namespace plat::headless
