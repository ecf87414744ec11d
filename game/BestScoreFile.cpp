// The best-score file through the support library's file streams: a 21-byte stream header
// and the score as 4 little-endian bytes, 25 bytes in all. Older files hold the 4 bytes alone.
#include "game/BestScoreFile.h"

#include "framework/DataFile.h"
#include "game/EndSave.h"
#include "game/FileReplace.h"
#include "game/GameLog.h"
#include "game/GameState.h"
#include "game/Rules.h"
#include "talvo/file_stream.h"
#include "talvo/ostream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ios>
#include <new>
#include <optional>
#include <sstream>
#include <streambuf>
#include <utility>

namespace {
constexpr const char* scoresPath = "Data/scores.dat";
constexpr char streamSignature[] = "talvo::io::Stream";
constexpr std::size_t streamFileSize = 25;
constexpr std::size_t headerlessFileSize = 4;

// The score the file holds in the game's own form; the file is not rewritten while it is kept.
std::optional<int32_t> storedScore;
// Why a file that is there could not be read at start-up ("" when it could): such a file may
// hold a score, so it is never replaced.
std::string unreadable;
// The file read as the game's own (a score or empty): the only target a link there is written
// through to.
OwnFile ownFile;
// The score the replacement kept for a second end signal was made ready for.
std::optional<int32_t> keptFor;

// Why the bytes are no best-score file, or "" for one of its two forms.
std::string damage(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() == headerlessFileSize)
        return {};
    if (bytes.size() != streamFileSize)
        return "it holds " + std::to_string(bytes.size()) +
               " bytes, neither a complete stream (25) nor a bare score (4)";
    if (std::memcmp(bytes.data(), streamSignature, sizeof streamSignature - 1) != 0)
        return "its 25 bytes do not begin with the stream header";
    return {};
}

// The score that bytes of either form hold; -1 for any other bytes (a negative score among them).
// Async-signal-safe.
int64_t scoreIn(const unsigned char* bytes, std::size_t size) noexcept
{
    if (size != headerlessFileSize &&
        (size != streamFileSize || std::memcmp(bytes, streamSignature, sizeof streamSignature - 1) != 0))
        return -1;
    const unsigned char* at = bytes + size - 4;
    const auto score = static_cast<int32_t>(uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 |
                                            uint32_t{at[3]} << 24);
    return score < 0 ? -1 : score;
}

// The check before a save is made (ReplaceCheck), at a normal end and for the second end signal: a
// best score that another game wrote since the file was read is left in place when it is at least
// as high (and in the game's own form); a lower one is replaced, the file there now being the one
// the replacement checks for. A file that cannot be read or holds no score is left to the
// replacement's own check.
bool higherThanTheFile(PreparedReplace& ready) noexcept
{
    unsigned char bytes[streamFileSize + 1];
    struct stat there {};
    const ssize_t size = readFileThere(ready, bytes, sizeof bytes, there);
    const int64_t score = size < 0 ? -1 : scoreIn(bytes, static_cast<std::size_t>(size));
    if (score < 0)
        return true;
    // An equal score in the old bare form is written again in the game's own.
    const int64_t ours = scoreIn(ready.bytes, ready.size);
    if (score > ours || (score == ours && static_cast<std::size_t>(size) == streamFileSize))
        return false;
    takeFileThere(ready, there);
    return true;
}

void warnDamaged(const std::string& why)
{
    gameWarning << "The best score in " << scoresPath << " is not used (" << why << "); it counts as 0" << std::endl;
}

// The 25 bytes of the stream the file holds, made in memory so a signal handler can write them.
std::string streamBytes(int32_t best)
{
    std::stringbuf buffer;
    talvo::io::OStream out(&buffer);
    out.writeHeader();
    out << best;
    return buffer.str();
}

constexpr const char* whatIsSaved = "The best score";

bool reportNotSaved(const std::string& error)
{
    reportFailedSave(saveReport(whatIsSaved, scoresPath, false, error));
    return false;
}

// The score through the support library's stream; false when it threw, having logged why.
bool readThroughStream(int32_t& best)
{
    try {
        talvo::io::IFileStream in(scoresPath, std::ios_base::in, talvo::io::badBit | talvo::io::failBit);
        in >> best;
        return true;
    } catch (...) {
        return false;
    }
}

void readScores()
{
    gameState.bestScore = 0;
    storedScore.reset();
    unreadable.clear();
    ownFile = {};
    // Checked without blocking and within a bound before the stream opens it.
    std::vector<uint8_t> bytes;
    const DataFileStatus status = readDataFile(scoresPath, 4096, bytes);
    // A first start: the stream's failed open logs it as it does for any file (a warning and the
    // exception), and the best score stays 0.
    if (status.missing()) {
        int32_t none = 0;
        (void)readThroughStream(none);
        return;
    }
    if (status.error != 0) {
        unreadable = status.reason();
        gameWarning << "The best score in " << scoresPath << " cannot be read (" << unreadable
                    << "); it counts as 0 and the file is left as it is" << std::endl;
        return;
    }
    if (!status.ok())
        return warnDamaged(status.reason());
    if (bytes.empty())
        ownFile = ownFileAt(scoresPath);
    if (const std::string why = damage(bytes); !why.empty())
        return warnDamaged(why);
    int32_t best = 0;
    // Gone or changed since it was read: the stream has logged why.
    if (!readThroughStream(best))
        return;
    if (best < 0)
        return warnDamaged("a negative score, " + std::to_string(best));
    gameState.bestScore = best;
    ownFile = ownFileAt(scoresPath);
    if (bytes.size() == streamFileSize)
        storedScore = best;
}

// After gameState.bestScore changed: makes ready the replacement that writeBestScoreFile would
// make, for a second end signal to write before it ends the game (EndSave.h).
void keepBestScoreReady()
{
    const int32_t best = static_cast<int32_t>(gameState.bestScore);
    if (keptFor == best)
        return;
    keptFor = best;
    const SaveSection section;
    PreparedReplace ready;
    if (storedScore != best && unreadable.empty() &&
        prepareReplace(scoresPath, streamBytes(best), ownFile, ready).empty())
        keepEndSave(std::move(ready), saveReport(whatIsSaved, scoresPath, false, ""),
                    saveReport(whatIsSaved, scoresPath, true, ""), higherThanTheFile);
    else
        dropEndSave();
}

// At a save, the file as it is now: a higher best score that another game wrote since this one
// read the file becomes the game's, and what the file holds and whether it is the game's own
// follow what is there. A file that cannot be read now is left to the replacement's checks.
void rereadAtSave()
{
    std::vector<uint8_t> bytes;
    const DataFileStatus status = readDataFile(scoresPath, 4096, bytes);
    if (status.error != 0 && !status.missing())
        return;
    storedScore.reset();
    ownFile = {};
    if (!status.ok())
        return;
    const int64_t score = scoreIn(bytes.data(), bytes.size());
    if (score >= 0 || bytes.empty())
        ownFile = ownFileAt(scoresPath);
    if (score < 0)
        return;
    if (score > gameState.bestScore)
        gameState.bestScore = static_cast<int32_t>(score);
    if (bytes.size() == streamFileSize)
        storedScore = static_cast<int32_t>(score);
}
} // namespace

void readBestScoreFile()
{
    readScores();
    keptFor.reset();
    keepBestScoreReady();
}

void raiseBestScore()
{
    gameState.bestScore = raisedBestScore(gameState);
    keepBestScoreReady();
}

bool writeBestScoreFile()
{
    if (!unreadable.empty())
        return gameState.bestScore == 0 ||
               reportNotSaved("the file could not be read at start-up (" + unreadable + "), so it is left as it is");
    // A second end signal meanwhile waits for the file to be whole, then ends the game.
    const SaveSection section;
    rereadAtSave();
    int32_t best = static_cast<int32_t>(gameState.bestScore);
    const bool holdsIt = storedScore == best;
    const ReplaceResult result =
        holdsIt ? ReplaceResult{} : replaceFileWith(scoresPath, streamBytes(best), ownFile, higherThanTheFile);
    // Another game saved as much or more since the file was read again.
    if (result.notNeeded) {
        rereadAtSave();
        best = static_cast<int32_t>(gameState.bestScore);
    }
    dropEndSave();
    keptFor = best;
    if (holdsIt || result.notNeeded)
        return true;
    if (!result.made)
        return reportNotSaved(result.why);
    storedScore = best;
    // A link's target is a new file now, the game's own.
    ownFile = ownFileAt(scoresPath);
    // Only its folder could not be synced.
    if (!result.why.empty())
        reportFailedSave(saveReport(whatIsSaved, scoresPath, true, result.why));
    return true;
}

void writeBestScoreFileWithoutMemory() noexcept
{
    if (makeKeptEndSave())
        return;
    try {
        (void)writeBestScoreFile();
    } catch (const std::bad_alloc&) {
    }
}
