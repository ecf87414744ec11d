// The rank and best-score files end to end: what a start reads from them, what the menu shows,
// what an exit writes, and the failures that must not stop the game.
#include "GameTest.h"

#include "game/BestScoreFile.h"
#include "game/GameState.h"
#include "game/RankFile.h"

#include <unistd.h>

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
} // namespace

class FilesTest : public GameTest {
protected:
    // The menu picture alone where any badge could stand.
    std::string badgeAreaShowsNoBadge()
    {
        return describe(comparePicture(game->frame(), picture("Data/Menu/Menu.bmp"), 0, 0,
                                       CompareOptions().within(Area{100, 80, 620, 180})));
    }
    std::string badgeShown(int rank)
    {
        const BadgeSpot& b = badgeSpots[rank];
        return describe(comparePicture(game->frame(), picture(b.path), b.x, b.y));
    }
};

TEST_F(FilesTest, SecondStartShowsTheKeptBestScoreAndTheStoredRank)
{
    writeFile("Data/scores.dat", scoresFileBytes(57));
    writeFile("Data/results.dat", "2\r\n");
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    EXPECT_EQ(gameState.bestScore, 57);
    EXPECT_EQ(gameState.rankLevel, 2);
    EXPECT_EQ(badgeShown(2), "equal");
    EXPECT_EQ(compareScoreLine("Highscore:57"), "equal");
    EXPECT_EQ(quitWithQ(), 0);
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(57));
}

TEST_F(FilesTest, RankFilesWithoutAValidRankShowNoBadge)
{
    for (const char* content : {"7\r\n", "", "\r\n", "x"}) {
        SCOPED_TRACE(testing::PrintToString(std::string(content)));
        writeFile("Data/results.dat", content);
        readRankFile();
        EXPECT_FALSE(gameState.rankLevel >= 0 && gameState.rankLevel <= 3) << gameState.rankLevel;
    }
    std::filesystem::remove(dir() / "Data/results.dat");
    readRankFile();
    EXPECT_EQ(gameState.rankLevel, NoRank);

    writeFile("Data/results.dat", "7\r\n");
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    EXPECT_EQ(gameState.rankLevel, 7);
    EXPECT_EQ(badgeAreaShowsNoBadge(), "equal");
    EXPECT_EQ(quitWithQ(), 0);
}

TEST_F(FilesTest, StoringARankWritesTheFileAndShowsTheBadgeFromTheNextFrame)
{
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    EXPECT_EQ(badgeAreaShowsNoBadge(), "equal");
    // The won screen stores the rank while the game runs; the game is stopped at a present here.
    storeRank(2);
    EXPECT_EQ(fileBytes("Data/results.dat"), "2\r\n");
    ASSERT_TRUE(game->advance(1));
    EXPECT_EQ(badgeShown(2), "equal");

    storeRank(3);
    storeRank(1); // a lower rank replaces a higher one
    EXPECT_EQ(fileBytes("Data/results.dat"), "1\r\n");
    ASSERT_TRUE(game->advance(1));
    EXPECT_EQ(gameState.badgeX, 420);
    EXPECT_EQ(badgeShown(1), "equal");

    storeRank(7); // above the top rank: stored as the top rank
    EXPECT_EQ(gameState.rankLevel, 3);
    EXPECT_EQ(fileBytes("Data/results.dat"), "3\r\n");
    ASSERT_TRUE(game->advance(1));
    EXPECT_EQ(badgeShown(3), "equal");

    storeRank(0);
    ASSERT_TRUE(game->advance(1));
    EXPECT_EQ(badgeShown(0), "equal");
    EXPECT_EQ(quitWithQ(), 0);
}

TEST_F(FilesTest, ShortOrHeaderlessScoresFiles)
{
    struct Case {
        std::string bytes;
        int32_t best;
    };
    const Case cases[] = {
        {"abc", 0},                                   // too short for the integer
        {std::string("\x39\x00\x00\x00", 4), 57},     // headerless: its first four bytes
        {scoresFileBytes(1000).substr(0, 24), 0},     // header and a cut integer
        {scoresFileBytes(-3), -3},
        {"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        writeFile("Data/scores.dat", c.bytes);
        gameState.bestScore = 12345;
        readBestScoreFile();
        EXPECT_EQ(gameState.bestScore, c.best);
    }
    writeFile("Data/scores.dat", std::string("\x39\x00\x00\x00", 4));
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    EXPECT_EQ(compareScoreLine("Highscore:57"), "equal");
    EXPECT_EQ(quitWithQ(), 0);
    // The game writes its own format back.
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(57));
}

TEST_F(FilesTest, UnwritableScoresFileIsLoggedAndTheGameEndsNormally)
{
    // A folder where the file should be: no one can write it, not even the superuser.
    std::filesystem::create_directory(dir() / "Data/scores.dat");
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    EXPECT_EQ(gameState.bestScore, 0);
    gameState.bestScore = 9;
    EXPECT_EQ(quitWithQ(), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir() / "Data/scores.dat"));
    EXPECT_NE(logText().find("The best score could not be saved in Data/scores.dat"), std::string::npos)
        << logText();
}

TEST_F(FilesTest, ReadOnlyDataFolderEndsCleanly)
{
    std::filesystem::permissions(dir() / "Data", std::filesystem::perms::owner_write |
                                                     std::filesystem::perms::group_write |
                                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    if (std::ofstream probe(dir() / "Data/probe"); probe)
        GTEST_SKIP() << "this user writes into read-only folders (the superuser does)";
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    EXPECT_EQ(quitWithQ(), 0);
    EXPECT_FALSE(std::filesystem::exists(dir() / "Data/scores.dat"));
    EXPECT_NE(logText().find("The best score could not be saved"), std::string::npos) << logText();
}

TEST_F(FilesTest, MissingPictureDoesNotStopTheGame)
{
    std::filesystem::remove(dir() / "Data/Menu/6x6.bmp");
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    ASSERT_NO_FATAL_FAILURE(moveTo(300, 200)); // over the 6x6 button: no hover picture to show
    EXPECT_EQ(describe(comparePicture(game->frame(), picture("Data/Menu/Menu.bmp"), 0, 0,
                                      CompareOptions().within(Area{246, 169, 290, 190}))),
              "equal");
    ASSERT_NO_FATAL_FAILURE(moveTo(300, 260)); // the 8x8 picture still loaded
    EXPECT_EQ(describe(comparePicture(game->frame(), picture("Data/Menu/8x8.bmp"), 249, 227,
                                      CompareOptions().skipping(Area{300, 260, 340, 300}))),
              "equal");
    EXPECT_EQ(quitWithQ(), 0);
}
