// Resampling dispatchers, nearest loops and all 64 drivers against the reference model, between canaries.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "img/image_row.h"
#include "img/resample.h"
#include "img/resample_driver.h"
#include "img_test_support.h"
#include "resample_model.h"

namespace {

using namespace talvo::g;
using imgtest::Guarded;
using imgtest::Mismatches;

struct Case {
    PelFmtId id;
    ResampleMode mode;
    bool keyed;
    std::int32_t sw, sh, tw, th;
    int keysPerMille = 300;  // share of key pixels in keyed sources
};

constexpr std::uint8_t canary = 0xA5;  // Guarded's fill: untouched padding and guards keep it

// The drivers' sample-by-sample path, which sources of 2^24 columns or more take.
void bySamples(const Case& c, std::uint32_t key, std::uint8_t* dst, std::int32_t dstPitch, const std::uint8_t* src,
               std::int32_t srcPitch) {
    imgtest::forEachPixelFormat([&]<PelFmtId Id>() {
        if (Id != c.id) return;
        PlainCollector<Pixel<Id>> plain;
        KeyedCollector<Pixel<Id>> keyed(Pixel<Id>::fromValue(key));
        const auto run = [&]<bool Wx, bool Wy>() {
            if (c.keyed)
                resample_detail::resampleBySamples<Pixel<Id>, Wx, Wy>(dst, dstPitch, c.tw, c.th, src, srcPitch, c.sw,
                                                                      c.sh, keyed);
            else
                resample_detail::resampleBySamples<Pixel<Id>, Wx, Wy>(dst, dstPitch, c.tw, c.th, src, srcPitch, c.sw,
                                                                      c.sh, plain);
        };
        if (c.mode == 1) run.template operator()<false, false>();
        if (c.mode == 2) run.template operator()<true, false>();
        if (c.mode == 3) run.template operator()<false, true>();
        if (c.mode == 4) run.template operator()<true, true>();
    });
}

// One case through the dispatcher over wrapped guarded memory: random padding, source pitch of either
// sign, key pixels (with random x bits) at the case's share in keyed sources. Every byte is checked afterwards.
void runCase(const Case& c, SeededRng& rng, Mismatches& bad) {
    const std::int32_t bytes = std::int32_t(pelBytes(c.id));
    const std::int32_t srcStride = c.sw * bytes + std::int32_t(rng.below(3)) * bytes + std::int32_t(rng.below(2));
    const std::int32_t dstStride = c.tw * bytes + std::int32_t(rng.below(5));
    const bool bottomUp = rng.below(3) == 0;
    // The source block ends right after its last pixel, so the sanitizer sees any read past it.
    const std::size_t srcBytes =
        c.sw > 0 && c.sh > 0 ? std::size_t(srcStride) * std::size_t(c.sh - 1) + std::size_t(c.sw) * bytes : 0;
    const std::unique_ptr<std::uint8_t[]> srcMem(new std::uint8_t[srcBytes + (srcBytes == 0 ? 1 : 0)]());
    std::uint8_t* srcBase = srcMem.get();
    Guarded dstMem(std::size_t(dstStride) * std::size_t(c.th));
    const std::uint32_t valueMask = bytes >= 4 ? ~0u : (1u << (8 * bytes)) - 1;
    const std::uint32_t key = rng.next32() & valueMask;
    const std::uint32_t keyMask = c.id >= 1 && c.id <= 8 ? resample_model::formats[c.id].keyMask : valueMask;
    for (std::int32_t r = 0; r < c.sh; ++r)
        for (std::int32_t k = 0; k < c.sw; ++k) {
            std::uint32_t v = 0;
            for (std::int32_t b = 0; b < bytes; ++b) v |= std::uint32_t{rng.edgeByte()} << (8 * b);
            if (c.keyed && rng.below(1000) < std::uint32_t(c.keysPerMille)) v = (key & keyMask) | (v & ~keyMask & valueMask);
            for (std::int32_t b = 0; b < bytes; ++b)
                srcBase[std::size_t(r) * srcStride + std::size_t(k) * bytes + b] = std::uint8_t(v >> (8 * b));
        }
    const std::vector<std::uint8_t> srcBefore(srcBase, srcBase + srcBytes);
    std::uint8_t* srcFirst = bottomUp && c.sh > 0 ? srcBase + std::size_t(srcStride) * std::size_t(c.sh - 1) : srcBase;
    const std::int32_t srcPitch = bottomUp ? -srcStride : srcStride;
    ImageRow source(c.sw, c.sh, PelFmt(c.id), srcFirst, srcPitch);
    ImageRow target(c.tw, c.th, PelFmt(c.id), dstMem.data(), dstStride);
    if (c.keyed) source.setColorKey(key);
    {
        const Image::Lock to(target, nullptr, Image::lockWrite);
        const Image::Lock from(source, nullptr, Image::lockRead);
        (c.keyed ? resampleKeyed : resamplePlain)(c.tw, c.th, c.mode, to, from, key, target.format(), source);
    }

    const resample_model::Picture pic{srcFirst, srcPitch, c.sw, c.sh, bytes};
    const std::uint32_t modelKey = c.id == 3 && c.mode == 4 ? key | 0xFF000000u : key;
    for (std::int32_t j = 0; j < c.th; ++j) {
        const std::uint8_t* row = dstMem.data() + std::size_t(j) * dstStride;
        for (std::int32_t i = 0; i < c.tw; ++i) {
            std::uint32_t want = 0;
            if (c.sw == 0 || c.sh == 0 || c.mode > 4 || c.id == 0 || c.id >= 10) want = 0;
            else if (c.mode == 0 || c.id == 9) want = resample_model::nearest(pic, c.tw, c.th, i, j);
            else want = resample_model::filtered(pic, int(c.id), int(c.mode), c.keyed, modelKey, c.tw, c.th, i, j);
            const std::uint32_t got = imgtest::le(row + std::size_t(i) * bytes, std::uint32_t(bytes));
            if (got != want)
                bad.add("format ", c.id, " mode ", c.mode, c.keyed ? " keyed " : " plain ", c.sw, "x", c.sh, " -> ",
                        c.tw, "x", c.th, " pixel (", i, ",", j, "): want ", std::hex, want, " got ", got, std::dec);
        }
        for (std::int32_t b = c.tw * bytes; b < dstStride; ++b)
            if (row[b] != canary) bad.add("padding written, row ", j, " format ", c.id, " mode ", c.mode);
    }
    if (!dstMem.guardsIntact()) bad.add("guard band written, format ", c.id);
    if (c.id >= 1 && c.id <= 8 && c.mode >= 1 && c.mode <= 4 && c.sw > 0 && c.sh > 0 && c.tw > 0 &&
        c.th > 0) {
        std::vector<std::uint8_t> again(std::size_t(dstStride) * std::size_t(c.th), canary);
        bySamples(c, modelKey, again.data(), dstStride, srcFirst, srcPitch);
        if (!std::equal(again.begin(), again.end(), dstMem.data()))
            bad.add("sample-by-sample path differs, format ", c.id, " mode ", c.mode, " ", c.sw, "x", c.sh, " -> ",
                    c.tw, "x", c.th);
    }
    if (!std::equal(srcBefore.begin(), srcBefore.end(), srcBase)) bad.add("source changed, format ", c.id);
}

// Sides 1 to 40, every format with a routine, every mode and kind; seed per round so one reruns alone.
TEST(ResampleSweep, RandomImagesAgainstModel) {
    Mismatches bad;
    for (std::uint64_t seed = 1; seed <= 2000; ++seed) {
        SeededRng rng(seed);
        const Case c{1 + rng.below(9), rng.below(5), rng.below(2) == 1, std::int32_t(1 + rng.below(40)),
                     std::int32_t(1 + rng.below(40)), std::int32_t(1 + rng.below(40)),
                     std::int32_t(1 + rng.below(40))};
        runCase(c, rng, bad);
    }
    EXPECT_TRUE(bad.none());
}

// Every format 0 to 11 x modes 0 to 4 and 7 x kind at small sides, some sides of 100 to 300, strips
// wider than 32768, box blocks of two widths, and sides of 0: the model's pixels, canaries and guards untouched.
TEST(ResampleSweep, EdgesAndSizesWithCanaries) {
    Mismatches bad;
    SeededRng rng(77);
    for (PelFmtId id = 0; id < pelFmtCount; ++id)
        for (ResampleMode mode : {0u, 1u, 2u, 3u, 4u, 7u})
            for (bool keyed : {false, true}) {
                for (int n = 0; n < 24; ++n) {
                    const Case c{id, mode, keyed, std::int32_t(1 + rng.below(12)), std::int32_t(1 + rng.below(12)),
                                 std::int32_t(1 + rng.below(12)), std::int32_t(1 + rng.below(12))};
                    runCase(c, rng, bad);
                }
                runCase({id, mode, keyed, 0, 5, 3, 4}, rng, bad);
                runCase({id, mode, keyed, 6, 0, 3, 4}, rng, bad);
                runCase({id, mode, keyed, 6, 5, 0, 4}, rng, bad);
                runCase({id, mode, keyed, 6, 5, 3, 0}, rng, bad);
            }
    for (PelFmtId id = 1; id <= 9; ++id)
        for (ResampleMode mode = 0; mode <= 4; ++mode) {
            const bool keyed = rng.below(2) == 1;
            runCase({id, mode, keyed, std::int32_t(100 + rng.below(201)), std::int32_t(1 + rng.below(40)),
                     std::int32_t(100 + rng.below(201)), std::int32_t(1 + rng.below(40))},
                    rng, bad);
        }
    // Sparse keys over several strips, enlarged and reduced: most runs of key flags empty, a few not.
    for (PelFmtId id = 1; id <= 8; ++id)
        for (ResampleMode mode = 1; mode <= 4; ++mode) {
            runCase({id, mode, true, std::int32_t(20 + rng.below(40)), std::int32_t(5 + rng.below(20)),
                     std::int32_t(130 + rng.below(300)), std::int32_t(10 + rng.below(40)), 5},
                    rng, bad);
            runCase({id, mode, true, std::int32_t(150 + rng.below(300)), std::int32_t(10 + rng.below(30)),
                     std::int32_t(60 + rng.below(100)), std::int32_t(4 + rng.below(10)), 5},
                    rng, bad);
        }
    // Columns of more than 256 samples, whose row pieces keep the inner sums apart.
    for (PelFmtId id = 1; id <= 8; ++id)
        for (ResampleMode mode = 1; mode <= 4; ++mode)
            runCase({id, mode, rng.below(2) == 1, std::int32_t(600 + rng.below(900)), std::int32_t(1 + rng.below(5)),
                     std::int32_t(1 + rng.below(2)), std::int32_t(1 + rng.below(4))},
                    rng, bad);
    for (ResampleMode mode : {0u, 1u, 4u}) {
        runCase({1, mode, true, 40000, 2, 33000, 3}, rng, bad);
        runCase({4, mode, false, 3, 1, 70000, 1}, rng, bad);
        runCase({3, mode, false, 70000, 1, 20000, 1}, rng, bad);
        // A whole step whose bounds still fall inside pixels: blocks of one and of two columns.
        runCase({3, mode, rng.below(2) == 1, 100001, 2, 100000, 1}, rng, bad);
    }
    EXPECT_TRUE(bad.none());
}

}  // namespace
