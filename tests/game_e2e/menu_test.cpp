// The main menu end to end: badge, best score, hover pictures, music tick, Q and F1.
#include "GameTest.h"

#include "game/GameState.h"
#include "game/Globals.h"
#include "platform/headless/input.h"
#include "platform/headless/music.h"
#include "game/RankFile.h"

namespace {
const std::vector<std::string> musicStart{
    "open \"Data/Sounds/music.mid\" type sequencer alias MUSIC",
    "play MUSIC from 0 notify",
    "play MUSIC repeat",
};

// Where the cursor picture may be: its top-left at the mouse.
Area cursorArea(int x, int y) { return Area{x, y, x + 40, y + 40}; }

struct HoverButton {
    const char* name;
    int x, y;          // a point inside the button's rectangle
    const char* path;  // its hover picture
    int pictureX, pictureY;
};
constexpr HoverButton hoverButtons[] = {
    {"exit", 300, 500, "Data/Menu/exit.bmp", 186, 466},
    {"authors", 300, 440, "Data/Menu/authors.bmp", 264, 397},
    {"music", 300, 380, "Data/Menu/music.bmp", 218, 344},
    {"6x6", 300, 200, "Data/Menu/6x6.bmp", 246, 169},
    {"8x8", 300, 260, "Data/Menu/8x8.bmp", 249, 227},
    {"10x10", 300, 320, "Data/Menu/10x10.bmp", 232, 276},
};
} // namespace

using MenuTest = GameTest;

TEST_F(MenuTest, FirstStartShowsNoBadgeAndBestScoreZero)
{
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    EXPECT_EQ(gameState.rankLevel, NoRank);
    EXPECT_EQ(gameState.bestScore, 0);
    // Nothing but the menu picture where any badge would stand (the cursor rests at 0, 0).
    const Picture& menu = picture("Data/Menu/Menu.bmp");
    EXPECT_EQ(describe(comparePicture(game->frame(), menu, 0, 0,
                                      CompareOptions().skipping(cursorArea(0, 0)).within(Area{100, 80, 620, 180}))),
              "equal");
    EXPECT_EQ(compareScoreLine("Highscore:0"), "equal");
    // The music box holds its tick: the music starts on.
    EXPECT_EQ(describe(comparePicture(game->frame(), picture("Data/Menu/galka.bmp"), 472, 339)), "equal");
    EXPECT_NE(logText().find("'Data/scores.dat' open failed"), std::string::npos) << logText();
    EXPECT_EQ(musicCommands(), musicStart);
    for (const auto& entry : plat::headless::musicLog())
        EXPECT_EQ(entry.result, plat::MusicResult::Ok) << entry.command;
    EXPECT_EQ(quitWithQ(), 0);
}

TEST_F(MenuTest, HoveringEachButtonShowsItsPicture)
{
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    for (const HoverButton& b : hoverButtons) {
        SCOPED_TRACE(b.name);
        ASSERT_NO_FATAL_FAILURE(moveTo(b.x, b.y));
        EXPECT_EQ(describe(comparePicture(game->frame(), picture(b.path), b.pictureX, b.pictureY,
                                          CompareOptions().skipping(cursorArea(b.x, b.y)))),
                  "equal");
        EXPECT_EQ(describe(comparePicture(game->frame(), picture("Data/cursor.bmp"), b.x, b.y, CompareOptions().keyedOnBlack())),
                  "equal");
    }
    // Off every button the menu shows its own picture again.
    ASSERT_NO_FATAL_FAILURE(moveTo(700, 550));
    EXPECT_EQ(describe(comparePicture(game->frame(), picture("Data/Menu/Menu.bmp"), 0, 0,
                                      CompareOptions().within(Area{150, 150, 470, 560}))),
              "equal");
    EXPECT_EQ(quitWithQ(), 0);
}

TEST_F(MenuTest, MusicButtonTogglesTheTickOncePerClick)
{
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    const Picture& tick = picture("Data/Menu/galka.bmp");
    const Picture& menu = picture("Data/Menu/Menu.bmp");
    const Area tickArea{472, 339, 472 + tick.width, 339 + tick.height};

    ASSERT_NO_FATAL_FAILURE(clickAt(300, 380));
    EXPECT_FALSE(gameState.musicOn);
    ASSERT_TRUE(game->advance(3)); // the mouse rests on the button: no further toggles
    EXPECT_FALSE(gameState.musicOn);
    EXPECT_EQ(describe(comparePicture(game->frame(), menu, 0, 0, CompareOptions().within(tickArea))), "equal");
    std::vector<std::string> expected = musicStart;
    expected.push_back("close MUSIC");
    EXPECT_EQ(musicCommands(), expected);
    EXPECT_TRUE(plat::headless::musicAliases().empty());

    ASSERT_NO_FATAL_FAILURE(clickAt(300, 380));
    EXPECT_TRUE(gameState.musicOn);
    EXPECT_EQ(describe(comparePicture(game->frame(), tick, 472, 339)), "equal");
    expected.insert(expected.end(), musicStart.begin(), musicStart.end());
    EXPECT_EQ(musicCommands(), expected);
    EXPECT_EQ(plat::headless::musicAliases().size(), 1u);
    EXPECT_EQ(quitWithQ(), 0);
}

TEST_F(MenuTest, F1EndsTheMenuOnlyOverTheExitButton)
{
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    ASSERT_NO_FATAL_FAILURE(moveTo(300, 440)); // over the authors button
    holdKey("F1");
    ASSERT_TRUE(game->advance(5));
    EXPECT_FALSE(gameState.leaveScreen);
    ASSERT_NO_FATAL_FAILURE(moveTo(300, 500)); // over the exit button, F1 still held
    EXPECT_TRUE(gameState.leaveScreen);
    EXPECT_EQ(game->finish(false), 0);
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(0));
}

TEST_F(MenuTest, QEndsTheProgramAndKeepsTheBestScore)
{
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    gameState.bestScore = 57; // as a board would have raised it
    ASSERT_NO_FATAL_FAILURE(moveTo(650, 100));
    EXPECT_EQ(quitWithQ(), 0);
    const std::string bytes = fileBytes("Data/scores.dat");
    ASSERT_EQ(bytes.size(), 25u);
    EXPECT_EQ(bytes, scoresFileBytes(57));
}

TEST_F(MenuTest, ClosingTheWindowEndsTheMenuAndStillWritesTheScore)
{
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    EXPECT_EQ(game->finish(true), 0);
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(0));
}

TEST_F(MenuTest, BoardButtonPlaysTheStartSoundAndFadesOut)
{
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    ASSERT_NO_FATAL_FAILURE(moveTo(300, 200));
    const uint16_t before = static_cast<uint16_t>(game->frame().pixel(100, 100));
    EXPECT_EQ(soundPlays(startSound), 0);
    plat::headless::clickAt(300, 200);
    ASSERT_TRUE(game->advance(2)); // the press is taken, and the fade-out's first frame shows
    EXPECT_EQ(soundPlays(startSound), 1);
    EXPECT_EQ(soundPlays(clickSound), 0);
    EXPECT_EQ(game->frame().pixel(100, 100), faded565(before, 255));
    EXPECT_EQ(game->finish(true), 0);
}

TEST_F(MenuTest, NoDisplayDeviceEndsTheStartWithFailure)
{
    plat::headless::failNext(plat::headless::Operation::CreateDevice, plat::result::Generic);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(game->start());
    const std::string output = testing::internal::GetCapturedStderr();
    EXPECT_EQ(game->finish(), 1);
    EXPECT_NE(output.find("Velmoor: cannot open the display: "), std::string::npos) << output;
    EXPECT_FALSE(std::filesystem::exists(dir() / "Data/scores.dat"));
}
