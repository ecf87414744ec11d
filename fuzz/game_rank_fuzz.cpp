// Fuzz target: the rank file ("Data/results.dat") as the game reads it at start, and a rank it
// read that is a real one (0 to 3) written back and read again unchanged.
#include "fuzz/fuzz_files.h"
#include "game/GameState.h"
#include "game/RankFile.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The game finds its files relative to the working folder.
    std::filesystem::create_directory(fuzz::tempFolder() + "/Data");
    if (::chdir(fuzz::tempFolder().c_str()) != 0)
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::writeFile("Data/results.dat", data, size);
    readRankFile();
    const int32_t rank = gameState.rankLevel;
    loadRankBadge();
    if (rank >= 0 && rank <= 3) {
        storeRank(rank);
        readRankFile();
        if (gameState.rankLevel != rank)
            std::abort();
    }
    return 0;
}
