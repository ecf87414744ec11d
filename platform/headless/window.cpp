// The headless window: messages come from the test queue, the screen is 800 x 600.
#include "platform/headless/window.h"

#include "platform/clock.h"
#include "platform/headless/message_queue.h"
#include "platform/headless/script_runner.h"
#include "platform/window_backend.h"

namespace plat {
namespace {
struct HeadlessWindow final : WindowBackend {
    bool open(const WindowDesc&, std::string&) override
    {
        headless::startScript();
        return true;
    }
    std::optional<Message> take() override { return headless::takeMessage(); }
    void wait(uint32_t ms) override
    {
        if (headless::pendingMessages() == 0)
            sleep(ms);
    }
    void close() override { headless::endScript(); }
    int screenWidth() override { return 800; }
    int screenHeight() override { return 600; }
};
} // namespace

WindowBackend* makeHeadlessWindowBackend() { return new HeadlessWindow; }

namespace headless {
void setWindowActive(bool active) { postMessage(Message{msg::Activate, active ? 1u : 0u, 0}); }
void requestClose() { postMessage(Message{msg::Close, 0, 0}); }
} // namespace headless

} // namespace plat
