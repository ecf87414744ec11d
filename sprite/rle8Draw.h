// Drawing coded sprite rows onto locked destinations: the selection of a job's member.
#pragma once

#include "sprite/rle8Job.h"
#include "sprite/drawKey.h"
#include "sprite/pelKinds.h"

// The member for a destination kind, draw key (rle8RequestKey) and direction; null where nothing
// is drawn (kinds outside 1..6, depth tests mirrored, keys no sprite loop serves).
[[nodiscard]] Rle8Fn* rle8Member(int kind, DrawKey key, bool mirror) noexcept;
// The group of a destination kind's table: rgb888, 32-bit, rgb565 or rgbx5551 (kinds 5 and 6);
// None for kinds outside 1 to 6.
[[nodiscard]] PelGroup rle8GroupOf(int kind) noexcept;
