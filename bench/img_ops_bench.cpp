// The graphics core's drawing operations on 800 x 600 images, each against pixman on the matching
// formats in the same run: every copy pair, fills, alpha draws and constant-alpha blends.
// After the run a table gives each pair's ratio, pixman's time over ours (1.0 or more: ours is as fast).
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "img/image_row.h"

namespace {

using talvo::g::ImageRow;
using talvo::g::PelFmt;
using talvo::g::PelFmtId;

constexpr int width = 800;
constexpr int height = 600;

const char* const names[9] = {"", "Rgb888", "Rgbx8888", "Rgba8888", "Rgb565", "Rgbx5551", "Rgba5551", "Rgbx4444", "Rgba4444"};
const pixman_format_code_t pixmanFormats[9] = {
    PIXMAN_a8r8g8b8, PIXMAN_r8g8b8,   PIXMAN_x8r8g8b8, PIXMAN_a8r8g8b8, PIXMAN_r5g6b5,
    PIXMAN_x1r5g5b5, PIXMAN_a1r5g5b5, PIXMAN_x4r4g4b4, PIXMAN_a4r4g4b4,
};

// Pixels of one format for both libraries: rows 4-byte aligned, as pixman needs; random bytes, so
// alphas are mixed. The pattern starts where the pixels do, so two pictures of one format hold the
// same pixels wherever their buffers were placed.
struct Picture {
    explicit Picture(PelFmtId id) : id(id), pitch(int(talvo::g::pelFmtBytes[id]) * width), bytes(std::size_t(pitch) * height + 64) {
        std::uint32_t state = 0x2545F491u * id + 1;
        for (std::uint8_t *b = data(), *end = b + std::size_t(pitch) * height; b != end; ++b) {
            state ^= state << 13, state ^= state >> 17, state ^= state << 5;
            *b = std::uint8_t(state);
        }
        image = std::make_unique<ImageRow>(width, height, PelFmt(id), data(), pitch);
        pixman = pixman_image_create_bits(pixmanFormats[id], width, height, reinterpret_cast<std::uint32_t*>(data()), pitch);
    }
    ~Picture() { pixman_image_unref(pixman); }
    std::uint8_t* data() { return bytes.data() + (reinterpret_cast<std::uintptr_t>(bytes.data()) & 31 ? 32 - (reinterpret_cast<std::uintptr_t>(bytes.data()) & 31) : 0); }

    PelFmtId id;
    int pitch;
    std::vector<std::uint8_t> bytes;
    std::unique_ptr<ImageRow> image;
    pixman_image_t* pixman;
};

// pixman's OVER takes premultiplied colours where our alpha draw takes straight ones: its source is
// premultiplied once, before timing, so both sides draw the same picture.
void premultiply(Picture& p) {
    for (std::uint8_t *b = p.data(), *end = b + std::size_t(p.pitch) * height; b != end; b += 4)
        for (int c = 0; c < 3; ++c) b[c] = std::uint8_t((b[c] * b[3] + 127) / 255);
}

void composite(pixman_op_t op, Picture& src, pixman_image_t* mask, Picture& dst) {
    pixman_image_composite32(op, src.pixman, mask, dst.pixman, 0, 0, 0, 0, 0, 0, width, height);
}

// Both sides' destinations as a8r8g8b8 through pixman (which widens every field the same way for
// both), compared channel by channel: a peer that differs by more than `tolerance` times another
// job, so the run ends.
// One step of the destination's narrowest colour field, in 8 bits: where a copy narrows a field
// ours rounds and pixman cuts, one step apart at most; blends also round at different widths on
// the two sides, three steps apart at most.
int step(PelFmtId d) {
    const int levels = (1 << (d <= 3 ? 8 : d <= 6 ? 5 : 4)) - 1;
    return (255 + levels - 1) / levels;
}

void checkSame(const std::string& name, Picture& ours, Picture& peer, int tolerance) {
    std::vector<std::uint32_t> wide[2];
    Picture* sides[2] = {&ours, &peer};
    for (int i = 0; i < 2; ++i) {
        wide[i].resize(std::size_t(width) * height);
        pixman_image_t* out = pixman_image_create_bits(PIXMAN_a8r8g8b8, width, height, wide[i].data(), width * 4);
        pixman_image_composite32(PIXMAN_OP_SRC, sides[i]->pixman, nullptr, out, 0, 0, 0, 0, 0, 0, width, height);
        pixman_image_unref(out);
    }
    for (std::size_t i = 0; i < wide[0].size(); ++i)
        for (int shift = 0; shift < 32; shift += 8) {
            const int a = int(wide[0][i] >> shift & 0xFF), b = int(wide[1][i] >> shift & 0xFF);
            if (std::abs(a - b) > tolerance) {
                std::fprintf(stderr, "%s: the peer's output is not ours: pixel %zu, bits %d-%d: ours %d, pixman %d (tolerance %d)\n",
                             name.c_str(), i, shift, shift + 7, a, b, tolerance);
                std::exit(1);
            }
        }
}

// Registers one case for both sides; `ours` and `theirs` draw one frame into `dst` and `peer`,
// which start out the same. Each draws once and the two are compared before anything is timed.
template <class Ours, class Theirs>
void pair(const std::string& name, Picture& dst, Picture& peer, int tolerance, Ours ours, Theirs theirs) {
    ours();
    theirs();
    checkSame(name, dst, peer, tolerance);
    benchmark::RegisterBenchmark((name + "/ours").c_str(), [=](benchmark::State& state) mutable {
        for (auto _ : state) {
            ours();
            benchmark::ClobberMemory();
        }
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((name + "/pixman").c_str(), [=](benchmark::State& state) mutable {
        for (auto _ : state) {
            theirs();
            benchmark::ClobberMemory();
        }
    })->Unit(benchmark::kMicrosecond);
}

std::vector<std::unique_ptr<Picture>> pictures;

Picture& picture(PelFmtId id) { return *pictures.emplace_back(std::make_unique<Picture>(id)); }

void registerAll() {
    for (PelFmtId d = 1; d <= 8; ++d)
        for (PelFmtId s = 1; s <= 8; ++s) {
            Picture &src = picture(s), &dst = picture(d), &src2 = picture(s), &dst2 = picture(d);
            pair(std::string("copy/") + names[d] + "<-" + names[s], dst, dst2, step(d), [&] { dst.image->blit(0, 0, *src.image); },
                 [&] { composite(PIXMAN_OP_SRC, src2, nullptr, dst2); });
        }
    for (PelFmtId id : {PelFmtId{4}, PelFmtId{2}, PelFmtId{1}}) {
        Picture &ours = picture(id), &theirs = picture(id);
        const int bpp = int(talvo::g::pelFmtBytes[id]) * 8;
        pair(std::string("fill/") + names[id], ours, theirs, 0, [&] { ours.image->fill(0x00123456); },
             [&theirs, bpp] {
                 if (bpp == 24) {
                     const pixman_color_t colour{0x1212, 0x3434, 0x5656, 0xFFFF};
                     const pixman_rectangle16_t all{0, 0, width, height};
                     pixman_image_fill_rectangles(PIXMAN_OP_SRC, theirs.pixman, &colour, 1, &all);
                 } else {
                     pixman_fill(reinterpret_cast<std::uint32_t*>(theirs.data()), theirs.pitch / 4, bpp, 0, 0, width,
                                 height, bpp == 16 ? 0x34563456u : 0x00123456u);
                 }
             });
    }
    for (PelFmtId d : {PelFmtId{2}, PelFmtId{4}}) {
        Picture &src = picture(3), &dst = picture(d), &src2 = picture(3), &dst2 = picture(d);
        premultiply(src2);
        pair(std::string("draw/") + names[d] + "<-Rgba8888", dst, dst2, 3 * step(d), [&] { dst.image->draw(0, 0, *src.image); },
             [&] { composite(PIXMAN_OP_OVER, src2, nullptr, dst2); });
    }
    static std::uint32_t maskBits = 128;
    static pixman_image_t* mask = [] {
        pixman_image_t* m = pixman_image_create_bits(PIXMAN_a8, 1, 1, &maskBits, 4);
        pixman_image_set_repeat(m, PIXMAN_REPEAT_NORMAL);
        return m;
    }();
    for (auto [d, s] : {std::pair<PelFmtId, PelFmtId>{2, 2}, {4, 4}, {4, 1}}) {
        Picture &src = picture(s), &dst = picture(d), &src2 = picture(s), &dst2 = picture(d);
        pair(std::string("alphaK128/") + names[d] + "<-" + names[s], dst, dst2, 3 * step(d),
             [&] { dst.image->blendK(0, 0, *src.image, nullptr, 128); },
             [&] { composite(PIXMAN_OP_OVER, src2, mask, dst2); });
    }
}

// Collects each repetition's CPU time and prints pixman's median over ours per case once the run
// is done.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const std::string name = run.run_name.str();
            const auto slash = name.rfind('/');
            times_[name.substr(0, slash)][name.substr(slash + 1)].push_back(run.GetAdjustedCPUTime());
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        int below = 0;
        std::printf("\n%-32s %10s %10s %7s\n", "case (CPU time, median)", "ours us", "pixman us", "ratio");
        for (const auto& [name, t] : times_) {
            if (t.count("ours") == 0 || t.count("pixman") == 0) continue;
            const double ours = median(t.at("ours")), pixman = median(t.at("pixman")), ratio = pixman / ours;
            below += ratio < 1.0;
            std::printf("%-32s %10.1f %10.1f %7.2f\n", name.c_str(), ours, pixman, ratio);
        }
        std::printf("%d case(s) below 1.0x\n", below);
    }

private:
    static double median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        const std::size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }

    std::map<std::string, std::map<std::string, std::vector<double>>> times_;
};

}  // namespace

int main(int argc, char** argv) {
    registerAll();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    pictures.clear();
}
