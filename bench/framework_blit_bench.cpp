// The framework's 5-6-5 fade step, keyed copy and alpha-masked blit on a full 800 x 600 frame,
// each against pixman and SDL2 doing the same job in the same run; the ratios (peer time over
// ours, above 1 when ours is faster) are printed after the table. Every peer's frame is checked
// against ours once before anything is timed.
#include "bench/bench_pictures.h"
#include "framework/AlphaBlit.h"
#include "framework/AlphaMask.h"
#include "framework/Display.h"
#include "framework/Mmx.h"
#include "framework/VectorLevel.h"
#include "framework/Surface.h"
#include "framework/Window.h"
#include "platform/platform.h"

#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int W = 800;
constexpr int H = 600;
constexpr uint16_t Key = 0xF81F; // magenta, the sprites' transparent colour
constexpr int FadeLevel = 128;

// splitmix64, so every run draws the same pictures.
uint64_t nextRandom(uint64_t& state)
{
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// A picture like the game's: noise inside discs on a key-coloured field (about half of it key),
// and a mask that is 0 outside the discs, 255 inside and soft at their rims.
struct Pictures {
    std::vector<uint16_t> picture = std::vector<uint16_t>(W * H);
    std::vector<uint16_t> screen = std::vector<uint16_t>(W * H);
    std::vector<uint8_t> mask = std::vector<uint8_t>(W * H);

    Pictures()
    {
        uint64_t seed = 15;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const int cx = (x % 200) - 100, cy = (y % 200) - 100;
                const int d2 = cx * cx + cy * cy;
                const auto i = static_cast<std::size_t>(y * W + x);
                auto v = static_cast<uint16_t>(nextRandom(seed));
                picture[i] = d2 < 80 * 80 ? static_cast<uint16_t>(v == Key ? v ^ 1 : v) : Key;
                screen[i] = static_cast<uint16_t>(nextRandom(seed));
                mask[i] = d2 < 70 * 70 ? 255 : d2 < 80 * 80 ? static_cast<uint8_t>((80 * 80 - d2) * 255 / 1500) : 0;
            }
    }
};

const Pictures& pictures()
{
    static const Pictures p;
    return p;
}

// ---- ours: the framework on the headless display ----

Window ourWindow;
Display ourDisplay;

struct Ours {
    Surface source;
    Surface maskPicture;

    Ours()
    {
        plat::setBackendKind(plat::BackendKind::Headless);
        if (!ourWindow.create("bench", nullptr, nullptr, WindowStylePopup, 0, 0, W, H) || ourDisplay.create() != 0 ||
            ourDisplay.setMode(DisplayMode::OwnMemoryBack, ourWindow.handle, W, H, 16) != 0)
            std::abort();
        mmxEnabled = 0; // as the game runs
        (void)source.create(&ourDisplay, SurfaceKind::System, W, H);
        copyInto(source, pictures().picture.data());
        (void)source.createAlphaMask();
        std::memcpy(source.alphaMask->alpha.data(), pictures().mask.data(), pictures().mask.size());
    }

    static void copyInto(Surface& s, const uint16_t* from)
    {
        for (int y = 0; y < H; ++y)
            std::memcpy(s.pixels + static_cast<std::ptrdiff_t>(y) * s.pitch, from + y * W, W * 2);
    }
    void resetScreen() { copyInto(*ourDisplay.back, pictures().screen.data()); }
};

Ours& ours()
{
    static Ours o;
    return o;
}

void BM_Ours_FadeStep(benchmark::State& state)
{
    Ours& o = ours();
    for (auto _ : state) {
        Rect r{0, 0, W, H};
        blitBlended(&o.source, ourDisplay.back, 0, 0, r, 0, FadeLevel);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Ours_FadeStep);

void BM_Ours_KeyedCopy(benchmark::State& state)
{
    Ours& o = ours();
    o.resetScreen();
    o.source.setColorKey(Key);
    o.source.flags |= SurfaceFlag::keyed;
    for (auto _ : state) {
        Rect r{0, 0, W, H};
        benchmark::DoNotOptimize(o.source.blit(ourDisplay.back, 0, 0, r));
        benchmark::ClobberMemory();
    }
    o.source.flags &= static_cast<uint8_t>(~SurfaceFlag::keyed);
}
BENCHMARK(BM_Ours_KeyedCopy);

// Drawing the same picture again changes nothing where it is opaque, as in the game's dialog,
// which redraws its panel every frame.
void BM_Ours_AlphaMaskedBlit(benchmark::State& state)
{
    Ours& o = ours();
    o.resetScreen();
    for (auto _ : state) {
        Rect r{0, 0, W, H};
        blitAlphaMasked(&o.source, ourDisplay.back, 0, 0, r);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Ours_AlphaMaskedBlit);

// ---- pixman ----

struct PixmanImages {
    std::vector<uint16_t> picture = pictures().picture;
    std::vector<uint16_t> screen = pictures().screen;
    std::vector<uint8_t> mask = pictures().mask;
    std::vector<uint32_t> argb = std::vector<uint32_t>(W * H);
    pixman_image_t* src = pixman_image_create_bits(PIXMAN_r5g6b5, W, H, reinterpret_cast<uint32_t*>(picture.data()),
                                                   W * 2);
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_r5g6b5, W, H, reinterpret_cast<uint32_t*>(screen.data()),
                                                   W * 2);
    pixman_image_t* a8 = pixman_image_create_bits(PIXMAN_a8, W, H, reinterpret_cast<uint32_t*>(mask.data()), W);
    // The picture with its mask as pixman keeps an alpha picture, premultiplied, made once.
    pixman_image_t* premultiplied = pixman_image_create_bits(PIXMAN_a8r8g8b8, W, H, argb.data(), W * 4);
    pixman_color_t black127{0, 0, 0, 127 * 257};
    pixman_image_t* black = pixman_image_create_solid_fill(&black127);

    PixmanImages() { pixman_image_composite32(PIXMAN_OP_SRC, src, a8, premultiplied, 0, 0, 0, 0, 0, 0, W, H); }
    ~PixmanImages()
    {
        for (pixman_image_t* i : {src, dst, a8, premultiplied, black}) pixman_image_unref(i);
    }

    // Each job in pixman's fastest form that gives the bytes of its one-call form. The fade is a
    // copy, then black at alpha 127 over it: x * 128 / 255 per channel, as SRC through a solid mask
    // of 128 gives, which takes pixman's general path at about three times the time.
    void fade()
    {
        pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, W, H);
        pixman_image_composite32(PIXMAN_OP_OVER, black, nullptr, dst, 0, 0, 0, 0, 0, 0, W, H);
    }
    // OVER of the premultiplied picture, as OVER of the picture through the a8 mask gives, which
    // takes the general path at about two and a half times the time.
    void alphaMaskedBlit()
    {
        pixman_image_composite32(PIXMAN_OP_OVER, premultiplied, nullptr, dst, 0, 0, 0, 0, 0, 0, W, H);
    }
};

PixmanImages& pixmanImages()
{
    static PixmanImages p;
    return p;
}

void BM_Pixman_FadeStep(benchmark::State& state)
{
    PixmanImages& p = pixmanImages();
    for (auto _ : state) {
        p.fade();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Pixman_FadeStep);

void BM_Pixman_AlphaMaskedBlit(benchmark::State& state)
{
    PixmanImages& p = pixmanImages();
    for (auto _ : state) {
        p.alphaMaskedBlit();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Pixman_AlphaMaskedBlit);

// ---- SDL2 ----

struct SdlSurfaces {
    std::vector<uint16_t> picture = pictures().picture;
    std::vector<uint16_t> screen = pictures().screen;
    SDL_Surface* src =
        SDL_CreateRGBSurfaceWithFormatFrom(picture.data(), W, H, 16, W * 2, SDL_PIXELFORMAT_RGB565);
    SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormatFrom(screen.data(), W, H, 16, W * 2, SDL_PIXELFORMAT_RGB565);
    ~SdlSurfaces()
    {
        SDL_FreeSurface(dst);
        SDL_FreeSurface(src);
    }
};

void keyedSdl(benchmark::State& state, bool rle)
{
    static SdlSurfaces s;
    SDL_SetColorKey(s.src, SDL_TRUE, Key);
    SDL_SetSurfaceRLE(s.src, rle ? 1 : 0);
    SDL_SetSurfaceBlendMode(s.src, SDL_BLENDMODE_NONE);
    for (auto _ : state) {
        SDL_Rect r{0, 0, W, H};
        benchmark::DoNotOptimize(SDL_BlitSurface(s.src, nullptr, s.dst, &r));
        benchmark::ClobberMemory();
    }
}

void BM_Sdl_KeyedCopy(benchmark::State& state) { keyedSdl(state, false); }
BENCHMARK(BM_Sdl_KeyedCopy);
void BM_SdlRle_KeyedCopy(benchmark::State& state) { keyedSdl(state, true); }
BENCHMARK(BM_SdlRle_KeyedCopy);

// Collects every repetition's CPU time (robust on a shared machine) and prints, per job, each
// peer's median over ours.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                runs_[r.run_name.str()].push_back(r.GetAdjustedCPUTime());
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::map<std::string, double> times_;
        for (auto& [name, t] : runs_) {
            std::sort(t.begin(), t.end());
            times_[name] = t.size() % 2 ? t[t.size() / 2] : (t[t.size() / 2 - 1] + t[t.size() / 2]) / 2;
        }
        std::printf("\nratio = peer CPU time / our CPU time, medians (>= 1.0: ours is faster)\n");
        for (const char* job : {"FadeStep", "KeyedCopy", "AlphaMaskedBlit"}) {
            const auto ours = times_.find(std::string("BM_Ours_") + job);
            if (ours == times_.end() || ours->second <= 0)
                continue;
            for (const char* peer : {"Pixman", "Sdl", "SdlRle"}) {
                const auto other = times_.find(std::string("BM_") + peer + "_" + job);
                if (other != times_.end())
                    std::printf("%-16s vs %-7s %6.2fx  (ours %.1f us, peer %.1f us)\n", job, peer,
                                other->second / ours->second, ours->second / 1000, other->second / 1000);
            }
        }
    }

private:
    std::map<std::string, std::vector<double>> runs_;
};

// ---- the output check ----

// Our frame after one pass of a job from the screen picture.
template <class Job>
std::vector<uint16_t> oursOnce(Job job)
{
    Ours& o = ours();
    o.resetScreen();
    job(o);
    std::vector<uint16_t> frame(W * H);
    for (int y = 0; y < H; ++y)
        std::memcpy(&frame[static_cast<std::size_t>(y) * W], ourDisplay.back->pixels + static_cast<std::ptrdiff_t>(y) * ourDisplay.back->pitch, W * 2);
    o.resetScreen();
    return frame;
}

// How far a peer may be from ours, in steps of the 5- and 6-bit fields: pixman blends at 8 bits
// and cuts to the fields where ours blends at the fields' own widths, one step; at the mask's soft
// rims the two also weigh the 8-bit alpha differently, two steps. SDL's keyed copies are exact.
constexpr int PixmanFadeTolerance = 1, PixmanMaskTolerance = 2;

void checkPeers()
{
    auto same = [](const char* job, const std::vector<uint16_t>& mine, const uint16_t* peer, int tolerance) {
        std::string where;
        if (bench::compareChannels(bench::Layout::Rgb565, 2, reinterpret_cast<const std::uint8_t*>(mine.data()),
                                   reinterpret_cast<const std::uint8_t*>(peer), mine.size(), tolerance, where) < 0)
            bench::fail(job, where + " (tolerance " + std::to_string(tolerance) + ")");
    };
    const Rect all{0, 0, W, H};
    const auto fade = oursOnce([&](Ours& o) { Rect r = all; blitBlended(&o.source, ourDisplay.back, 0, 0, r, 0, FadeLevel); });
    const auto keyed = oursOnce([&](Ours& o) {
        o.source.setColorKey(Key);
        o.source.flags |= SurfaceFlag::keyed;
        Rect r = all;
        (void)o.source.blit(ourDisplay.back, 0, 0, r);
        o.source.flags &= static_cast<uint8_t>(~SurfaceFlag::keyed);
    });
    const auto masked = oursOnce([&](Ours& o) { Rect r = all; blitAlphaMasked(&o.source, ourDisplay.back, 0, 0, r); });
    {
        PixmanImages p;
        p.fade();
        same("fade step, pixman", fade, p.screen.data(), PixmanFadeTolerance);
    }
    {
        PixmanImages p;
        p.alphaMaskedBlit();
        same("alpha-masked blit, pixman", masked, p.screen.data(), PixmanMaskTolerance);
    }
    for (const bool rle : {false, true}) {
        SdlSurfaces s;
        SDL_SetColorKey(s.src, SDL_TRUE, Key);
        SDL_SetSurfaceRLE(s.src, rle ? 1 : 0);
        SDL_SetSurfaceBlendMode(s.src, SDL_BLENDMODE_NONE);
        SDL_Rect r{0, 0, W, H};
        SDL_BlitSurface(s.src, nullptr, s.dst, &r);
        same(rle ? "keyed copy, SDL with RLE" : "keyed copy, SDL", keyed, s.screen.data(), 0);
    }
}

} // namespace

int main(int argc, char** argv)
{
    shareSimdLevel(); // the game's level (VELMOOR_SIMD, capped by the processor)
    benchmark::Initialize(&argc, argv);
    checkPeers();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
