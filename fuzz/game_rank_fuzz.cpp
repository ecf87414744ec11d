// Fuzz target: the rank file ("Data/results.dat") as the game reads it at start, the badge of a
// real rank (0 to 3) loaded onto the headless display, and that rank written back: read again
// unchanged, or, when the input's second byte is 'x', refused by a folder in the temporary
// file's place, which must leave the old file as it was.
#include "framework/Display.h"
#include "framework/Window.h"
#include "fuzz/fuzz_files.h"
#include "game/GameState.h"
#include "game/Globals.h"
#include "game/RankFile.h"
#include "game/Resources.h"
#include "platform/platform.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {
// A 2 x 2 24-bit BMP: every badge picture the game may load.
void writeBadge(const std::string& path)
{
    uint8_t bmp[54 + 16] = {'B', 'M', sizeof bmp, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24};
    for (std::size_t i = 54; i < sizeof bmp; ++i)
        bmp[i] = static_cast<uint8_t>(i * 37);
    fuzz::writeFile(path, bmp, sizeof bmp);
}

std::string fileBytes(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The game finds its files relative to the working folder.
    std::filesystem::create_directories(fuzz::tempFolder() + "/Data/Menu");
    if (::chdir(fuzz::tempFolder().c_str()) != 0)
        std::abort();
    for (const char* badge : {"Data/0.bmp", "Data/Menu/man.bmp", "Data/Menu/profy.bmp", "Data/Menu/boss.bmp"})
        writeBadge(badge);
    // Badges load as the game loads them: onto its display, here the headless one.
    plat::setBackendKind(plat::BackendKind::Headless);
    if (!window.create("rank", nullptr, nullptr, WindowStylePopup, 0, 0, 800, 600) || display.create() != 0 ||
        display.setMode(DisplayMode::OwnMemoryBack, window.handle, 800, 600, 16) != 0)
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::writeFile("Data/results.dat", data, size);
    readRankFile();
    const int32_t rank = gameState.rankLevel;
    badgePicture.release();
    loadRankBadge();
    if (rank < 0 || rank > 3)
        return 0;
    if (badgePicture.width != 2 || badgePicture.height != 2)
        std::abort();
    if (size > 1 && data[1] == 'x') {
        const std::string old(reinterpret_cast<const char*>(data), size);
        // A folder at the process's own temporary name: the new file cannot be made.
        const std::string temp = "Data/results.dat.new." + std::to_string(::getpid());
        std::filesystem::create_directories(temp + "/kept");
        const int32_t next = rank == 3 ? 0 : rank + 1;
        storeRank(next);
        std::filesystem::remove_all(temp);
        if (fileBytes("Data/results.dat") != old || gameState.rankLevel != next)
            std::abort();
        return 0;
    }
    storeRank(rank);
    readRankFile();
    if (gameState.rankLevel != rank)
        std::abort();
    return 0;
}
