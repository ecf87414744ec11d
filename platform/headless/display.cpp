// The headless display: a selectable surface format, every present captured with the
// virtual clock moved 16 ms, the present hook, VELMOOR_DUMP frame files, fault injection.
#include "platform/headless/display.h"

#include "platform/clock.h"
#include "platform/display_backend.h"
#include "platform/headless/input.h"
#include "platform/headless/message_queue.h"
#include "platform/headless/music.h"
#include "platform/headless/script_runner.h"
#include "platform/headless/sound.h"
#include "platform/pixels.h"
#include "platform/text_line.h"
#include "platform/window_backend.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace plat {
namespace {
constexpr int operationCount = static_cast<int>(DisplayOp::SetColorKey) + 1;

struct Fault {
    HResult result = 0;
    int times = 0;
};
constinit Fault faults[operationCount]{};

// Heap state created on first use and never destroyed, so presents from global
// destructors after main still find it.
struct HeadlessDisplayState {
    std::optional<PixelFormat> format;
    std::function<void(const headless::PresentedFrame&)> hook;
    headless::PresentedFrame frame;
    uint64_t presents = 0;
    bool dumpFailureTold = false;
};
constinit HeadlessDisplayState* stateStorage = nullptr;

HeadlessDisplayState& state()
{
    if (!stateStorage)
        stateStorage = new HeadlessDisplayState;
    return *stateStorage;
}

std::optional<PixelFormat> formatForDepth(int bits)
{
    switch (bits) {
    case 8: return format::Indexed8;
    case 16: return format::Rgb565;
    case 24: return format::Rgb888;
    case 32: return format::Xrgb8888;
    default: return std::nullopt;
    }
}

void dumpToDirectory(const headless::PresentedFrame& frame)
{
    const char* dir = std::getenv("VELMOOR_DUMP");
    if (!dir || !*dir)
        return;
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%06llu.bmp", static_cast<unsigned long long>(frame.number));
    // Once a run: a folder that takes no file refuses every frame alike.
    std::string why;
    if (!headless::writeFrameBmp(std::string(dir) + name, frame, &why) && !state().dumpFailureTold) {
        state().dumpFailureTold = true;
        std::fprintf(stderr, "velmoor: cannot write frame files into %s (%s)\n", textInLine(dir).c_str(), why.c_str());
    }
}

struct HeadlessDisplay final : DisplayBackend {
    bool intercept(DisplayOp op, HResult& result) override
    {
        const int i = static_cast<int>(op);
        if (i < 0 || i >= operationCount || faults[i].times <= 0)
            return false;
        --faults[i].times;
        result = faults[i].result;
        return true;
    }

    bool available() override { return true; }
    bool open(std::string&) override { return true; }

    bool setMode(WindowId, int, int, int bits, PixelFormat& format, std::string& error) override
    {
        const std::optional<PixelFormat> chosen = state().format ? state().format : formatForDepth(bits);
        if (!chosen) {
            error = "no " + std::to_string(bits) + "-bit display mode";
            return false;
        }
        format = *chosen;
        return true;
    }

    bool present(const FrameView& view, std::string&) override
    {
        HeadlessDisplayState& s = state();
        headless::PresentedFrame& f = s.frame;
        f.number = ++s.presents;
        f.format = view.format;
        f.width = view.width;
        f.height = view.height;
        f.pitch = view.pitch;
        const auto bytes = static_cast<std::size_t>(view.pitch) * static_cast<std::size_t>(view.height);
        if (view.memory && view.memory.get() == view.pixels) {
            f.pixels = headless::FrameBytes(view.memory, bytes);
        } else {
            f.pixels = headless::FrameBytes(std::vector<uint8_t>(view.pixels, view.pixels + bytes));
            countFullFrameCopy();
        }
        headless::advanceClock(16);
        f.tick = tickCount();
        if (s.hook) {
            // The hook may replace itself; keep the running one alive through the call.
            auto hook = s.hook;
            hook(f);
        }
        dumpToDirectory(f);
        headless::scriptAfterPresent(f);
        return true;
    }

    void close() override {}
};
} // namespace

DisplayBackend* makeHeadlessDisplayBackend() { return new HeadlessDisplay; }

namespace headless {

FrameBytes::FrameBytes(std::vector<uint8_t> bytes) : size_(bytes.size())
{
    auto owner = std::make_shared<std::vector<uint8_t>>(std::move(bytes));
    memory_ = std::shared_ptr<const uint8_t>(owner, owner->data());
}

uint32_t PresentedFrame::pixel(int x, int y) const
{
    const uint32_t bytes = format.bytesPerPixel();
    if (x < 0 || y < 0 || x >= width || y >= height || bytes == 0)
        return 0;
    return readPixel(pixels.data() + static_cast<std::size_t>(y) * pitch + static_cast<std::size_t>(x) * bytes,
                     bytes);
}

void setPresentHook(std::function<void(const PresentedFrame&)> hook) { state().hook = std::move(hook); }

uint64_t presentCount() { return state().presents; }

uint64_t fullFrameCopies() { return fullFrameCopyCounter(); }

const PresentedFrame* lastFrame() { return state().presents ? &state().frame : nullptr; }

void setDisplayFormat(const PixelFormat& format) { state().format = format; }

void loseSurface(SurfaceHandle surface) { markSurfaceLost(surface); }

void loseAllSurfaces() { markAllSurfacesLost(); }

void failNext(Operation op, HResult result, int times)
{
    const int i = static_cast<int>(op);
    if (i >= 0 && i < operationCount)
        faults[i] = Fault{result, times};
}

void reset()
{
    forgetWindow();
    clearMessages();
    for (Fault& f : faults)
        f = Fault{};
    HeadlessDisplayState& s = state();
    s.format.reset();
    s.hook = nullptr;
    s.frame = PresentedFrame{};
    s.presents = 0;
    s.dumpFailureTold = false;
    fullFrameCopyCounter() = 0;
    resetScript();
    resetInput();
    resetSound();
    resetMusic();
    setClock(0);
}

} // namespace headless
} // namespace plat
