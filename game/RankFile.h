// The player's rank between runs ("Data/results.dat": one digit, CR, LF) and its menu badge.
#pragma once

#include <cstdint>

// The rank value that stands for "no rank yet": no badge is shown.
inline constexpr int32_t NoRank = -1;

// Reads the rank into gameState.rankLevel. A missing file or a first character other than
// a digit 0 to 3 gives no rank; so does a file that is no regular file of at most 4 KB (logged).
void readRankFile();

// After a win: the rank becomes the level (at most 3), the file is rewritten and the badge
// reloaded. A failed write is logged and leaves the old file whole; the new rank still shows
// for this run.
void storeRank(int32_t level);

// Loads the badge of gameState.rankLevel and its position; without a rank nothing changes.
void loadRankBadge();
