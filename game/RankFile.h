// The player's rank between runs: "Data/results.dat", one digit, CR, LF.
#pragma once

#include <cstdint>

// The rank value that stands for "no rank yet": no badge is shown.
inline constexpr int32_t NoRank = -1;

// Reads the rank into gameState.rankLevel. A missing file or a first character other than
// a digit 0 to 3 gives no rank; so does a file that is no regular file of at most 4 KB, or one
// that is there but cannot be read (both logged; the latter is then never replaced).
void readRankFile();

// After a win: the rank becomes the level (at most 3) and the file is replaced (keeping its
// permission bits); through a link only to a file read as a rank file (or an empty one), and only
// a link of the player or of its folder's owner. A failed write is logged, also on stderr, and
// leaves the old file whole; the new rank still holds for this run. A file replaced whose folder
// could not be synced is saved, and said to be so on both.
void storeRank(int32_t level);
