// The frame-by-frame game driver: a hand-off between the test's thread and the game's thread,
// so exactly one of them runs at any time.
#include "GameDriver.h"

#include "platform/headless/window.h"

#include <utility>

namespace {
// A game the test lets go that is still running after this many frames is closed again
// (a screen that ignores the close, or a fade, must not hang the test).
constexpr uint64_t freeRunLimit = 5000;
} // namespace

GameDriver::GameDriver(std::function<int()> entry) : entry_(std::move(entry))
{
    plat::headless::setPresentHook([this](const Frame& frame) { onPresent(frame); });
}

GameDriver::~GameDriver()
{
    if (started_ && running())
        (void)finish(true);
    if (thread_.joinable())
        thread_.join();
    plat::headless::setPresentHook(nullptr);
}

void GameDriver::onPresent(const Frame&)
{
    std::unique_lock lock(mutex_);
    if (freeRun_) {
        if (++freeRunFrames_ % freeRunLimit == 0)
            plat::headless::requestClose();
        return;
    }
    if (--framesToRun_ > 0)
        return;
    paused_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return framesToRun_ > 0 || freeRun_; });
    paused_ = false;
}

void GameDriver::waitForPauseOrEnd(std::unique_lock<std::mutex>& lock)
{
    changed_.wait(lock, [this] { return paused_ || ended_; });
}

bool GameDriver::start()
{
    std::unique_lock lock(mutex_);
    started_ = true;
    framesToRun_ = 1;
    thread_ = std::thread([this] {
        const int code = entry_();
        std::lock_guard done(mutex_);
        exitCode_ = code;
        ended_ = true;
        changed_.notify_all();
    });
    waitForPauseOrEnd(lock);
    return !ended_;
}

bool GameDriver::advance(int frames)
{
    if (frames <= 0)
        return running();
    std::unique_lock lock(mutex_);
    if (ended_)
        return false;
    framesToRun_ = frames;
    paused_ = false;
    changed_.notify_all();
    waitForPauseOrEnd(lock);
    return !ended_;
}

bool GameDriver::waitUntil(const Condition& condition, int maxFrames)
{
    for (int i = 0;; ++i) {
        if (plat::headless::lastFrame() && condition(frame()))
            return true;
        if (i >= maxFrames || !advance(1))
            return false;
    }
}

int GameDriver::finish(bool closeWindow)
{
    {
        std::lock_guard lock(mutex_);
        if (!ended_ && closeWindow)
            plat::headless::requestClose();
        freeRun_ = true;
        changed_.notify_all();
    }
    if (thread_.joinable())
        thread_.join();
    return freeRunFrames_ >= freeRunLimit ? -1 : exitCode_;
}

bool GameDriver::running() const
{
    std::lock_guard lock(mutex_);
    return started_ && !ended_;
}

const GameDriver::Frame& GameDriver::frame() const
{
    static const Frame none{};
    const Frame* last = plat::headless::lastFrame();
    return last ? *last : none;
}
