// The authors screen end to end: the fades' exact frame counts and levels, the picture
// without a cursor, keys ignored, and the closing click kept away from the menu.
#include "GameTest.h"

#include "game/GameState.h"
#include "platform/headless/input.h"

#include <vector>

namespace {
// Points away from the buttons, the badge, the score line and the cursor.
constexpr int samples[][2] = {{60, 40}, {700, 300}, {120, 560}, {420, 140}, {560, 470}};

std::vector<uint16_t> sample(const plat::headless::PresentedFrame& frame)
{
    std::vector<uint16_t> values;
    for (const auto& p : samples)
        values.push_back(static_cast<uint16_t>(frame.pixel(p[0], p[1])));
    return values;
}

std::vector<uint16_t> sample(const Picture& picture, int level)
{
    std::vector<uint16_t> values;
    for (const auto& p : samples)
        values.push_back(faded565(picture.at(p[0], p[1]), level));
    return values;
}

// The levels of a fade-out (255 down to 5 in steps of 5) or a fade-in (0 up to 252 in 4s).
std::vector<int> fadeOutLevels()
{
    std::vector<int> levels;
    for (int level = 255; level > 0; level -= 5)
        levels.push_back(level);
    return levels;
}
std::vector<int> fadeInLevels()
{
    std::vector<int> levels;
    for (int level = 0; level < 255; level += 4)
        levels.push_back(level);
    return levels;
}
} // namespace

class AuthorsTest : public GameTest {
protected:
    // Lets the game present one frame per level and checks each against the picture at it.
    void expectFade(const Picture& picture, const std::vector<int>& levels, const char* what)
    {
        for (std::size_t i = 0; i < levels.size(); ++i) {
            ASSERT_TRUE(game->advance(1));
            ASSERT_EQ(sample(game->frame()), sample(picture, levels[i])) << what << " frame " << i << " of "
                                                                         << levels.size();
        }
    }
};

TEST_F(AuthorsTest, RoundTripFadesShowsThePictureAndIgnoresKeys)
{
    ASSERT_EQ(fadeOutLevels().size(), 51u);
    ASSERT_EQ(fadeInLevels().size(), 64u);
    const Picture& menu = picture("Data/Menu/Menu.bmp");
    const Picture& authors = picture("Data/Menu/authors().bmp");

    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    ASSERT_NO_FATAL_FAILURE(moveTo(300, 440));
    plat::headless::clickAt(300, 440);
    ASSERT_NO_FATAL_FAILURE(expectFade(menu, fadeOutLevels(), "menu fade-out"));
    ASSERT_NO_FATAL_FAILURE(expectFade(authors, fadeInLevels(), "authors fade-in"));

    // The picture alone, whole and without a cursor, wherever the mouse goes.
    ASSERT_TRUE(game->advance(1));
    EXPECT_EQ(describe(comparePicture(game->frame(), authors, 0, 0)), "equal");
    ASSERT_NO_FATAL_FAILURE(moveTo(400, 300));
    EXPECT_EQ(describe(comparePicture(game->frame(), authors, 0, 0)), "equal");

    // Q and F1 do nothing here.
    holdKey("Q");
    holdKey("F1");
    ASSERT_TRUE(game->advance(5));
    EXPECT_FALSE(gameState.leaveScreen);
    EXPECT_EQ(describe(comparePicture(game->frame(), authors, 0, 0)), "equal");
    releaseKey("Q");
    releaseKey("F1");
    ASSERT_TRUE(game->advance(3));

    // A click over where the music button lies in the menu ends the screen; the same click must
    // not toggle the music once the menu is back.
    ASSERT_TRUE(gameState.musicOn);
    plat::headless::clickAt(300, 380);
    ASSERT_TRUE(game->advance(1)); // the frame that takes the click
    EXPECT_TRUE(gameState.leaveScreen);
    ASSERT_NO_FATAL_FAILURE(expectFade(authors, fadeOutLevels(), "authors fade-out"));
    ASSERT_NO_FATAL_FAILURE(expectFade(menu, fadeInLevels(), "menu fade-in"));
    ASSERT_TRUE(game->advance(2));
    EXPECT_FALSE(gameState.leaveScreen);
    EXPECT_TRUE(gameState.musicOn) << "the click that closed the authors screen reached the music button";
    EXPECT_EQ(describe(comparePicture(game->frame(), picture("Data/Menu/galka.bmp"), 472, 339)), "equal");
    EXPECT_EQ(quitWithQ(), 0);
}
