// The one row-loop template of the sprite draws over (group, pixel rule, key, depth, direction).
#pragma once

#include <cstdint>
#include <cstring>

#include "sprite/pelOpList.h"
#include "sprite/rle8Codec.h"
#include "sprite/rle8Job.h"
#include "sprite/pelKinds.h"

namespace rle8 {

// A destination group is the group of the palette's table converted for it: rgb888, 32-bit,
// rgb565, or rgbx5551 for both 5551 kinds.
using Group = PelGroup;

template <Group G>
inline constexpr int bytesOf = pelLayoutOf(G).bytes;

// A table entry equals the key in the bits the group's keys compare (for 5551 entries, bit 15
// takes no part).
template <Group G>
inline bool isKey(const std::uint8_t* e, std::uint32_t key)
{
    constexpr std::uint32_t mask = pelLayoutOf(G).keyMask();
    if constexpr (bytesOf<G> == 3) {
        return e[0] == (key & 255) && e[1] == ((key >> 8) & 255) && e[2] == ((key >> 16) & 255);
    } else if constexpr (bytesOf<G> == 4) {
        std::uint32_t v;
        std::memcpy(&v, e, 4);
        return v == key;
    } else if constexpr (mask == 0xFFFF) {
        return pel::loadWord(e) == key;
    } else {
        return ((pel::loadWord(e) ^ key) & mask) == 0;
    }
}

// Pixel rules: apply(destination pixel, table entry, alpha).
struct Copy {
    template <Group G>
    static void apply(std::uint8_t* d, const std::uint8_t* e, int)
    {
        std::memcpy(d, e, bytesOf<G>);
    }
};

struct Alpha {
    template <Group G>
    static void apply(std::uint8_t* d, const std::uint8_t* e, int a)
    {
        pel::sameAlpha<G>(d, e, a);
    }
};

// Modes 4 to 11: one named operator per 16-bit group; the 8-bit channels of rgb888 and of the
// first three bytes of 32-bit pixels share one.
template <pelColourFn* F888, pelColourFn* F565, pelColourFn* F5551>
struct Op {
    template <Group G>
    static void apply(std::uint8_t* d, const std::uint8_t* e, int)
    {
        if constexpr (G == Group::Rgb888 || G == Group::X8888)
            F888(d, e);
        else if constexpr (G == Group::Rgb565)
            F565(d, e);
        else
            F5551(d, e);
    }
};

template <class M>
inline void onBgr(std::uint8_t* d, const std::uint8_t* e)
{
    pel::colour<M, pel::fmt::rgb888, pel::fmt::rgb888>(d, e);
}

#define RLE8_OP(M, F888) Op<F888, &pel_##M##_rgb565_to_rgb565, &pel_##M##_rgbx5551_to_rgbx5551>
using Modulate = RLE8_OP(modulate, &onBgr<pel::mode::modulate>);
using Modulate2x = RLE8_OP(modulate2x, &pel_modulate2x_rgb888_to_rgb888);
using Modulate4x = RLE8_OP(modulate4x, &pel_modulate4x_rgb888_to_rgb888);
using Add = RLE8_OP(add, &pel_add_rgb888_to_rgb888);
using AddSigned = RLE8_OP(addsigned, &pel_addsigned_rgb888_to_rgb888);
using AddSigned2x = RLE8_OP(addsigned2x, &pel_addsigned2x_rgb888_to_rgb888);
using Subtract = RLE8_OP(subtract, &onBgr<pel::mode::subtract>);
using AddSmooth = RLE8_OP(addsmooth, &pel_addsmooth_rgb888_to_rgb888);
#undef RLE8_OP

// One coded row from pixel skip on, width pixels, onto d (moving left when mirrored).
template <Group G, class Rule, bool Keyed, bool Depth, bool Mirror>
inline void rowLoop(const std::uint8_t* row, int skip, int width, std::uint8_t* d, const Rle8Job& job,
                    std::int32_t* sd, std::int32_t* dd)
{
    constexpr int step = Mirror ? -bytesOf<G> : bytesOf<G>;
    // Held in locals: stores through d may alias anything, so fields of job would be read again.
    const std::uint8_t* const table = job.table;
    const std::uint32_t key = job.key;
    const int alpha = job.alpha;
    const auto pixel = [&](std::uint8_t index) {
        bool draw = true;
        if constexpr (Depth) {
            draw = *sd > *dd;
            if (draw) *dd = *sd;
            ++sd, ++dd;
        }
        const std::uint8_t* e = table + index * bytesOf<G>;
        if constexpr (Keyed) draw = draw && !isKey<G>(e, key);
        if (draw) Rule::template apply<G>(d, e, alpha);
        d += step;
    };
    std::uint8_t c = row[0];
    const std::uint8_t* at = row + 1;
    if (skip > 0) at = rle8_skip(at, skip, c);
    int remaining = width;
    while (remaining > 0) {
        if (c & 0x80) {
            const int n = c & 63;
            const int count = n < remaining ? n : remaining;
            remaining -= n;
            if constexpr (Depth) {
                if (c & 0x40) {
                    const std::uint8_t index = *at++;
                    for (int k = 0; k < count; ++k) pixel(index);
                } else {
                    for (int k = 0; k < count; ++k) pixel(at[k]);
                    at += n;
                }
            } else if (c & 0x40) {
                // One entry for the whole run: the key is tested once.
                const std::uint8_t* e = table + *at++ * bytesOf<G>;
                if (!Keyed || !isKey<G>(e, key))
                    for (int k = 0; k < count; ++k) Rule::template apply<G>(d + step * k, e, alpha);
                d += step * count;
            } else {
                for (int k = 0; k < count; ++k) {
                    const std::uint8_t* e = table + at[k] * bytesOf<G>;
                    if (!Keyed || !isKey<G>(e, key)) Rule::template apply<G>(d + step * k, e, alpha);
                }
                d += step * count;
                at += n;
            }
        } else {
            remaining -= c;
            if (remaining < 1) break;
            d += step * c;
            if constexpr (Depth) sd += c, dd += c;
        }
        if (remaining < 1) break;
        c = *at++;
    }
}

// The one wrapper: the row walk over the job's rows.
template <Group G, class Rule, bool Keyed, bool Depth, bool Mirror>
void rectLoop(const Rle8Job& job)
{
    std::uint8_t* d = job.dst;
    std::int32_t* sd = job.srcDepth;
    std::int32_t* dd = job.dstDepth;
    for (int i = 0; i < job.h; ++i) {
        const std::uint8_t* row = job.rows[job.sy + i];
        if (row != nullptr) rowLoop<G, Rule, Keyed, Depth, Mirror>(row, static_cast<int>(job.sx), job.w, d, job, sd, dd);
        d += job.dstPitch;
        if constexpr (Depth) sd += job.srcDepthPitch, dd += job.dstDepthPitch;
    }
}

// The one stretch: destination column j samples coded column (j * stepX) >> 16.
template <Group G, bool Mirror>
void stretchLoop(const Rle8Job& job)
{
    constexpr int step = Mirror ? -bytesOf<G> : bytesOf<G>;
    std::uint8_t* line = job.dst;
    for (int i = 0; i < job.h; ++i, line += job.dstPitch) {
        const std::uint8_t* row = job.rows[((job.sy + i) * job.stepY) >> 16];
        if (row == nullptr) continue;
        std::uint8_t c = row[0];
        const std::uint8_t* at = row + 1;
        std::int64_t previous = 0;
        std::uint8_t* d = line;
        for (int k = 0; k < job.w; ++k, d += step) {
            const std::int64_t column = ((job.sx + k) * job.stepX) >> 16;
            if (column > previous) at = rle8_skip(at, static_cast<int>(column - previous), c);
            previous = column;
            if (c & 0x80) std::memcpy(d, job.table + *at * bytesOf<G>, bytesOf<G>);
        }
    }
}

}  // namespace rle8
