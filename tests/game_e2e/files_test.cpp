// The rank and best-score files end to end: what a start reads from them, what the menu shows,
// what an exit writes, and the failures that must not stop the game.
#include "GameTest.h"

#include "game/BestScoreFile.h"
#include "game/GameState.h"
#include "game/RankFile.h"

#include <filesystem>
#include <fstream>

namespace {
struct BadgeSpot {
    const char* path;
    int x, y;
};
constexpr BadgeSpot badgeSpots[] = {
    {"Data/0.bmp", 119, 92},
    {"Data/Menu/man.bmp", 420, 97},
    {"Data/Menu/profy.bmp", 414, 97},
    {"Data/Menu/boss.bmp", 414, 97},
};
const std::string rawScore57("\x39\x00\x00\x00", 4); // an old file: the integer without header
} // namespace

using FilesTest = GameTest;

TEST_F(FilesTest, SecondStartShowsTheKeptBestScoreAndTheStoredRank)
{
    writeFile("Data/scores.dat", rawScore57);
    writeFile("Data/results.dat", "2\r\n");
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    EXPECT_EQ(gameState.rankLevel, 2);
    EXPECT_EQ(shows(badgeSpots[2].path, badgeSpots[2].x, badgeSpots[2].y), "equal");
    EXPECT_EQ(compareScoreLine("Highscore:57"), "equal");
    EXPECT_EQ(quitWithQ(), 0);
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(57)) << "the game writes its own format back";
}

TEST_F(FilesTest, RankFilesWithoutAValidRankShowNoBadge)
{
    // A missing or empty rank file gives no rank, never the rank-0 badge.
    for (const char* content : std::initializer_list<const char*>{"7\r\n", "", "\r\n", "x", nullptr}) {
        if (content)
            writeFile("Data/results.dat", content);
        else
            std::filesystem::remove(dir() / "Data/results.dat");
        readRankFile();
        EXPECT_FALSE(gameState.rankLevel >= 0 && gameState.rankLevel <= 3) << (content ? content : "no file");
    }
    writeFile("Data/results.dat", "7\r\n");
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    EXPECT_EQ(gameState.rankLevel, 7);
    EXPECT_EQ(shows("Data/Menu/Menu.bmp", 0, 0, Area{100, 80, 620, 180}), "equal");
    EXPECT_EQ(quitWithQ(), 0);
}

TEST_F(FilesTest, StoringARankWritesTheFileAndShowsTheBadgeFromTheNextFrame)
{
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    // The won screen stores the rank while the game runs; the game is stopped at a present here.
    // A lower rank replaces a higher one; one above the top rank is stored as the top rank.
    for (const auto& [stored, kept] : {std::pair{2, 2}, std::pair{1, 1}, std::pair{7, 3}, std::pair{0, 0}}) {
        storeRank(stored);
        EXPECT_EQ(gameState.rankLevel, kept);
        EXPECT_EQ(fileBytes("Data/results.dat"), std::to_string(kept) + "\r\n");
        ASSERT_TRUE(game->advance(1));
        EXPECT_EQ(shows(badgeSpots[kept].path, badgeSpots[kept].x, badgeSpots[kept].y), "equal") << kept;
    }
    EXPECT_EQ(quitWithQ(), 0);
}

TEST_F(FilesTest, ShortOrHeaderlessScoresFiles)
{
    const std::pair<std::string, int32_t> cases[] = {
        {"abc", 0},                               // too short for the integer
        {rawScore57, 57},                         // headerless: its first four bytes
        {scoresFileBytes(1000).substr(0, 24), 0}, // header and a cut integer
        {scoresFileBytes(-3), -3},
        {"", 0},
    };
    for (const auto& [bytes, best] : cases) {
        writeFile("Data/scores.dat", bytes);
        gameState.bestScore = 12345;
        readBestScoreFile();
        EXPECT_EQ(gameState.bestScore, best) << bytes.size() << " bytes";
    }
}

TEST_F(FilesTest, UnwritableScoresFileIsLoggedAndTheGameEndsNormally)
{
    inOwnProcess([&] {
        // A folder where the file should be: no one can write it, not even the superuser.
        std::filesystem::create_directory(dir() / "Data/scores.dat");
        ASSERT_NO_FATAL_FAILURE(startAtMenu());
        gameState.bestScore = 9;
        EXPECT_EQ(quitWithQ(), 0);
        EXPECT_NE(logText().find("The best score could not be saved in Data/scores.dat"), std::string::npos)
            << logText();
    });
}

