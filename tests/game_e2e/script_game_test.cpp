// A whole game through VELMOOR_SCRIPT on the built executable: menu, a 6x6 tour, the won
// screen, back to the menu and out; then the files it leaves.
#include "BoardModel.h"
#include "GameTest.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

using FullGameScriptTest = GameTest;

TEST_F(FullGameScriptTest, MenuTourWonScreenAndExit)
{
    const fs::path exe = fs::path(VELMOOR_RUN_DIR) / "Velmoor";
    ASSERT_TRUE(fs::exists(exe)) << exe << " is not built";
    // A copy beside the data, so its log is this test's own.
    fs::copy_file(exe, dir() / "Velmoor");

    const std::vector<Cell2> tour = knightsTour(6, Cell2{0, 0});
    ASSERT_EQ(tour.size(), 36u);
    std::ostringstream script;
    script << "wait 2\n"
           << "click 300 200 # the 6x6 button\n"
           << "wait 120 # the menu fades out, the board starts\n";
    for (Cell2 s : tour) {
        const Cell2 c = Layout6x6.centre(s);
        script << "click " << c.x << ' ' << c.y << "\nwait 1\n";
    }
    script << "dump won.bmp\n"
           << "click 400 300\n"
           << "wait 130 # the board fades out, the menu fades in\n"
           << "move 700 550\n"
           << "dump menu.bmp\n"
           << "key Q\n";
    writeFile("script.txt", script.str());

    const std::string command = "cd '" + dir().string() +
                                "' && VELMOOR_PLATFORM=headless VELMOOR_SCRIPT=script.txt ./Velmoor >output.txt 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(status != -1 && WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << fileBytes("output.txt");
    EXPECT_EQ(fileBytes("output.txt"), "") << "the script ran without complaint";

    EXPECT_EQ(fileBytes("Data/results.dat"), "1\r\n");
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(36));

    const auto won = readPicture((dir() / "won.bmp").string());
    ASSERT_TRUE(won);
    const Picture& congratulations = picture("Data/Congratulaions.bmp");
    int wonDiffers = 0;
    for (std::size_t i = 0; i < congratulations.pixels.size() && i < won->pixels.size(); ++i)
        wonDiffers += congratulations.pixels[i] != won->pixels[i];
    EXPECT_EQ(wonDiffers, 0) << "the won screen shows its picture, no cursor";

    const auto menu = readPicture((dir() / "menu.bmp").string());
    ASSERT_TRUE(menu);
    const Picture& badge = picture("Data/Menu/man.bmp");
    int badgeDiffers = 0;
    for (int y = 0; y < badge.height; ++y)
        for (int x = 0; x < badge.width; ++x)
            badgeDiffers += menu->at(420 + x, 97 + y) != badge.at(x, y);
    EXPECT_EQ(badgeDiffers, 0) << "the menu shows the rank-1 badge";
}
