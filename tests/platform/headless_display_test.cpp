// The headless display and clock: captured presents, frame files, the script runner, faults,
// and the shared surface memory at every depth.
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/headless/display.h"
#include "platform/headless/message_queue.h"
#include "platform/headless/window.h"
#include "platform/platform.h"
#include "platform/window.h"
#include "tests/platform/audio_test_files.h"
#include "tests/support/seeded_rng.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;
using namespace plat;

namespace {
class HeadlessDisplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        setBackendKind(BackendKind::Headless);
        headless::reset();
    }

    void TearDown() override
    {
        releaseSurface(primary);
        releaseDevice(device);
        if (isWindow(window))
            destroyWindow(window);
        unsetenv("VELMOOR_SCRIPT");
        unsetenv("VELMOOR_DUMP");
        headless::reset();
    }

    void open(const PixelFormat& format = format::Rgb565, int width = 8, int height = 4)
    {
        WindowDesc desc;
        desc.width = width;
        desc.height = height;
        window = createWindow(desc);
        ASSERT_NE(window, 0u);
        headless::setDisplayFormat(format);
        ASSERT_EQ(createDevice(device), result::Ok);
        ASSERT_EQ(setCooperativeLevel(device, window), result::Ok);
        ASSERT_EQ(setDisplayMode(device, width, height, 16), result::Ok);
        SurfaceDesc d;
        d.primary = true;
        ASSERT_EQ(createSurface(device, d, primary), result::Ok);
    }

    void writeScript(const std::string& text)
    {
        const fs::path path = dir / "script.txt";
        std::ofstream(path) << text;
        setenv("VELMOOR_SCRIPT", path.c_str(), 1);
    }

    static std::vector<uint32_t> drainMessageNumbers()
    {
        std::vector<uint32_t> out;
        while (auto m = headless::takeMessage())
            out.push_back(m->message);
        return out;
    }

    audiotest::ScratchDir scratch;
    const fs::path dir = scratch.path();
    WindowId window = 0;
    DisplayDevice device = nullptr;
    SurfaceHandle primary = nullptr;
};
} // namespace

TEST(HeadlessClock, AdvancesOnSleepAndWrapsAt32Bits)
{
    setBackendKind(BackendKind::Headless);
    headless::setClock(0xFFFFFFF0u);
    plat::sleep(0x20);
    headless::advanceClock(16);
    // Differences stay right across the wrap, which is how every caller measures time.
    EXPECT_EQ(tickCount(), 0x20u);
    EXPECT_EQ(tickCount() - 0xFFFFFFF0u, 0x30u);
}

TEST_F(HeadlessDisplay, EveryPresentIsCapturedWithTheVirtualTick)
{
    EXPECT_EQ(screenWidth(), 800);
    open();
    EXPECT_EQ(screenWidth(), 8); // the display mode's size, which the input clamps to
    headless::setClock(1000);
    std::vector<uint64_t> numbers;
    headless::setPresentHook([&](const headless::PresentedFrame& f) {
        numbers.push_back(f.number);
        EXPECT_EQ(f.tick, 1000u + 16u * static_cast<uint32_t>(f.number));
        if (f.number == 2)
            headless::postMessage(Message{msg::KeyDown, 'Q', 0}); // a test acting on a frame
    });
    const Rect r{2, 1, 4, 3};
    ASSERT_EQ(fillSurface(primary, &r, 0xF800), result::Ok);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(presentSurface(primary), result::Ok);
    EXPECT_EQ(numbers, (std::vector<uint64_t>{1, 2, 3}));
    EXPECT_EQ(headless::pendingMessages(), 1u);
    const headless::PresentedFrame* f = headless::lastFrame();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->pixel(2, 1), 0xF800u);
    EXPECT_EQ(f->pixel(4, 1), 0u);
    EXPECT_EQ(f->pixel(-1, 0), 0u);
    EXPECT_EQ(tickCount(), 1048u);
}

TEST_F(HeadlessDisplay, InjectedFaultsAndLostSurfaces)
{
    open();
    headless::failNext(headless::Operation::Present, result::Generic, 2);
    EXPECT_EQ(presentSurface(primary), result::Generic);
    EXPECT_EQ(presentSurface(primary), result::Generic);
    EXPECT_EQ(presentSurface(primary), result::Ok);
    headless::loseAllSurfaces();
    LockedPixels locked;
    EXPECT_EQ(lockSurface(primary, locked), result::SurfaceLost);
    EXPECT_EQ(presentSurface(primary), result::SurfaceLost);
    EXPECT_EQ(restoreAllSurfaces(device), result::Ok);
    EXPECT_EQ(isSurfaceLost(primary), result::Ok);
}

TEST_F(HeadlessDisplay, DumpDirectoryReceivesEveryFrameAs24BitBottomUpBmp)
{
    setenv("VELMOOR_DUMP", dir.c_str(), 1);
    open(format::Rgb565, 3, 2);
    const Rect r{0, 0, 1, 1};
    ASSERT_EQ(fillSurface(primary, &r, 0xF800), result::Ok); // full red, top-left
    ASSERT_EQ(presentSurface(primary), result::Ok);
    ASSERT_EQ(presentSurface(primary), result::Ok);
    EXPECT_TRUE(fs::exists(dir / "frame_000002.bmp"));
    std::ifstream in(dir / "frame_000001.bmp", std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(bytes.size(), 54u + 2 * 12);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[28], 24);
    // Rows run bottom-up: the top row is the second one in the file, blue-green-red.
    const std::size_t top = 54 + 12;
    EXPECT_EQ((std::vector<uint8_t>(bytes.begin() + top, bytes.begin() + top + 6)),
              (std::vector<uint8_t>{0, 0, 255, 0, 0, 0}));
    std::string why;
    EXPECT_FALSE(headless::writeFrameBmp((dir / "missing" / "x.bmp").string(), *headless::lastFrame(), &why));
    EXPECT_EQ(why, "No such file or directory");
}

TEST_F(HeadlessDisplay, ADumpFolderThatTakesNoFileIsToldOnceARunWithTheReason)
{
    const fs::path file = dir / "a file";
    std::ofstream(file) << "not a folder";
    setenv("VELMOOR_DUMP", file.c_str(), 1);
    open();
    const std::string line = "velmoor: cannot write frame files into " + file.string() + " (Not a directory)\n";
    for (int run = 0; run < 2; ++run) {
        ::testing::internal::CaptureStderr();
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(presentSurface(primary), result::Ok);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), line) << "run " << run;
        headless::reset(); // a new run
    }
}

TEST_F(HeadlessDisplay, ScriptWaitsDumpsAndCloses)
{
    // The file name is the rest of the line after the command's word, even where it holds the word.
    writeScript("# a comment line\n\nwait 2   # two frames\n  dump  dump dump.bmp\nwobble 3\nclose\nwait 1\n");
    const fs::path was = fs::current_path();
    fs::current_path(dir);
    struct Back {
        fs::path to;
        ~Back() { fs::current_path(to); }
    } back{was};
    open();
    EXPECT_TRUE(drainMessageNumbers().empty());
    ASSERT_EQ(presentSurface(primary), result::Ok);
    ASSERT_EQ(presentSurface(primary), result::Ok); // the wait ends; the dump waits for a frame
    EXPECT_FALSE(fs::exists(dir / "dump dump.bmp"));
    EXPECT_TRUE(drainMessageNumbers().empty());
    ASSERT_EQ(presentSurface(primary), result::Ok);
    EXPECT_EQ(fs::file_size(dir / "dump dump.bmp"), 54u + 8 * 3 * 4);
    EXPECT_EQ(drainMessageNumbers(), (std::vector<uint32_t>{msg::Close}));
    ASSERT_EQ(presentSurface(primary), result::Ok); // the last wait, then the script's end
    EXPECT_EQ(drainMessageNumbers(), (std::vector<uint32_t>{msg::Close}));
    ASSERT_EQ(presentSurface(primary), result::Ok);
    EXPECT_TRUE(drainMessageNumbers().empty()); // it ends once
}

// stderr stays bounded: the first ten lines the script cannot run are named, their words cut at 80
// bytes with control characters as '?', the rest counted once as the window closes.
TEST_F(HeadlessDisplay, AScriptNamesItsFirstTenUnrunnableLinesAndCountsTheRestOnceAsItsWindowCloses)
{
    std::string script = "dump \"no such folder/x\a.bmp\"\n\x1b[2Jjump\nmove 5\n" + std::string(100, 'y') + "\n";
    for (int i = 0; i < 9; ++i)
        script += "bogus\n";
    writeScript(script + "wait 5\nbogus\n");
    ::testing::internal::CaptureStderr();
    open();
    ASSERT_EQ(presentSurface(primary), result::Ok);
    destroyWindow(window);
    headless::reset();
    std::string named = "velmoor: script line 1: dump cannot write 'no such folder/x?.bmp' (No such file or directory)\n"
                        "velmoor: script line 2: unknown command '?[2Jjump'\n"
                        "velmoor: script line 3: bad 'move' command, expected: move X Y\n"
                        "velmoor: script line 4: unknown command '" + std::string(80, 'y') + "... (100 bytes)'\n";
    for (int line = 5; line <= 10; ++line)
        named += "velmoor: script line " + std::to_string(line) + ": unknown command 'bogus'\n";
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), named + "velmoor: 3 more script lines could not be run\n");
}

TEST_F(HeadlessDisplay, AScriptEmptyOrRefusedClosesAtOnceAndARefusalSaysWhy)
{
    // Only a regular file within the bound is read: a device would never end, a pipe without a
    // writer would block the start.
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    std::ofstream(dir / "big.txt").close();
    fs::resize_file(dir / "big.txt", (std::uintmax_t{16} << 20) + 1); // sparse: no disk is spent
    const std::pair<fs::path, std::string> scripts[] = {
        {dir / "script.txt", ""},
        {dir / "absent.txt", "No such file or directory"},
        {dir, "not a regular file"},
        {dir / "pipe", "not a regular file"},
        {"/dev/zero", "not a regular file"},
        {dir / "big.txt", "larger than 16 MiB"},
    };
    std::ofstream(dir / "script.txt") << "# nothing to do\n";
    for (const auto& [path, why] : scripts) {
        setenv("VELMOOR_SCRIPT", path.c_str(), 1);
        ::testing::internal::CaptureStderr();
        window = createWindow(WindowDesc{});
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  why.empty() ? "" : "velmoor: cannot read the script " + path.string() + " (" + why + ")\n");
        EXPECT_EQ(drainMessageNumbers(), (std::vector<uint32_t>{msg::Close})) << path;
        destroyWindow(window);
    }
}

// The shared surface memory at every pixel size: fill, opaque and keyed copies, refused rectangles.
class SurfaceMemory : public HeadlessDisplay, public ::testing::WithParamInterface<PixelFormat> {};

TEST_P(SurfaceMemory, FillAndKeyedCopyAtEveryDepth)
{
    open(GetParam(), 16, 16);
    SurfaceHandle a = nullptr, b = nullptr;
    SurfaceDesc d;
    d.width = 4;
    d.height = 2;
    ASSERT_EQ(createSurface(device, d, a), result::Ok);
    ASSERT_EQ(createSurface(device, d, b), result::Ok);
    const uint32_t mask = GetParam().bitsPerPixel == 32 ? 0xFFFFFFFFu : (1u << GetParam().bitsPerPixel) - 1;
    const uint32_t colour = 0x89ABCDEFu & mask, under = 0x55555555u & mask;
    ASSERT_EQ(fillSurface(a, nullptr, colour), result::Ok);
    const Rect hole{1, 0, 3, 1};
    ASSERT_EQ(fillSurface(a, &hole, 0), result::Ok);
    ASSERT_EQ(fillSurface(b, nullptr, under), result::Ok);
    ASSERT_EQ(setColorKey(a, 0), result::Ok);
    ASSERT_EQ(bltFast(b, 0, 0, a, Rect{0, 0, 4, 2}, true), result::Ok);
    ASSERT_EQ(bltFast(primary, 12, 14, b, Rect{0, 0, 4, 2}, false), result::Ok);
    // Refused rectangles write nothing, including one whose end overflows.
    EXPECT_EQ(bltFast(primary, 13, 14, b, Rect{0, 0, 4, 2}, false), result::InvalidRect);
    EXPECT_EQ(bltFast(primary, 0x7FFFFFFF, 0, b, Rect{0, 0, 4, 2}, false), result::InvalidRect);
    ASSERT_EQ(presentSurface(primary), result::Ok);
    const headless::PresentedFrame* f = headless::lastFrame();
    // Key pixels left the destination alone.
    EXPECT_EQ((std::vector<uint32_t>{f->pixel(11, 14), f->pixel(12, 14), f->pixel(13, 14), f->pixel(14, 14),
                                     f->pixel(15, 15)}),
              (std::vector<uint32_t>{0, colour, under, under, colour}));
    releaseSurface(a);
    releaseSurface(b);
}

INSTANTIATE_TEST_SUITE_P(Depths, SurfaceMemory,
                         ::testing::Values(format::Indexed8, format::Rgb565, format::Rgb555, format::Rgb888,
                                           format::Xrgb8888),
                         [](const ::testing::TestParamInfo<PixelFormat>& info) {
                             const PixelFormat& f = info.param;
                             return "Bits" + std::to_string(f.bitsPerPixel) + (f == format::Rgb555 ? "x555" : "");
                         });

TEST_F(HeadlessDisplay, SurfaceSizesAndCallerMemoryAreChecked)
{
    open();
    SurfaceHandle s = nullptr;
    SurfaceDesc d;
    for (auto [w, h] : {std::pair{0, 4}, {4, -1}, {16385, 1}, {16384, 16384}}) {
        d.width = w;
        d.height = h;
        EXPECT_EQ(createSurface(device, d, s), result::InvalidParams) << w << "x" << h;
        EXPECT_EQ(s, nullptr);
    }
    std::vector<uint8_t> memory(64);
    d.width = 8;
    d.height = 4;
    d.memory = memory.data();
    d.pitch = 15; // narrower than a row
    EXPECT_EQ(createSurface(device, d, s), result::InvalidParams);
    d.pitch = 16;
    ASSERT_EQ(createSurface(device, d, s), result::Ok);
    ASSERT_EQ(fillSurface(s, nullptr, 0xABCD), result::Ok);
    EXPECT_EQ(memory[62], 0xCD);
    releaseSurface(s);
}

// The kept frame shares the primary's memory until the primary is drawn again. A seeded run of
// fills, opaque, keyed and overlapping copies, direct writes and presents against a model of
// both: the primary always reads what was drawn, every frame (also a copy of one kept across
// later presents) what was presented.
TEST_F(HeadlessDisplay, PrimaryAndKeptFramesReadAsDrawnAndAsPresented)
{
    constexpr int W = 8, H = 4;
    open(format::Rgb565, W, H);
    SurfaceHandle picture = nullptr, sprite = nullptr;
    SurfaceDesc d;
    d.width = W;
    d.height = H;
    ASSERT_EQ(createSurface(device, d, picture), result::Ok);
    d.width = 3;
    d.height = 2;
    ASSERT_EQ(createSurface(device, d, sprite), result::Ok);
    ASSERT_EQ(setColorKey(sprite, 7), result::Ok);
    std::vector<uint16_t> primaryModel(W * H, 0), frameModel, pictureModel(W * H), spriteModel(6);
    SeededRng rng{0x5EED};
    auto next = [&rng](uint32_t n) { return static_cast<int>(rng.below(n)); };
    auto fill = [](SurfaceHandle s, std::vector<uint16_t>& model, int width, auto value) {
        LockedPixels l;
        ASSERT_EQ(lockSurface(s, l), result::Ok);
        for (std::size_t i = 0; i < model.size(); ++i) {
            model[i] = static_cast<uint16_t>(value());
            std::memcpy(static_cast<uint8_t*>(l.pixels) + (i / width) * l.pitch + (i % width) * 2, &model[i], 2);
        }
        ASSERT_EQ(unlockSurface(s), result::Ok);
    };
    auto bytesOf = [](const std::vector<uint16_t>& model) {
        std::vector<uint8_t> out(model.size() * 2);
        std::memcpy(out.data(), model.data(), out.size());
        return out;
    };
    std::vector<std::pair<headless::PresentedFrame, std::vector<uint16_t>>> kept;
    uint64_t wholeCopies = 0;
    for (int step = 0; step < 400; ++step) {
        switch (next(7)) {
        case 0: { // fill a rectangle, sometimes the whole primary
            const bool whole = next(2);
            const int l = whole ? 0 : next(W), t = whole ? 0 : next(H);
            const Rect r{l, t, whole ? W : l + 1 + next(W - l), whole ? H : t + 1 + next(H - t)};
            const auto c = static_cast<uint16_t>(next(0x10000));
            ASSERT_EQ(fillSurface(primary, &r, c), result::Ok);
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    primaryModel[static_cast<std::size_t>(y * W + x)] = c;
            break;
        }
        case 1: // the whole primary from another surface, as a present does
            fill(picture, pictureModel, W, [&] { return next(0x10000); });
            ASSERT_EQ(bltFast(primary, 0, 0, picture, Rect{0, 0, W, H}, false), result::Ok);
            primaryModel = pictureModel;
            ++wholeCopies;
            break;
        case 2: { // a keyed sprite somewhere
            fill(sprite, spriteModel, 3, [&] { return next(2) ? 7 : next(0x10000); });
            const int x = next(W - 2), y = next(H - 1);
            ASSERT_EQ(bltFast(primary, x, y, sprite, Rect{0, 0, 3, 2}, true), result::Ok);
            for (int sy = 0; sy < 2; ++sy)
                for (int sx = 0; sx < 3; ++sx)
                    if (const uint16_t v = spriteModel[static_cast<std::size_t>(sy * 3 + sx)]; v != 7)
                        primaryModel[static_cast<std::size_t>((y + sy) * W + x + sx)] = v;
            break;
        }
        case 3: { // one pixel through a lock
            const int i = next(W * H);
            const auto v = static_cast<uint16_t>(next(0x10000));
            LockedPixels l;
            ASSERT_EQ(lockSurface(primary, l), result::Ok);
            std::memcpy(static_cast<uint8_t*>(l.pixels) + (i / W) * l.pitch + (i % W) * 2, &v, 2);
            ASSERT_EQ(unlockSurface(primary), result::Ok);
            primaryModel[static_cast<std::size_t>(i)] = v;
            break;
        }
        case 4: { // the primary onto itself, one column to the right
            ASSERT_EQ(bltFast(primary, 1, 0, primary, Rect{0, 0, W - 1, H}, false), result::Ok);
            const std::vector<uint16_t> before = primaryModel;
            for (int y = 0; y < H; ++y)
                for (int x = 1; x < W; ++x)
                    primaryModel[static_cast<std::size_t>(y * W + x)] = before[static_cast<std::size_t>(y * W + x - 1)];
            break;
        }
        case 5:
            ASSERT_EQ(presentSurface(primary), result::Ok);
            frameModel = primaryModel;
            if (next(4) == 0)
                kept.emplace_back(*headless::lastFrame(), frameModel);
            break;
        default: { // an unchanged primary read through a lock
            LockedPixels l;
            ASSERT_EQ(lockSurface(primary, l), result::Ok);
            ASSERT_EQ(unlockSurface(primary), result::Ok);
            break;
        }
        }
        LockedPixels l;
        ASSERT_EQ(lockSurface(primary, l), result::Ok);
        ASSERT_EQ(std::vector<uint8_t>(static_cast<uint8_t*>(l.pixels), static_cast<uint8_t*>(l.pixels) + W * H * 2),
                  bytesOf(primaryModel))
            << "step " << step;
        ASSERT_EQ(unlockSurface(primary), result::Ok);
        if (!frameModel.empty()) {
            const headless::FrameBytes& shown = headless::lastFrame()->pixels;
            ASSERT_EQ(std::vector<uint8_t>(shown.begin(), shown.end()), bytesOf(frameModel)) << "step " << step;
        }
    }
    EXPECT_EQ(headless::fullFrameCopies(), wholeCopies); // presents copy nothing
    releaseSurface(primary); // the frames outlive the surface that showed them
    primary = nullptr;
    ASSERT_FALSE(kept.empty());
    for (const auto& [frame, model] : kept)
        ASSERT_EQ(std::vector<uint8_t>(frame.pixels.begin(), frame.pixels.end()), bytesOf(model));
    releaseSurface(picture);
    releaseSurface(sprite);
}
