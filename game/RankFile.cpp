// The rank file: only its first character is read back; it is written with an explicit CR LF
// so the file is the same three bytes the game has always kept, replaced whole, never in place.
#include "game/RankFile.h"

#include "framework/DataFile.h"
#include "game/FileReplace.h"
#include "game/GameLog.h"
#include "game/GameState.h"
#include "game/Globals.h"
#include "game/Resources.h"

#include <string>
#include <vector>

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
    // Without a file there is no rank, not rank 0: the menu shows no badge.
    gameState.rankLevel = NoRank;
    std::vector<uint8_t> bytes;
    if (const DataFileStatus status = readDataFile(rankPath, 4096, bytes); !status.ok()) {
        if (!status.missing())
            warnNotLoaded(rankPath, status.reason());
        return;
    }
    // Only the first character counts; an empty file or line gives no digit.
    const char first = bytes.empty() || bytes[0] == '\n' ? '\0' : static_cast<char>(bytes[0]);
    gameState.rankLevel = static_cast<signed char>(first) - '0';
}

void storeRank(int32_t level)
{
    gameState.rankLevel = level > 3 ? 3 : level;
    const std::string bytes = std::to_string(gameState.rankLevel) + "\r\n";
    if (const std::string error = replaceFileWith(rankPath, bytes); !error.empty())
        gameError << "The rank could not be saved in " << rankPath << ": " << error << std::endl;
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
