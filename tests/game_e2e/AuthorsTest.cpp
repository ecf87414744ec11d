// The authors screen end to end: the fades' exact frame counts and levels, the picture
// without a cursor, keys ignored, and the closing click kept away from the menu.
#include "GameTest.h"

#include "game/GameState.h"
#include "platform/headless/input.h"

#include <vector>

namespace {
// A 5-6-5 pixel darkened to level / 256 per channel, as a fade toward black draws it.
constexpr uint16_t faded565(uint16_t p, int level)
{
    const int r = ((p >> 11) & 31) * level >> 8;
    const int g = ((p >> 5) & 63) * level >> 8;
    const int b = (p & 31) * level >> 8;
    return static_cast<uint16_t>(r << 11 | g << 5 | b);
}

// Points away from the buttons, the badge, the score line and the cursor.
constexpr int samples[][2] = {{60, 40}, {700, 300}, {120, 560}, {420, 140}, {560, 470}};

// A fade-out: 51 levels from 255 down in steps of 5; a fade-in: 64 from 0 up in steps of 4.
struct Fade {
    int first, step, frames;
};
constexpr Fade FadeOut{255, -5, 51};
constexpr Fade FadeIn{0, 4, 64};
} // namespace

class AuthorsTest : public GameTest {
protected:
    // Lets the game present one frame per level and checks each against the picture at it.
    void expectFade(const Picture& picture, const Fade& fade, const char* what)
    {
        for (int i = 0, level = fade.first; i < fade.frames; ++i, level += fade.step) {
            ASSERT_TRUE(game->advance(1));
            for (const auto& p : samples)
                ASSERT_EQ(game->frame().pixel(p[0], p[1]), faded565(picture.at(p[0], p[1]), level))
                    << what << " frame " << i << " at " << p[0] << "," << p[1];
        }
    }
};

TEST_F(AuthorsTest, RoundTripFadesShowsThePictureAndIgnoresKeys)
{
    const Picture& menu = picture("Data/Menu/Menu.bmp");
    const Picture& authors = picture("Data/Menu/authors().bmp");
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    ASSERT_NO_FATAL_FAILURE(moveTo(300, 440));
    plat::headless::clickAt(300, 440);
    ASSERT_NO_FATAL_FAILURE(expectFade(menu, FadeOut, "menu fade-out"));
    ASSERT_NO_FATAL_FAILURE(expectFade(authors, FadeIn, "authors fade-in"));

    // The picture alone, whole and without a cursor, wherever the mouse goes; Q and F1 do nothing.
    ASSERT_TRUE(game->advance(1));
    EXPECT_EQ(comparePicture(game->frame(), authors, 0, 0), "equal");
    ASSERT_NO_FATAL_FAILURE(moveTo(400, 300));
    holdKey("Q");
    holdKey("F1");
    ASSERT_TRUE(game->advance(5));
    EXPECT_FALSE(gameState.leaveScreen);
    EXPECT_EQ(comparePicture(game->frame(), authors, 0, 0), "equal");
    releaseKey("Q");
    releaseKey("F1");
    ASSERT_TRUE(game->advance(3));

    // A click over where the music button lies in the menu ends the screen; the same click must
    // not toggle the music once the menu is back.
    plat::headless::clickAt(300, 380);
    ASSERT_TRUE(game->advance(1)); // the frame that takes the click
    EXPECT_TRUE(gameState.leaveScreen);
    ASSERT_NO_FATAL_FAILURE(expectFade(authors, FadeOut, "authors fade-out"));
    ASSERT_NO_FATAL_FAILURE(expectFade(menu, FadeIn, "menu fade-in"));
    ASSERT_TRUE(game->advance(2));
    EXPECT_FALSE(gameState.leaveScreen);
    EXPECT_TRUE(gameState.musicOn) << "the click that closed the authors screen reached the music button";
    EXPECT_EQ(shows("Data/Menu/galka.bmp", 472, 339), "equal");
    EXPECT_EQ(quitWithQ(), 0);
}
