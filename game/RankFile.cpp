// The rank file: only its first character is read back; it is written with an explicit CR LF
// so the file is the same three bytes the game has always kept, replaced whole, never in place.
#include "game/RankFile.h"

#include "framework/DataFile.h"
#include "game/EndSave.h"
#include "game/FileReplace.h"
#include "game/GameLog.h"
#include "game/GameState.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace {
constexpr const char* rankPath = "Data/results.dat";

// Why a file that is there could not be read at start-up ("" when it could): such a file may
// hold a rank, so it is never replaced.
std::string unreadable;
// The file read as the game's own (a rank or empty): the only target a link there is written
// through to.
OwnFile ownFile;

// A digit 0 to 3, alone or with a line end (the game writes CR LF), or nothing at all.
// Async-signal-safe.
bool isRankFile(const uint8_t* text, std::size_t size) noexcept
{
    return size == 0 || (text[0] >= '0' && text[0] <= '3' &&
                         (size == 1 || (size == 2 && text[1] == '\n') ||
                          (size == 3 && text[1] == '\r' && text[2] == '\n')));
}

// The check before a rank is stored (ReplaceCheck): a rank file that another game stored since this
// one read the file is the one replaced, the later rank standing.
bool rankFileTaken(PreparedReplace& ready) noexcept
{
    unsigned char text[4];
    struct stat there {};
    const ssize_t size = readFileThere(ready, text, sizeof text, there);
    if (size >= 0 && isRankFile(text, static_cast<std::size_t>(size)))
        takeFileThere(ready, there);
    return true;
}
} // namespace

void readRankFile()
{
    // Without a file there is no rank, not rank 0: the menu shows no badge.
    gameState.rankLevel = NoRank;
    unreadable.clear();
    ownFile = {};
    std::vector<uint8_t> bytes;
    if (const DataFileStatus status = readDataFile(rankPath, 4096, bytes); !status.ok()) {
        if (status.error != 0 && !status.missing())
            unreadable = status.reason();
        if (!status.missing())
            warnNotLoaded(rankPath, status.reason());
        return;
    }
    if (isRankFile(bytes.data(), bytes.size()))
        ownFile = ownFileAt(rankPath);
    // Only the first character counts; an empty file or line gives no digit.
    const char first = bytes.empty() || bytes[0] == '\n' ? '\0' : static_cast<char>(bytes[0]);
    gameState.rankLevel = static_cast<signed char>(first) - '0';
}

void storeRank(int32_t level)
{
    gameState.rankLevel = level > 3 ? 3 : level;
    constexpr const char* whatIsSaved = "The rank";
    if (!unreadable.empty())
        return reportFailedSave(saveReport(whatIsSaved, rankPath, false,
                                           "the file could not be read at start-up (" + unreadable +
                                               "), so it is left as it is"));
    // A second end signal meanwhile waits for the file to be whole, then ends the game.
    const SaveSection section;
    const ReplaceResult result =
        replaceFileWith(rankPath, std::to_string(gameState.rankLevel) + "\r\n", ownFile, rankFileTaken);
    if (result.made) // a link's target is a new file now, the game's own
        ownFile = ownFileAt(rankPath);
    if (!result.why.empty())
        reportFailedSave(saveReport(whatIsSaved, rankPath, result.made, result.why));
}
