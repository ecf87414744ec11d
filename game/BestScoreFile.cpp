// The best-score file through the support library's file streams: a 21-byte stream header
// and the score as 4 little-endian bytes, 25 bytes in all.
#include "game/BestScoreFile.h"

#include "game/GameState.h"
#include "talvo/exception.h"
#include "talvo/file_stream.h"
#include "talvo/log.h"

#include <ios>

namespace {
constexpr const char* scoresPath = "Data/scores.dat";
}

void readBestScoreFile()
{
    try {
        talvo::io::IFileStream in(scoresPath, std::ios_base::in, talvo::io::badBit | talvo::io::failBit);
        int32_t best = 0;
        in >> best;
        gameState.bestScore = best;
    } catch (...) {
        // The stream has logged why; a first run simply has no best score yet.
        gameState.bestScore = 0;
    }
}

bool writeBestScoreFile()
{
    try {
        talvo::io::OFileStream out(scoresPath, std::ios_base::out | std::ios_base::trunc,
                                   talvo::io::badBit | talvo::io::failBit);
        out << static_cast<int32_t>(gameState.bestScore);
        // Destruction cannot report a failed write; an explicit flush can.
        out.flush();
        return true;
    } catch (const std::exception& e) {
        talvo::logError << "The best score could not be saved in " << scoresPath << ": " << e.what()
                        << std::endl;
        return false;
    }
}
