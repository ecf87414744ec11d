// Runs the real game in-process on the headless backend, one presented frame at a time: the
// game runs on its own thread and stops at each present until the test lets it go on, so a
// test reads as a sequence of steps (look at the frame, move, click, wait).
#pragma once

#include "platform/headless/display.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class GameDriver {
public:
    using Frame = plat::headless::PresentedFrame;
    using Condition = std::function<bool(const Frame&)>;

    // Registers the present hook; the game runs `entry` (runVelmoor) once started.
    explicit GameDriver(std::function<int()> entry);
    // Ends a game still running by closing its window, then waits for it.
    ~GameDriver();
    GameDriver(const GameDriver&) = delete;
    GameDriver& operator=(const GameDriver&) = delete;

    // Starts the game and returns once its first frame is presented (false when it ended before).
    bool start();
    // Lets the game present `frames` more frames; false when it ended first.
    bool advance(int frames = 1);
    // Advances frame by frame until the condition holds for the presented frame (true) or
    // maxFrames have passed or the game ended (false). The current frame is tested first.
    bool waitUntil(const Condition& condition, int maxFrames = 600);
    // Closes the window (unless the game already ends on its own) and lets the game run to its
    // end without stopping; returns its exit status, or -1 when it had to be closed again.
    int finish(bool closeWindow = true);

    [[nodiscard]] bool running() const;
    // The last presented frame (valid while the game is stopped at a present, or ended).
    [[nodiscard]] const Frame& frame() const;
    [[nodiscard]] uint64_t frameNumber() const { return frame().number; }

private:
    void onPresent(const Frame& frame);
    void waitForPauseOrEnd(std::unique_lock<std::mutex>& lock);

    std::function<int()> entry_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
    int framesToRun_ = 0;  // presents the game may make before it stops again
    bool freeRun_ = false; // stop no more: the test is letting the game end
    bool paused_ = false;
    bool ended_ = false;
    bool started_ = false;
    uint64_t freeRunFrames_ = 0;
    int exitCode_ = -1;
};
