// Pictures and sounds that are short, missing or broken: a picture that is missing or refused
// stops the start with one line, or leaves its screen black when it breaks while the game runs;
// pictures that loaded in part draw less, never read outside what was loaded, play on, and name
// each damaged file once in the log.
#include "BoardTest.h"

#include "game/GameState.h"
#include "game/Program.h"
#include "tests/framework/BmpBuilder.h"
#include "tests/support/alloc_cap.h"

#include <filesystem>

class BrokenDataTest : public BoardTest {
protected:
    // A 2 x 1 picture of 32 bits whose bit-field masks are all 0: the framework refuses it.
    static std::string unmaskedBmp()
    {
        BmpBuilder unmasked;
        unmasked.width = 2;
        unmasked.height = 1;
        unmasked.bitCount = 32;
        unmasked.compression = 3;
        unmasked.setMasks(0, 0, 0);
        unmasked.pixels.assign(8, 0xFF);
        const std::vector<uint8_t> bytes = unmasked.build();
        return std::string(bytes.begin(), bytes.end());
    }

    // Replaces a generated picture by its top-left part; returns the part.
    Picture shorten(const std::string& path, int width, int height)
    {
        const Picture part = crop(picture(path), 0, 0, width, height);
        EXPECT_TRUE(plat::headless::writeFrameBmp((dir() / path).string(), frameOf(part)));
        return part;
    }

    // The 6x6 board into the lost dialog at the end of a path, the cursor away from the panel.
    void openLostDialog(Square start)
    {
        for (const Square s : deadEndPath(6, start))
            ASSERT_NO_FATAL_FAILURE(clickSquare(s));
        ASSERT_EQ(gameState.freeJumps, 0);
        ASSERT_NO_FATAL_FAILURE(moveTo(700, 580));
    }

    // "Ja" still starts a fresh board.
    void expectJaRestarts()
    {
        ASSERT_NO_FATAL_FAILURE(clickAt(JaButton.x, JaButton.y));
        ASSERT_TRUE(game->advance(2));
        EXPECT_EQ(std::tie(gameState.pieceX, gameState.score, gameState.leaveScreen), std::make_tuple(-1, 0, false));
        EXPECT_EQ(game->finish(), 0);
    }
};

TEST_F(BrokenDataTest, ShortPiecePanelMaskAndBoardPicturesDrawOnlyWhatTheyHold)
{
    // Nine frames of the piece instead of eighteen: the resting frame 17 is not there. The panel
    // ends inside the mask on the right, the mask inside the panel below. A board picture
    // smaller than the screen leaves part of the frame to what was there, so the dialog cannot
    // keep a ready-made copy of board and panel: it draws both in every frame.
    (void)shorten("Data/horse.bmp", 9 * 35, 35);
    const Picture panel = shorten("Data/Menu/Youloose.bmp", 300, 200);
    const Picture mask = shorten("Data/Menu/YLMask.bmp", 256, 256);
    const Picture board = shorten("Data/Field[6x6].bmp", 640, 480);
    ASSERT_NO_FATAL_FAILURE(enterBoard(Layout6x6));
    ASSERT_NO_FATAL_FAILURE(clickSquare(Square{0, 0}));
    ASSERT_NO_FATAL_FAILURE(waitForRest());
    const ScreenPoint at = Layout6x6.corner(Square{0, 0});
    EXPECT_EQ(comparePicture(game->frame(), crop(board, at.x, at.y, 35, 35), at.x, at.y, false, cursorArea()), "equal")
        << "the piece at rest";
    ASSERT_NO_FATAL_FAILURE(openLostDialog(Square{0, 0}));
    EXPECT_EQ(checkLostDialog(board, panel, mask), "ok");
    ASSERT_NO_FATAL_FAILURE(expectJaRestarts());
}

TEST_F(BrokenDataTest, EveryPictureMissingOrRefusedStopsTheStartWithOneLineBeforeAFrameIsShown)
{
    // Those the screens load later too: a board must never show the menu's picture instead.
    std::vector<std::string> pictures;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir() / "Data"))
        if (entry.path().extension() == ".bmp")
            pictures.push_back(std::filesystem::relative(entry.path(), dir()).string());
    ASSERT_EQ(pictures.size(), 29u);
    const auto failedStart = [&](const std::string& why) {
        game.reset();
        plat::headless::reset();
        game = std::make_unique<GameDriver>(runVelmoor);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(game->start()) << "a frame was shown: " << why;
        EXPECT_EQ(game->finish(false), 1) << why;
        return ::testing::internal::GetCapturedStderr();
    };
    const std::string in = " in " + dir().string() + " ";
    for (const std::string& path : pictures) {
        const std::string bytes = fileBytes(path);
        std::filesystem::remove(dir() / path);
        const std::string missing = failedStart(path + " missing");
        if (path == "Data/Menu/Menu.bmp")
            EXPECT_EQ(missing.rfind("Velmoor: cannot find the game's data (", 0), 0u) << missing;
        else
            EXPECT_EQ(missing, "Velmoor: cannot use the game's data (" + path + in +
                                   "was not loaded: No such file or directory)\n");
        if (path == "Data/Menu/Menu.bmp" || path == "Data/Field[6x6].bmp") {
            writeFile(path, unmaskedBmp());
            EXPECT_EQ(failedStart(path + " refused"),
                      "Velmoor: cannot use the game's data (" + path + in + "is damaged: its red mask is 0)\n");
        }
        writeFile(path, bytes);
    }
}

TEST_F(BrokenDataTest, ABoardPictureRefusedWhileTheGameRunsLeavesTheBoardBlackAndIsSaidOnStderr)
{
    // Checked at start and broken since: the board is drawn on black, not on the menu's picture.
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    writeFile("Data/Field[6x6].bmp", unmaskedBmp());
    ::testing::internal::CaptureStderr();
    ASSERT_NO_FATAL_FAILURE(clickAt(300, 200));
    ASSERT_TRUE(game->waitUntil([&](const auto&) { return gameState.extent == Layout6x6.extent; }, 200));
    ASSERT_NO_FATAL_FAILURE(moveTo(700, 300));
    ASSERT_TRUE(game->advance(3));
    EXPECT_EQ(comparePicture(game->frame(), Picture{800, 600, std::vector<uint16_t>(800 * 600, 0)}, 0, 0, false,
                             cursorArea(), Area{0, 100, 800, 600}),
              "equal")
        << "black below the score line but for the cursor";
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Velmoor: Data/Field[6x6].bmp is damaged: its red mask is 0\n");
    EXPECT_EQ(game->finish(), 0);
}

TEST_F(BrokenDataTest, ABoardPictureWithoutMemoryIsSaidAsAnyPictureNotLoadedAndTheGamePlaysOn)
{
    // No block as large as the board's file (1.4 MB) while the board opens; the rest fits.
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    ::testing::internal::CaptureStderr();
    {
        const testsupport::AllocCap cap(std::size_t{1} << 20);
        ASSERT_NO_FATAL_FAILURE(clickAt(300, 200));
        ASSERT_TRUE(game->waitUntil([&](const auto&) { return gameState.extent == Layout6x6.extent; }, 200));
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Velmoor: Data/Field[6x6].bmp was not loaded: out of memory\n");
    ASSERT_NO_FATAL_FAILURE(clickSquare(Square{0, 0}));
    EXPECT_EQ(gameState.score, 1);
    EXPECT_EQ(game->finish(), 0);
}

TEST_F(BrokenDataTest, AnEndButtonRefusedWhileTheGameRunsLeavesNoButtonNotAnotherBoardsOne)
{
    // The 8x8 board loads the button picture that the 6x6 board then fails to load.
    ASSERT_NO_FATAL_FAILURE(enterBoard(Layout8x8));
    ASSERT_NO_FATAL_FAILURE(moveTo(300, 480));
    ASSERT_NO_FATAL_FAILURE(clickAt(300, 480));
    ASSERT_TRUE(waitForMenu());
    writeFile("Data/end[8x8].bmp", unmaskedBmp());
    ::testing::internal::CaptureStderr();
    ASSERT_NO_FATAL_FAILURE(clickAt(300, 200)); // the 6x6 button
    ASSERT_TRUE(game->waitUntil([&](const auto&) { return gameState.extent == Layout6x6.extent; }, 200));
    ASSERT_NO_FATAL_FAILURE(moveTo(380, 530));
    ASSERT_TRUE(game->advance(2));
    const Picture& button = picture("Data/end[6x6].bmp");
    EXPECT_EQ(comparePicture(game->frame(), crop(picture("Data/Field[6x6].bmp"), 236, 497, button.width, button.height),
                             236, 497, false, cursorArea()),
              "equal")
        << "the board's own pixels under the mouse";
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Velmoor: Data/end[8x8].bmp is damaged: its red mask is 0\n");
    EXPECT_EQ(game->finish(), 0);
}

TEST_F(BrokenDataTest, DamagedPicturesOfEachKindAndCutSoundsAreNamedOnceInTheLog)
{
    inOwnProcess([&] {
        const auto cut = [&](const std::string& path, std::size_t size) { writeFile(path, fileBytes(path).substr(0, size)); };
        // The menu (loaded at start-up and again by the menu) cut to half its length.
        cut("Data/Menu/Menu.bmp", fileBytes("Data/Menu/Menu.bmp").size() / 2);
        // The board with a compression the loader does not handle.
        std::string board = fileBytes("Data/Field[6x6].bmp");
        board[30] = 7;
        writeFile("Data/Field[6x6].bmp", board);
        // "Ja" as a run-length picture whose second run goes past its row.
        BmpBuilder ja;
        ja.width = 4;
        ja.height = 1;
        ja.compression = 1;
        ja.addColour(255, 255, 255);
        ja.pixels = {3, 0, 2, 0, 0, 1};
        const auto writeBuilt = [&](const std::string& path, const BmpBuilder& b) {
            const std::vector<uint8_t> bytes = b.build();
            writeFile(path, std::string(bytes.begin(), bytes.end()));
        };
        writeBuilt("Data/Menu/Ja.bmp", ja);
        // A sound cut to 40 bytes, before its samples, and one cut inside them.
        cut("Data/Sounds/Click.wav", 40);
        cut("Data/Sounds/Imp1.wav", fileBytes("Data/Sounds/Imp1.wav").size() - 100);

        ASSERT_NO_FATAL_FAILURE(enterBoard(Layout6x6));
        const ScreenPoint at = Layout6x6.corner(Square{0, 0});
        EXPECT_EQ(comparePicture(game->frame(), Picture{35, 35, std::vector<uint16_t>(35 * 35, 0)}, at.x, at.y, false,
                                 cursorArea()),
                  "equal")
            << "the board is not drawn";
        EXPECT_EQ(game->finish(), 0);

        const std::string log = logText();
        struct Named {
            const char* path;
            std::string line;
        };
        const std::vector<Named> named{
            {"Data/Menu/Menu.bmp", "Data/Menu/Menu.bmp is damaged: the pixel data ends in row "},
            {"Data/Field[6x6].bmp",
             "Data/Field[6x6].bmp is damaged: 24 bits per pixel with compression 7, which the game cannot draw\n"},
            {"Data/Menu/Ja.bmp", "Data/Menu/Ja.bmp is damaged: the run-length data runs past the picture\n"},
            {"Data/Sounds/Click.wav",
             "Data/Sounds/Click.wav is damaged: the file ends inside its header, before its 'data' chunk\n"},
            {"Data/Sounds/Imp1.wav", "Data/Sounds/Imp1.wav is damaged: the file ends inside its samples\n"},
        };
        for (const auto& n : named) {
            const std::size_t first = log.find(n.path);
            EXPECT_EQ(log.find(n.line), first) << n.line << "\n" << log;
            EXPECT_NE(log.find("[velmoor] warning: " + n.line), std::string::npos) << n.line;
            EXPECT_EQ(log.find(n.path, first + 1), std::string::npos) << "named twice: " << n.path;
        }
        // Whole files are not named.
        for (const char* whole : {"Data/Menu/Nein.bmp", "Data/Menu/10x10.bmp", "Data/horse.bmp", "Data/end[8x8].bmp"})
            EXPECT_EQ(log.find(whole), std::string::npos) << whole << "\n" << log;
    });
}

TEST_F(BrokenDataTest, AMenuPictureWhoseHeaderNoLongerAddsUpIsDrawnAsReadAndNamedOnce)
{
    inOwnProcess([&] {
        // The width 145 made 110: the image size and the file's length still count 145-pixel rows.
        std::string hover = fileBytes("Data/Menu/10x10.bmp");
        ASSERT_EQ(static_cast<uint8_t>(hover[18]), 145);
        hover[18] = 110;
        writeFile("Data/Menu/10x10.bmp", hover);
        ASSERT_NO_FATAL_FAILURE(startAtMenu());
        ASSERT_NO_FATAL_FAILURE(moveTo(300, 320));
        EXPECT_EQ(shows("Data/Menu/10x10.bmp", 232, 276), "equal") << "the rows as the header now reads them";
        EXPECT_EQ(quitWithQ(), 0);
        const std::string log = logText();
        const std::string line = "[velmoor] warning: Data/Menu/10x10.bmp is damaged: the header gives 29648 bytes of "
                                 "pixels, its rows need 22576\n";
        const std::size_t at = log.find(line);
        EXPECT_NE(at, std::string::npos) << log;
        EXPECT_EQ(log.find("Data/Menu/10x10.bmp", at + line.size()), std::string::npos) << log;
        EXPECT_EQ(log.find("[velmoor] warning"), at) << "the only line: " << log;
    });
}
