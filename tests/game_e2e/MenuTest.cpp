// The main menu end to end: badge, best score, music, hover pictures, Q and F1.
#include "GameTest.h"

#include "game/GameState.h"
#include "game/Globals.h"
#include "game/RankFile.h"
#include "platform/headless/music.h"

namespace {
const std::vector<std::string> musicStart{
    "open \"Data/Sounds/music.mid\" type sequencer alias MUSIC",
    "play MUSIC from 0 notify",
    "play MUSIC repeat",
};
constexpr Area BadgeArea{100, 80, 620, 180};
constexpr Area TickArea{472, 339, 472 + 40, 339 + 40};
} // namespace

using MenuTest = GameTest;

TEST_F(MenuTest, FirstStartShowsNoBadgeAndBestScoreZeroAndQWritesTheScoresFile)
{
    inOwnProcess([&] {
        ASSERT_NO_FATAL_FAILURE(startAtMenu());
        EXPECT_EQ(gameState.rankLevel, NoRank);
        EXPECT_EQ(shows("Data/Menu/Menu.bmp", 0, 0, BadgeArea), "equal") << "a badge is shown";
        EXPECT_EQ(compareScoreLine("Highscore:0"), "equal");
        EXPECT_EQ(shows("Data/Menu/galka.bmp", 472, 339), "equal") << "the music starts on";
        // No best score yet: the stream's failed open, logged as the support library logs it for
        // any file, its warning and then its exception.
        const std::string log = logText();
        const std::size_t warning =
            log.find("[talvo.io] warning: 'Data/scores.dat' open failed: No such file or directory\n");
        const std::size_t exception = log.find("[exception] error: class talvo::io::Failure\n", warning);
        EXPECT_NE(warning, std::string::npos) << log;
        EXPECT_NE(exception, std::string::npos) << log;
        EXPECT_NE(log.find("No such file or directory ('Data/scores.dat')\n", exception), std::string::npos) << log;
        EXPECT_EQ(musicCommands(), musicStart);
        for (const auto& entry : plat::headless::musicLog())
            EXPECT_EQ(entry.result, plat::MusicResult::Ok) << entry.command;
        EXPECT_EQ(quitWithQ(), 0);
        EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(0));
    });
}

TEST_F(MenuTest, HoveringEachButtonShowsItsPictureAndF1EndsOnlyOverExit)
{
    struct HoverButton {
        int x, y;         // a point inside the button's rectangle
        const char* path; // its hover picture
        int pictureX, pictureY;
    };
    constexpr HoverButton buttons[] = {
        {300, 200, "Data/Menu/6x6.bmp", 246, 169},   {300, 260, "Data/Menu/8x8.bmp", 249, 227},
        {300, 320, "Data/Menu/10x10.bmp", 232, 276}, {300, 380, "Data/Menu/music.bmp", 218, 344},
        {300, 440, "Data/Menu/authors.bmp", 264, 397}, {300, 500, "Data/Menu/exit.bmp", 186, 466},
    };
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    for (const HoverButton& b : buttons) {
        ASSERT_NO_FATAL_FAILURE(moveTo(b.x, b.y));
        EXPECT_EQ(shows(b.path, b.pictureX, b.pictureY), "equal") << b.path;
        EXPECT_EQ(comparePicture(game->frame(), picture("Data/cursor.bmp"), b.x, b.y, true), "equal");
    }
    ASSERT_NO_FATAL_FAILURE(moveTo(700, 550));
    EXPECT_EQ(shows("Data/Menu/Menu.bmp", 0, 0, Area{150, 150, 470, 560}), "equal") << "off every button";

    ASSERT_NO_FATAL_FAILURE(moveTo(300, 440)); // over the authors button
    holdKey("F1");
    ASSERT_TRUE(game->advance(5));
    EXPECT_FALSE(gameState.leaveScreen);
    ASSERT_NO_FATAL_FAILURE(moveTo(300, 500)); // over the exit button, F1 still held
    EXPECT_TRUE(gameState.leaveScreen);
    EXPECT_EQ(game->finish(false), 0);
}

TEST_F(MenuTest, MusicButtonTogglesTheTickAndTheMusicOncePerClick)
{
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    ASSERT_NO_FATAL_FAILURE(clickAt(300, 380));
    ASSERT_TRUE(game->advance(3)); // the mouse rests on the button: no further toggles
    EXPECT_FALSE(gameState.musicOn);
    EXPECT_EQ(shows("Data/Menu/Menu.bmp", 0, 0, TickArea), "equal") << "the tick is still shown";
    std::vector<std::string> expected = musicStart;
    expected.push_back("close MUSIC");
    EXPECT_EQ(musicCommands(), expected);
    EXPECT_TRUE(plat::headless::musicAliases().empty());

    ASSERT_NO_FATAL_FAILURE(clickAt(300, 380));
    EXPECT_TRUE(gameState.musicOn);
    EXPECT_EQ(shows("Data/Menu/galka.bmp", 472, 339), "equal");
    expected.insert(expected.end(), musicStart.begin(), musicStart.end());
    EXPECT_EQ(musicCommands(), expected);
    EXPECT_EQ(quitWithQ(), 0);
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
