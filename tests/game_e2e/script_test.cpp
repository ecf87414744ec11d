// The built executable driven through VELMOOR_SCRIPT on the headless backend: the same
// scenarios as in-process, seen only through dumped frames, written files and the exit status.
#include "GameTest.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {
constexpr uint16_t gold565 = rgb565(255, 203, 0);

std::string badgeArea(const Picture& frame, const Picture& menu)
{
    for (int y = 80; y < 180; ++y)
        for (int x = 100; x < 620; ++x)
            if (frame.at(x, y) != menu.at(x, y))
                return "differs at " + std::to_string(x) + ", " + std::to_string(y);
    return "equal";
}

// Pixels of the exact text colour in the score corner.
int goldPixels(const Picture& frame)
{
    int n = 0;
    for (int y = 20; y < 75; ++y)
        for (int x = 600; x < 800; ++x)
            n += frame.at(x, y) == gold565;
    return n;
}

std::string sameRegion(const Picture& a, const Picture& b, int left, int top, int right, int bottom)
{
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (a.at(x, y) != b.at(x, y))
                return "differs at " + std::to_string(x) + ", " + std::to_string(y);
    return "equal";
}
} // namespace

class ScriptTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(data.path().empty());
        const fs::path exe = fs::path(VELMOOR_RUN_DIR) / "Velmoor";
        ASSERT_TRUE(fs::exists(exe)) << exe << " is not built";
        // A copy beside the data, so its log (Velmoor.log beside the executable) is the test's own.
        fs::copy_file(exe, data.path() / "Velmoor");
    }

    // Runs the executable with the script in the data directory; its exit status, or -1.
    int run(const std::string& script, const std::string& environment = "VELMOOR_PLATFORM=headless")
    {
        data.writeFile("script.txt", script);
        const std::string command = "cd '" + data.path().string() + "' && env " + environment +
                                    " VELMOOR_SCRIPT=script.txt ./Velmoor >output.txt 2>&1";
        const int status = std::system(command.c_str());
        if (status == -1 || !WIFEXITED(status))
            return -1;
        return WEXITSTATUS(status);
    }

    Picture dumped(const std::string& name)
    {
        auto p = readPicture((data.path() / name).string());
        EXPECT_TRUE(p) << name << " was not dumped; output: " << data.fileBytes("output.txt");
        if (!p || p->width != 800 || p->height != 600)
            return Picture{800, 600, std::vector<uint16_t>(800 * 600, 0)};
        return *p;
    }

    Picture generated(const std::string& path)
    {
        auto p = readPicture((data.path() / path).string());
        EXPECT_TRUE(p) << path;
        return p.value_or(Picture{});
    }

    DataDir data;
};

TEST_F(ScriptTest, FirstStartShowsTheMenuAndQWritesTheScoresFile)
{
    ASSERT_EQ(run("wait 3\ndump first.bmp\nkeydown Q\nwait 10\n"), 0) << data.fileBytes("output.txt");
    const Picture first = dumped("first.bmp");
    EXPECT_EQ(badgeArea(first, generated("Data/Menu/Menu.bmp")), "equal");
    EXPECT_GT(goldPixels(first), 60) << "no gold score line in the top-right corner";
    EXPECT_EQ(data.fileBytes("Data/scores.dat"), scoresFileBytes(0));
    EXPECT_NE(data.fileBytes("Velmoor.log").find("'Data/scores.dat' open failed"), std::string::npos);
}

TEST_F(ScriptTest, SecondStartShowsTheKeptScoreAndTheStoredRank)
{
    data.writeFile("Data/scores.dat", std::string("\x39\x00\x00\x00", 4)); // 57, headerless
    ASSERT_EQ(run("wait 3\ndump run1.bmp\nkeydown Q\nwait 10\n"), 0);
    EXPECT_EQ(data.fileBytes("Data/scores.dat"), scoresFileBytes(57));

    data.writeFile("Data/results.dat", "2\r\n");
    ASSERT_EQ(run("wait 3\ndump run2.bmp\nkeydown Q\nwait 10\n"), 0);
    const Picture run1 = dumped("run1.bmp");
    const Picture run2 = dumped("run2.bmp");
    EXPECT_EQ(sameRegion(run1, run2, 600, 20, 800, 75), "equal") << "the score line changed between the runs";
    EXPECT_GT(goldPixels(run2), 60);
    const Picture badge = generated("Data/Menu/profy.bmp");
    Picture shown{badge.width, badge.height, {}};
    for (int y = 0; y < badge.height; ++y)
        for (int x = 0; x < badge.width; ++x)
            shown.pixels.push_back(run2.at(414 + x, 97 + y));
    EXPECT_EQ(shown.pixels, badge.pixels) << "the rank-2 badge is not at (414, 97)";
    EXPECT_EQ(data.fileBytes("Data/scores.dat"), scoresFileBytes(57));
}

TEST_F(ScriptTest, RankSevenShowsNoBadge)
{
    data.writeFile("Data/results.dat", "7\r\n");
    ASSERT_EQ(run("wait 3\ndump menu.bmp\nkeydown Q\nwait 10\n"), 0);
    EXPECT_EQ(badgeArea(dumped("menu.bmp"), generated("Data/Menu/Menu.bmp")), "equal");
}

TEST_F(ScriptTest, MusicToggleAndAuthorsRoundTrip)
{
    const std::string script = "wait 2\n"
                               "click 300 380\n"    // music off
                               "dump silent.bmp\n"
                               "click 300 380\n"    // music on again
                               "move 300 440\nwait 2\n"
                               "click 300 440\n"    // authors: 51 + 64 fade frames, then the screen
                               "wait 120\n"
                               "dump authors.bmp\n"
                               "keydown Q\nkeydown F1\nwait 5\nkeyup Q\nkeyup F1\n"
                               "move 400 300\nwait 2\n"
                               "dump authors2.bmp\n"
                               "click 300 380\n"    // closes the screen, over the music button
                               "wait 130\n"
                               "dump back.bmp\n"
                               "keydown Q\nwait 10\n";
    ASSERT_EQ(run(script), 0) << data.fileBytes("output.txt");
    const Picture menu = generated("Data/Menu/Menu.bmp");
    const Picture tick = generated("Data/Menu/galka.bmp");
    const Picture silent = dumped("silent.bmp");
    EXPECT_EQ(sameRegion(silent, menu, 472, 339, 472 + tick.width, 339 + tick.height), "equal")
        << "the tick is still shown with the music off";
    const Picture authors = generated("Data/Menu/authors().bmp");
    EXPECT_EQ(dumped("authors.bmp").pixels, authors.pixels);
    EXPECT_EQ(dumped("authors2.bmp").pixels, authors.pixels) << "keys or the mouse changed the authors screen";
    const Picture back = dumped("back.bmp");
    Picture tickShown{tick.width, tick.height, {}};
    for (int y = 0; y < tick.height; ++y)
        for (int x = 0; x < tick.width; ++x)
            tickShown.pixels.push_back(back.at(472 + x, 339 + y));
    EXPECT_EQ(tickShown.pixels, tick.pixels) << "the closing click toggled the music";
    EXPECT_EQ(data.fileBytes("Data/scores.dat"), scoresFileBytes(0));
}

TEST_F(ScriptTest, UnwritableScoresFileEndsNormally)
{
    fs::create_directory(data.path() / "Data/scores.dat");
    ASSERT_EQ(run("wait 3\nkeydown Q\nwait 10\n"), 0) << data.fileBytes("output.txt");
    EXPECT_NE(data.fileBytes("Velmoor.log").find("The best score could not be saved in Data/scores.dat"),
              std::string::npos)
        << data.fileBytes("Velmoor.log");
}

TEST_F(ScriptTest, NoDisplayGivesAClearMessageAndAFailureStatus)
{
    const int status = run("", "-u DISPLAY -u WAYLAND_DISPLAY VELMOOR_PLATFORM=sdl SDL_VIDEODRIVER=x11 "
                               "ASAN_OPTIONS=detect_leaks=0");
    EXPECT_EQ(status, 1);
    const std::string output = data.fileBytes("output.txt");
    EXPECT_NE(output.find("Velmoor: cannot open the game window: "), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(data.path() / "Data/scores.dat"));
}
