// The rank file: only its first character is read back; it is written with an explicit CR LF
// so the file is the same three bytes the game has always kept, replaced whole, never in place.
#include "game/RankFile.h"

#include "framework/DataFile.h"
#include "game/FileReplace.h"
#include "game/GameLog.h"
#include "game/GameState.h"

#include <string>
#include <vector>

namespace {
constexpr const char* rankPath = "Data/results.dat";

// Why a file that is there could not be read at start-up ("" when it could): such a file may
// hold a rank, so it is never replaced.
std::string unreadable;
} // namespace

void readRankFile()
{
    // Without a file there is no rank, not rank 0: the menu shows no badge.
    gameState.rankLevel = NoRank;
    unreadable.clear();
    std::vector<uint8_t> bytes;
    if (const DataFileStatus status = readDataFile(rankPath, 4096, bytes); !status.ok()) {
        if (status.error != 0 && !status.missing())
            unreadable = status.reason();
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
    std::string error;
    if (!unreadable.empty())
        error = "the file could not be read at start-up (" + unreadable + "), so it is left as it is";
    else
        error = replaceFileWith(rankPath, std::to_string(gameState.rankLevel) + "\r\n");
    if (!error.empty())
        gameError << "The rank could not be saved in " << rankPath << ": " << error << std::endl;
}
