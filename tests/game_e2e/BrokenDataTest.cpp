// Pictures and sounds that are short, missing or broken: the boards, the menu and the lost
// dialog draw less, never read outside what was loaded, play on, and name each damaged file once
// in the log.
#include "BoardTest.h"

#include "game/GameState.h"
#include "tests/framework/BmpBuilder.h"

#include <cstring>
#include <filesystem>

class BrokenDataTest : public BoardTest {
protected:
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

TEST_F(BrokenDataTest, MissingPanelBrokenMaskTruncatedStripAndMissingMenuPictureStillPlay)
{
    std::filesystem::remove(dir() / "Data/Menu/Youloose.bmp");
    std::filesystem::remove(dir() / "Data/Menu/6x6.bmp");
    writeFile("Data/Menu/YLMask.bmp", "BM this is no picture");
    const std::string strip = fileBytes("Data/horse.bmp");
    writeFile("Data/horse.bmp", strip.substr(0, strip.size() / 3));

    ASSERT_NO_FATAL_FAILURE(enterBoard(Layout6x6));
    ASSERT_NO_FATAL_FAILURE(openLostDialog(Square{0, 0}));
    // Without a panel the dialog shows the bare board; its buttons still answer.
    EXPECT_EQ(checkLostDialog(picture("Data/Field[6x6].bmp"), Picture{}, Picture{}, 0), "ok");
    ASSERT_NO_FATAL_FAILURE(clickAt(JaButton.x, JaButton.y));
    ASSERT_TRUE(game->advance(2));
    EXPECT_EQ(gameState.pieceX, -1);
    ASSERT_NO_FATAL_FAILURE(openLostDialog(Square{5, 0}));
    ASSERT_NO_FATAL_FAILURE(clickAt(NeinButton.x, NeinButton.y));
    EXPECT_TRUE(gameState.leaveScreen);
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
        // The tick with bit-field masks that are all 0, which would draw it black, and the authors'
        // button with its pixels starting inside its header.
        BmpBuilder unmasked;
        unmasked.width = 2;
        unmasked.height = 1;
        unmasked.bitCount = 32;
        unmasked.compression = 3;
        unmasked.setMasks(0, 0, 0);
        unmasked.pixels.assign(8, 0xFF);
        writeBuilt("Data/Menu/galka.bmp", unmasked);
        std::string authors = fileBytes("Data/Menu/authors.bmp");
        authors[10] = 14;
        writeFile("Data/Menu/authors.bmp", authors);
        // A sound cut to 40 bytes, before its samples, and one cut inside them.
        cut("Data/Sounds/Click.wav", 40);
        cut("Data/Sounds/Imp1.wav", fileBytes("Data/Sounds/Imp1.wav").size() - 100);
        // Menu pictures with one byte of the width or height set: sizes no surface takes, far
        // beyond what the file holds (6x6 becomes 65402 x 67, the others likewise).
        struct Named {
            const char* path;
            std::string line;
        };
        std::vector<Named> oversized;
        for (const auto& [path, at] : {std::pair{"Data/Menu/6x6.bmp", 19}, {"Data/Menu/8x8.bmp", 21},
                                       {"Data/Menu/music.bmp", 23}, {"Data/Menu/exit.bmp", 25}}) {
            std::string bytes = fileBytes(path);
            bytes[static_cast<std::size_t>(at)] = '\xFF';
            writeFile(path, bytes);
            const auto field = [&](std::size_t from) {
                int32_t v;
                std::memcpy(&v, bytes.data() + from, 4);
                return std::to_string(v);
            };
            oversized.push_back({path, std::string(path) + " is damaged: its header declares " + field(18) + "x" +
                                             field(22) + " pixels, more than its " + std::to_string(bytes.size()) +
                                             " bytes hold\n"});
        }

        ASSERT_NO_FATAL_FAILURE(enterBoard(Layout6x6));
        const ScreenPoint at = Layout6x6.corner(Square{0, 0});
        EXPECT_EQ(comparePicture(game->frame(), Picture{35, 35, std::vector<uint16_t>(35 * 35, 0)}, at.x, at.y, false,
                                 cursorArea()),
                  "equal")
            << "the board is not drawn";
        EXPECT_EQ(game->finish(), 0);

        const std::string log = logText();
        std::vector<Named> named{
            {"Data/Menu/Menu.bmp", "Data/Menu/Menu.bmp is damaged: the pixel data ends in row "},
            {"Data/Field[6x6].bmp",
             "Data/Field[6x6].bmp is damaged: 24 bits per pixel with compression 7, which the game cannot draw\n"},
            {"Data/Menu/Ja.bmp", "Data/Menu/Ja.bmp is damaged: the run-length data runs past the picture\n"},
            {"Data/Menu/galka.bmp", "Data/Menu/galka.bmp is damaged: its red mask is 0\n"},
            {"Data/Menu/authors.bmp", "Data/Menu/authors.bmp is damaged: its header overlaps its pixels\n"},
            {"Data/Sounds/Click.wav",
             "Data/Sounds/Click.wav is damaged: the file ends inside its header, before its 'data' chunk\n"},
            {"Data/Sounds/Imp1.wav", "Data/Sounds/Imp1.wav is damaged: the file ends inside its samples\n"},
        };
        named.insert(named.end(), oversized.begin(), oversized.end());
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
