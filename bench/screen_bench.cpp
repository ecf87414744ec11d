// One frame of each screen on the headless backend against the floor every frame stands on,
// the two full-frame copies it must make (background into the back buffer, back buffer into the
// primary) done with memcpy over three frame-sized buffers in the same loop, and against one
// 800 x 600 16-bit copy as a second yardstick; and the time from process start to the first menu
// frame of the built executable.
#include "game/Board.h"
#include "game/Fades.h"
#include "game/GameState.h"
#include "game/Globals.h"
#include "game/LostDialog.h"
#include "game/MainMenu.h"
#include "game/PlayLoop.h"
#include "game/Resources.h"
#include "game/SquareGeometry.h"
#include "framework/Mmx.h"
#include "framework/VectorLevel.h"
#include "platform/headless/display.h"
#include "platform/headless/input.h"
#include "platform/platform.h"

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t FrameBytes = 800 * 600 * 2;
constexpr int MeasuredFrames = 120;

// Median of many copies between two buffers, both already touched: the old yardstick (it fits
// in a 2 MB cache where a frame's three buffers do not), taken right after that screen's frames.
double memcpySeconds()
{
    std::vector<uint8_t> from(FrameBytes, 0x5A), to(FrameBytes, 0);
    for (int i = 0; i < 50; ++i) {
        std::memcpy(to.data(), from.data(), FrameBytes);
        benchmark::ClobberMemory();
    }
    std::vector<double> times;
    for (int i = 0; i < 301; ++i) {
        const auto start = Clock::now();
        std::memcpy(to.data(), from.data(), FrameBytes);
        benchmark::ClobberMemory();
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        from[static_cast<std::size_t>(i)] = to[FrameBytes - 1 - static_cast<std::size_t>(i)];
    }
    std::nth_element(times.begin(), times.begin() + 150, times.end());
    return times[150];
}

// The floor of a frame: background into back buffer, back buffer into primary, as memcpy over
// three buffers of a frame's size that start on 64-byte lines like the surfaces' pixels.
class FrameFloor {
public:
    FrameFloor()
    {
        for (auto& b : buffers_) {
            b = static_cast<uint8_t*>(std::aligned_alloc(64, FrameBytes));
            if (!b)
                std::abort();
            std::memset(b, 0x5A, FrameBytes);
        }
    }
    ~FrameFloor()
    {
        for (auto* b : buffers_)
            std::free(b);
    }
    FrameFloor(const FrameFloor&) = delete;
    FrameFloor& operator=(const FrameFloor&) = delete;

    // One pass, timed.
    double seconds()
    {
        uint8_t* const background = buffers_[0];
        uint8_t* const back = buffers_[1];
        uint8_t* const primary = buffers_[2];
        const auto start = Clock::now();
        std::memcpy(back, background, FrameBytes);
        benchmark::ClobberMemory();
        std::memcpy(primary, back, FrameBytes);
        benchmark::ClobberMemory();
        const auto end = Clock::now();
        background[pass_ % FrameBytes] = primary[FrameBytes - 1 - pass_ % FrameBytes];
        ++pass_;
        return std::chrono::duration<double>(end - start).count();
    }

private:
    uint8_t* buffers_[3] = {};
    std::size_t pass_ = 0;
};

FrameFloor& frameFloor()
{
    static FrameFloor floor;
    return floor;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// Frame times and floor passes taken one after the other in the same loop, so that both meet
// the same state of the machine; reported as medians, with the old one-copy yardstick taken
// after each iteration's frames.
class Ratio {
public:
    explicit Ratio(benchmark::State& state) : state_(state) {}
    ~Ratio()
    {
        if (frames_.empty())
            return;
        const double frame = median(frames_), floor = median(floor_), copy = median(copy_);
        state_.counters["frame_us"] = frame * 1e6;
        state_.counters["floor_us"] = floor * 1e6;
        state_.counters["x_floor"] = frame / floor;
        state_.counters["memcpy_us"] = copy * 1e6;
        state_.counters["x_memcpy"] = frame / copy;
    }
    // One frame's time; a floor pass follows it at once.
    void frame(double seconds)
    {
        frames_.push_back(seconds);
        floor_.push_back(frameFloor().seconds());
    }
    // The end of an iteration: its median frame time and the old yardstick.
    void iteration(double frameSeconds)
    {
        state_.SetIterationTime(frameSeconds);
        copy_.push_back(memcpySeconds());
    }

private:
    benchmark::State& state_;
    std::vector<double> frames_, floor_, copy_;
};

// A copy of the data in the benchmark's build folder (the game writes its files beside it),
// removed at exit.
class WorkingCopyOfData {
public:
    WorkingCopyOfData()
    {
        std::string pattern = VELMOOR_BENCH_SCRATCH "/velmoor-bench-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        dir_ = pattern;
        fs::copy(fs::path(VELMOOR_RUN_DIR) / "Data", dir_ / "Data", fs::copy_options::recursive);
        fs::copy_file(fs::path(VELMOOR_RUN_DIR) / "Alpine.ttf", dir_ / "Alpine.ttf");
    }
    ~WorkingCopyOfData()
    {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    WorkingCopyOfData(const WorkingCopyOfData&) = delete;
    WorkingCopyOfData& operator=(const WorkingCopyOfData&) = delete;
    [[nodiscard]] const fs::path& path() const { return dir_; }

private:
    fs::path dir_;
};

// The game's start-up without the menu: window, display, every picture.
void openGame()
{
    static bool open = false;
    if (open)
        return;
    open = true;
    static const WorkingCopyOfData data;
    fs::current_path(data.path());
    shareSimdLevel(); // as the game starts
    plat::setBackendKind(plat::BackendKind::Headless);
    plat::headless::reset();
    plat::headless::resetInput();
    if (!window.create("Velmoor", nullptr, nullptr, WindowStylePopup, 0, 0, 800, 600) || display.create() != 0 ||
        display.setMode(DisplayMode::OwnMemoryBack, window.handle, 800, 600, 16) != 0)
        std::abort();
    mmxEnabled = 0;
    loadResources();
}

// Times the frames a screen presents, frames `first` + 1 to first + MeasuredFrames, each from
// the end of the present hook to the start of the next one; in the hook a floor pass runs
// between the two. `step` runs after every present (it may queue input or end the screen);
// `screen` runs the screen until it returns. Returns the median frame time (a frame the machine
// preempted does not move it); `count` frames are timed, and with no ratio nothing is.
class FrameTimer {
public:
    using Step = std::function<void(uint64_t frame, FrameTimer& timer)>;

    double run(Ratio* ratio, uint64_t first, const Step& step, const std::function<void()>& screen,
               int count = MeasuredFrames)
    {
        frame_ = 0;
        first_ = first;
        count_ = static_cast<uint64_t>(count);
        std::vector<double> times;
        plat::headless::setPresentHook([&](const plat::headless::PresentedFrame&) {
            const auto presented = Clock::now();
            ++frame_;
            if (ratio && frame_ > first_ && frame_ <= first_ + count_) {
                const double seconds = std::chrono::duration<double>(presented - start_).count();
                times.push_back(seconds);
                ratio->frame(seconds);
            }
            step(frame_, *this);
            start_ = Clock::now();
        });
        screen();
        plat::headless::setPresentHook(nullptr);
        return median(times);
    }

    [[nodiscard]] bool measured() const { return frame_ >= first_ + count_; }

private:
    uint64_t frame_ = 0;
    uint64_t first_ = 0;
    uint64_t count_ = 0;
    Clock::time_point start_;
};

void BM_Memcpy800x600x16(benchmark::State& state)
{
    std::vector<uint8_t> from(FrameBytes, 0x5A), to(FrameBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), FrameBytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FrameBytes));
}
BENCHMARK(BM_Memcpy800x600x16);

void BM_MenuFrame(benchmark::State& state)
{
    openGame();
    Ratio ratio(state);
    for (auto _ : state) {
        FrameTimer timer;
        gameState.leaveScreen = false;
        const double seconds = timer.run(
            &ratio, 5,
            [](uint64_t frame, FrameTimer& t) {
                if (frame == 1)
                    plat::headless::moveMouseTo(300, 260); // over the 8x8 button: its hover picture
                if (t.measured())
                    gameState.leaveScreen = true;
            },
            runMainMenu);
        ratio.iteration(seconds);
    }
}
BENCHMARK(BM_MenuFrame)->UseManualTime()->Iterations(5)->Unit(benchmark::kMicrosecond);

// The centre of a 6x6 square, from the board's own geometry.
ScreenPoint squareCentre(int32_t x, int32_t y)
{
    const ScreenPoint corner = squarePixelPosition(gameState, x, y);
    return {corner.x + 16, corner.y + 16};
}

// A 6x6 board with the piece resting on (2, 2), where all eight jumps are free: eight hints.
void BM_BoardFrameWithHints(benchmark::State& state)
{
    openGame();
    Ratio ratio(state);
    for (auto _ : state) {
        FrameTimer timer;
        gameState.leaveScreen = false;
        setupBoard6x6();
        const ScreenPoint centre = squareCentre(2, 2);
        const double seconds = timer.run(
            &ratio, 40, // the jump animation is over by then
            [&](uint64_t frame, FrameTimer&) {
                if (frame == 1)
                    plat::headless::clickAt(centre.x, centre.y);
                if (frame == 40 + MeasuredFrames)
                    plat::headless::clickAt(380, 530); // the end button, as a player leaves
            },
            runGame6x6);
        ratio.iteration(seconds);
    }
}
BENCHMARK(BM_BoardFrameWithHints)->UseManualTime()->Iterations(5)->Unit(benchmark::kMicrosecond);

// The dialog with the mouse over "Ja": panel through its mask and the button's picture.
void BM_LostDialogFrame(benchmark::State& state)
{
    openGame();
    Ratio ratio(state);
    for (auto _ : state) {
        FrameTimer timer;
        gameState.leaveScreen = false;
        setupBoard6x6();
        plat::headless::moveMouseTo(290, 415);
        const double seconds = timer.run(
            &ratio, 5,
            [](uint64_t, FrameTimer& t) {
                if (t.measured())
                    gameState.leaveScreen = true; // as "Nein" does
            },
            [] { runLostDialog(Board::Size6x6); });
        ratio.iteration(seconds);
    }
}
BENCHMARK(BM_LostDialogFrame)->UseManualTime()->Iterations(5)->Unit(benchmark::kMicrosecond);

// Full-frame copies per frame of the menu and the 6x6 board (counted, not timed): the
// background each screen draws and the present's copy of the back buffer, nothing more.
void BM_FullFrameCopiesPerFrame(benchmark::State& state)
{
    openGame();
    double menu = 0, board = 0;
    auto copiesPerFrame = [](uint64_t first, const FrameTimer::Step& step, const std::function<void()>& screen) {
        uint64_t atFirst = 0, atLast = 0;
        FrameTimer timer;
        gameState.leaveScreen = false;
        timer.run(
            nullptr, first,
            [&](uint64_t frame, FrameTimer& t) {
                if (frame == first)
                    atFirst = plat::headless::fullFrameCopies();
                if (frame == first + MeasuredFrames)
                    atLast = plat::headless::fullFrameCopies();
                step(frame, t);
            },
            screen);
        return static_cast<double>(atLast - atFirst) / MeasuredFrames;
    };
    for (auto _ : state) {
        menu = copiesPerFrame(
            5,
            [](uint64_t frame, FrameTimer& t) {
                if (frame == 1)
                    plat::headless::moveMouseTo(300, 260);
                if (t.measured())
                    gameState.leaveScreen = true;
            },
            runMainMenu);
        setupBoard6x6();
        const ScreenPoint centre = squareCentre(2, 2);
        board = copiesPerFrame(
            40,
            [&](uint64_t frame, FrameTimer&) {
                if (frame == 1)
                    plat::headless::clickAt(centre.x, centre.y);
                if (frame == 40 + MeasuredFrames)
                    plat::headless::clickAt(380, 530);
            },
            runGame6x6);
    }
    state.counters["menu"] = menu;
    state.counters["board6x6"] = board;
}
BENCHMARK(BM_FullFrameCopiesPerFrame)->Iterations(1);

// The floor under every screen: presenting an unchanged back buffer. On the headless backend a
// present copies the back buffer into the primary, whose memory the captured frame keeps.
void BM_PresentOnly(benchmark::State& state)
{
    openGame();
    Ratio ratio(state);
    for (auto _ : state) {
        std::vector<double> times;
        for (int i = 0; i < MeasuredFrames; ++i) {
            const auto start = Clock::now();
            static_cast<void>(display.flip(0));
            times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
            ratio.frame(times.back());
        }
        ratio.iteration(median(times));
    }
}
BENCHMARK(BM_PresentOnly)->UseManualTime()->Iterations(5)->Unit(benchmark::kMicrosecond);

// A fade-out of the last frame: 51 frames in one call, the last 50 timed.
void BM_FadeFrame(benchmark::State& state)
{
    openGame();
    Ratio ratio(state);
    for (auto _ : state) {
        FrameTimer timer;
        const double seconds = timer.run(&ratio, 1, [](uint64_t, FrameTimer&) {}, [] { fadeOutSurface(screenCopy, 0, 0); }, 50);
        ratio.iteration(seconds);
    }
}
BENCHMARK(BM_FadeFrame)->UseManualTime()->Iterations(20)->Unit(benchmark::kMicrosecond);

// The built executable on the headless backend with a script that closes the window right
// after the first menu frame: an upper bound of start to first menu frame (it includes the
// shutdown and the best-score write).
void BM_StartToFirstMenuFrame(benchmark::State& state)
{
    const WorkingCopyOfData data;
    const fs::path& dir = data.path();
    { std::ofstream(dir / "first-menu-frame.txt") << "wait 2\n"; } // start-up's frame, the menu's first
    const std::string executable = (fs::path(VELMOOR_RUN_DIR) / "Velmoor").string();
    for (auto _ : state) {
        const auto start = Clock::now();
        const pid_t child = ::fork();
        if (child == 0) {
            if (::chdir(dir.c_str()) != 0)
                ::_exit(127);
            ::setenv("VELMOOR_PLATFORM", "headless", 1);
            ::setenv("VELMOOR_SCRIPT", "first-menu-frame.txt", 1);
            ::execl(executable.c_str(), executable.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("the game did not start and end cleanly");
    }
}
BENCHMARK(BM_StartToFirstMenuFrame)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
