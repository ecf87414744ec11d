// The blitter's selection table as name lists: every loop blit_<op>_<source>_to_<destination>[_key][_depth] and the cells that point at it.
#pragma once

#include "sprite/blit/blitJob.h"

// A block holds the 48 cells of a (source, destination) pair in the slot layout (drawSlots).
// B(op, source, destination, suffix) marks a cell; P1 ... P15 mark the plain stretch copy,
// stretch alpha, copy, depth copy, alpha and alpha map, the only cells pairs share.
#define BLIT_BLOCK(S, D, B, P1, P3, P7, P9, P11, P15)                                                          \
    B(stretch_copy, S, D, _key) P1(stretch_copy, S, D, ) B(stretch_alpha, S, D, _key) P3(stretch_alpha, S, D, ) \
    B(stretch_add, S, D, _key) B(stretch_add, S, D, )                                                          \
    B(copy, S, D, _key) P7(copy, S, D, ) B(copy, S, D, _key_depth) P9(copy, S, D, _depth)                      \
    B(alpha, S, D, _key) P11(alpha, S, D, ) B(premul, S, D, _key) B(premul, S, D, )                            \
    B(alphamap, S, D, _key) P15(alphamap, S, D, )                                                              \
    BLIT_OPERATOR(B, modulate, S, D) BLIT_OPERATOR(B, modulate2x, S, D) BLIT_OPERATOR(B, modulate4x, S, D)     \
    BLIT_OPERATOR(B, add, S, D) BLIT_OPERATOR(B, addsigned, S, D) BLIT_OPERATOR(B, addsigned2x, S, D)          \
    BLIT_OPERATOR(B, subtract, S, D) BLIT_OPERATOR(B, addsmooth, S, D)
#define BLIT_OPERATOR(B, OP, S, D) B(OP, S, D, _key) B(OP, S, D, ) B(OP, S, D, _key_depth) B(OP, S, D, _depth)

// Cell markers: BLIT_OWN, the pair's own loop; BLIT_BY_<source>_<destination>, that pair's loop of
// the same slot, one loop for both pairs since it behaves alike for both. Each use of the table
// defines BLIT_OWN and BLIT_SERVED(op, owner source, owner destination, suffix).
#define BLIT_BY_rgb565_rgb565(OP, S, D, SUF) BLIT_SERVED(OP, rgb565, rgb565, SUF)
#define BLIT_BY_rgbx5551_rgb565(OP, S, D, SUF) BLIT_SERVED(OP, rgbx5551, rgb565, SUF)
#define BLIT_BY_rgba5551_rgb565(OP, S, D, SUF) BLIT_SERVED(OP, rgba5551, rgb565, SUF)
#define BLIT_BY_rgbx5551_rgbx5551(OP, S, D, SUF) BLIT_SERVED(OP, rgbx5551, rgbx5551, SUF)
#define BLIT_BY_rgba5551_rgba5551(OP, S, D, SUF) BLIT_SERVED(OP, rgba5551, rgba5551, SUF)
#define BLIT_BY_pal8_rgb565(OP, S, D, SUF) BLIT_SERVED(OP, pal8, rgb565, SUF)
#define BLIT_BY_pal8_rgbx5551(OP, S, D, SUF) BLIT_SERVED(OP, pal8, rgbx5551, SUF)

#define BLIT_OWN_BLOCK(BLOCK, S, D) BLOCK(S, D, BLIT_OWN, BLIT_OWN, BLIT_OWN, BLIT_OWN, BLIT_OWN, BLIT_OWN, BLIT_OWN)

// The rows, by source group, with their blocks by destination group (rgb888, rgbx8888 for both
// 32-bit kinds, rgb565, rgbx5551, rgba5551). A shared block reads:
//    BLOCK(source, destination, other cells, stretch copy, stretch alpha, copy, depth copy, alpha, alpha map)
// Onto rgb565 bit 15 of a 5551 source plays no part in the plain cells; onto its own format a
// 5551 source's plain copies are rgb565's raw word copies and its plain blends keep bit 15.
#define BLIT_OWN_ROW(BLOCK, S)                                                                                 \
    BLIT_OWN_BLOCK(BLOCK, S, rgb888) BLIT_OWN_BLOCK(BLOCK, S, rgbx8888) BLIT_OWN_BLOCK(BLOCK, S, rgb565)       \
    BLIT_OWN_BLOCK(BLOCK, S, rgbx5551) BLIT_OWN_BLOCK(BLOCK, S, rgba5551)
#define BLIT_FROM_RGB888(BLOCK) BLIT_OWN_ROW(BLOCK, rgb888)
#define BLIT_FROM_RGBX8888(BLOCK) BLIT_OWN_ROW(BLOCK, rgbx8888)
#define BLIT_FROM_RGB565(BLOCK) BLIT_OWN_ROW(BLOCK, rgb565)
#define BLIT_FROM_RGBX5551(BLOCK)                                                                              \
    BLIT_OWN_BLOCK(BLOCK, rgbx5551, rgb888) BLIT_OWN_BLOCK(BLOCK, rgbx5551, rgbx8888)                          \
    BLOCK(rgbx5551, rgb565, BLIT_OWN, BLIT_BY_rgba5551_rgb565, BLIT_OWN, BLIT_OWN, BLIT_BY_rgba5551_rgb565,    \
          BLIT_OWN, BLIT_BY_rgba5551_rgb565)                                                                   \
    BLOCK(rgbx5551, rgbx5551, BLIT_OWN, BLIT_BY_rgb565_rgb565, BLIT_OWN, BLIT_BY_rgb565_rgb565,               \
          BLIT_BY_rgb565_rgb565, BLIT_BY_rgba5551_rgba5551, BLIT_BY_rgba5551_rgba5551)                          \
    BLIT_OWN_BLOCK(BLOCK, rgbx5551, rgba5551)
#define BLIT_FROM_RGBA5551(BLOCK)                                                                              \
    BLIT_OWN_BLOCK(BLOCK, rgba5551, rgb888) BLIT_OWN_BLOCK(BLOCK, rgba5551, rgbx8888)                          \
    BLOCK(rgba5551, rgb565, BLIT_OWN, BLIT_OWN, BLIT_BY_rgbx5551_rgb565, BLIT_BY_rgbx5551_rgb565, BLIT_OWN,    \
          BLIT_BY_rgbx5551_rgb565, BLIT_OWN)                                                                   \
    BLIT_OWN_BLOCK(BLOCK, rgba5551, rgbx5551)                                                                  \
    BLOCK(rgba5551, rgba5551, BLIT_OWN, BLIT_BY_rgb565_rgb565, BLIT_BY_rgbx5551_rgbx5551,                     \
          BLIT_BY_rgb565_rgb565, BLIT_BY_rgb565_rgb565, BLIT_OWN, BLIT_OWN)
// Palettized sources: a cell reads the palette's table converted for the destination. The 16-bit
// plain copies store the entry whole, one loop for rgb565 and both 5551 formats, and both 5551
// formats share one table and one block.
#define BLIT_FROM_PAL8(BLOCK)                                                                                  \
    BLIT_OWN_BLOCK(BLOCK, pal8, rgb888) BLIT_OWN_BLOCK(BLOCK, pal8, rgbx8888)                                  \
    BLOCK(pal8, rgb565, BLIT_OWN, BLIT_BY_pal8_rgbx5551, BLIT_OWN, BLIT_OWN, BLIT_OWN, BLIT_OWN, BLIT_OWN)     \
    BLOCK(pal8, rgbx5551, BLIT_OWN, BLIT_OWN, BLIT_OWN, BLIT_BY_pal8_rgb565, BLIT_BY_pal8_rgb565, BLIT_OWN,    \
          BLIT_OWN)                                                                                            \
    BLOCK(pal8, rgba5551, BLIT_BY_pal8_rgbx5551, BLIT_BY_pal8_rgbx5551, BLIT_BY_pal8_rgbx5551,                 \
          BLIT_BY_pal8_rgb565, BLIT_BY_pal8_rgb565, BLIT_BY_pal8_rgbx5551, BLIT_BY_pal8_rgbx5551)

// Index images onto index images, outside the table: the bytes copied, plain or stretched.
#define BLIT_INDEX_COPIES(B) B(copy, pal8, pal8, ) B(stretch_copy, pal8, pal8, )

#define BLIT_TABLE(BLOCK)                                                                                      \
    BLIT_FROM_RGB888(BLOCK) BLIT_FROM_RGBX8888(BLOCK) BLIT_FROM_RGB565(BLOCK) BLIT_FROM_RGBX5551(BLOCK)        \
    BLIT_FROM_RGBA5551(BLOCK) BLIT_FROM_PAL8(BLOCK)

// Every loop by its name.
#define BLIT_OWN(OP, S, D, SUF) void blit_##OP##_##S##_to_##D##SUF(const BlitJob& job);
#define BLIT_SERVED(OP, S, D, SUF)
BLIT_TABLE(BLIT_BLOCK)
BLIT_INDEX_COPIES(BLIT_OWN)
#undef BLIT_OWN
#undef BLIT_SERVED
