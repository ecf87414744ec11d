// The best-score file through the support library's file streams: a 21-byte stream header
// and the score as 4 little-endian bytes, 25 bytes in all. Older files hold the 4 bytes alone.
#include "game/BestScoreFile.h"

#include "framework/DataFile.h"
#include "game/FileReplace.h"
#include "game/GameLog.h"
#include "game/GameState.h"
#include "talvo/error_info.h"
#include "talvo/exception.h"
#include "talvo/file_stream.h"

#include <cstdio>
#include <cstring>
#include <ios>
#include <optional>
#include <sstream>

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

void warnDamaged(const std::string& why)
{
    gameWarning << "The best score in " << scoresPath << " is not used (" << why << "); it counts as 0" << std::endl;
}

// The system's word for the file error behind a failed stream ("" when the file did not fail).
std::string fileCause(talvo::io::OFileStream& out)
{
    const auto* error = dynamic_cast<const talvo::SystemErrorInfo*>(out.fileBuffer().lastFileError());
    if (error == nullptr || error->code() == 0)
        return {};
    std::ostringstream text;
    text << *error;
    return text.str();
}

bool reportNotSaved(const std::string& error)
{
    std::ostringstream line;
    line << "The best score could not be saved in " << scoresPath << ": " << error;
    gameError << line.str() << std::endl;
    std::fprintf(stderr, "Velmoor: %s\n", line.str().c_str());
    return false;
}
} // namespace

void readBestScoreFile()
{
    gameState.bestScore = 0;
    storedScore.reset();
    unreadable.clear();
    // Checked without blocking and within a bound before the stream opens it.
    std::vector<uint8_t> bytes;
    const DataFileStatus status = readDataFile(scoresPath, 4096, bytes);
    if (status.error != 0 && !status.missing()) {
        unreadable = status.reason();
        gameWarning << "The best score in " << scoresPath << " cannot be read (" << unreadable
                    << "); it counts as 0 and the file is left as it is" << std::endl;
        return;
    }
    if (!status.ok() && !status.missing())
        return warnDamaged(status.reason());
    if (status.ok())
        if (const std::string why = damage(bytes); !why.empty())
            return warnDamaged(why);
    int32_t best = 0;
    try {
        talvo::io::IFileStream in(scoresPath, std::ios_base::in, talvo::io::badBit | talvo::io::failBit);
        in >> best;
    } catch (...) {
        // The stream has logged why; a first run simply has no best score yet.
        return;
    }
    if (best < 0)
        return warnDamaged("a negative score, " + std::to_string(best));
    gameState.bestScore = best;
    if (bytes.size() == streamFileSize)
        storedScore = best;
}

bool writeBestScoreFile()
{
    const int32_t best = static_cast<int32_t>(gameState.bestScore);
    if (storedScore == best)
        return true;
    if (!unreadable.empty())
        return best == 0 || reportNotSaved("the file could not be read at start-up (" + unreadable +
                                           "), so it is left as it is");
    const std::string error = replaceFile(scoresPath, [best](const std::string& temp) -> std::string {
        std::optional<talvo::io::OFileStream> out;
        try {
            out.emplace(temp.c_str(), std::ios_base::out | std::ios_base::trunc, talvo::io::badBit | talvo::io::failBit);
            *out << best;
            // Destruction cannot report a failed write; the flush can, and it syncs the file.
            out->flush();
            return {};
        } catch (const std::exception& e) {
            // The stream's own message says only that it failed; the file says why.
            const std::string cause = out ? fileCause(*out) : std::string();
            return cause.empty() ? e.what() : cause;
        }
    });
    if (!error.empty())
        return reportNotSaved(error);
    storedScore = best;
    return true;
}
