// The rank file: only its first character is read back; it is written with an explicit CR LF
// so the file is the same three bytes the game has always kept.
#include "game/RankFile.h"

#include "game/GameState.h"
#include "game/Globals.h"
#include "game/Resources.h"

#include <fstream>

namespace {
constexpr const char* rankPath = "Data/results.dat";

struct Badge {
    const char* path;
    int32_t x;
    int32_t y;
};
constexpr Badge badges[] = {
    {"Data/0.bmp", 119, 92},
    {"Data/Menu/man.bmp", 420, 97},
    {"Data/Menu/profy.bmp", 414, 97},
    {"Data/Menu/boss.bmp", 414, 97},
};
} // namespace

void readRankFile()
{
    std::ifstream in(rankPath);
    if (!in) {
        // Without a file there is no rank, not rank 0: the menu shows no badge.
        gameState.rankLevel = NoRank;
        return;
    }
    char line[2] = {};
    in.getline(line, sizeof line);
    gameState.rankLevel = static_cast<signed char>(line[0]) - '0';
}

void storeRank(int32_t level)
{
    gameState.rankLevel = level > 3 ? 3 : level;
    if (std::ofstream out(rankPath, std::ios::binary | std::ios::trunc); out)
        out << gameState.rankLevel << "\r\n";
    loadRankBadge();
}

void loadRankBadge()
{
    const auto rank = static_cast<uint32_t>(gameState.rankLevel);
    if (rank >= std::size(badges))
        return;
    const Badge& badge = badges[rank];
    loadPicture(badgePicture, badge.path);
    gameState.badgeX = badge.x;
    gameState.badgeY = badge.y;
}
