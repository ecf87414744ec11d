// The built executable driven through VELMOOR_SCRIPT on the headless backend: the scenarios
// seen only through dumped frames, written files, the log and the exit status.
#include "GameTest.h"
#include "tests/game/BoardModel.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace {
// Pixels of the exact text colour in the score corner.
int goldPixels(const Picture& frame)
{
    int n = 0;
    for (int y = 20; y < 75; ++y)
        for (int x = 600; x < 800; ++x)
            n += frame.at(x, y) == rgb565(255, 203, 0);
    return n;
}

// The expected picture at (x, y) of a dumped frame: "equal" or where it differs.
std::string region(const Picture& shot, const Picture& expected, int x, int y)
{
    return comparePicture(frameOf(shot), expected, x, y);
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
        return status == -1 || !WIFEXITED(status) ? -1 : WEXITSTATUS(status);
    }

    // A dumped frame (800 x 600) or a generated picture, by path in the data directory.
    Picture read(const std::string& path)
    {
        auto p = readPicture((data.path() / path).string());
        EXPECT_TRUE(p) << path << " cannot be read; output: " << data.fileBytes("output.txt");
        return p.value_or(Picture{800, 600, std::vector<uint16_t>(800 * 600, 0)});
    }

    DataDir data;
};

TEST_F(ScriptTest, FirstStartThenA6x6TourWonScreenAndQ)
{
    std::ostringstream script;
    script << "wait 3\ndump first.bmp\n"
           << "click 300 200 # the 6x6 button\n"
           << "wait 120 # the menu fades out, the board starts\n";
    for (const Square s : knightsTour(6, Square{0, 0})) {
        const ScreenPoint c = Layout6x6.centre(s);
        script << "click " << c.x << ' ' << c.y << "\nwait 1\n";
    }
    script << "dump won.bmp\nclick 400 300\n"
           << "wait 130 # the board fades out, the menu fades in\n"
           << "move 700 550\ndump menu.bmp\nkey Q\n";
    ASSERT_EQ(run(script.str()), 0) << data.fileBytes("output.txt");
    EXPECT_EQ(data.fileBytes("output.txt"), "") << "the script ran without complaint";

    const Picture first = read("first.bmp");
    EXPECT_EQ(region(first, crop(read("Data/Menu/Menu.bmp"), 100, 80, 520, 100), 100, 80), "equal") << "a badge";
    EXPECT_GT(goldPixels(first), 60) << "no gold score line in the top-right corner";
    EXPECT_NE(data.fileBytes("Velmoor.log").find("'Data/scores.dat' open failed"), std::string::npos);
    EXPECT_EQ(region(read("won.bmp"), read("Data/Congratulaions.bmp"), 0, 0), "equal") << "no cursor on it";
    EXPECT_EQ(region(read("menu.bmp"), read("Data/Menu/man.bmp"), 420, 97), "equal") << "the rank-1 badge";
    EXPECT_EQ(data.fileBytes("Data/results.dat"), "1\r\n");
    EXPECT_EQ(data.fileBytes("Data/scores.dat"), scoresFileBytes(36));
}

TEST_F(ScriptTest, SecondStartShowsTheKeptScoreAndOnlyAValidRanksBadge)
{
    data.writeFile("Data/scores.dat", std::string("\x39\x00\x00\x00", 4)); // 57, headerless
    data.writeFile("Data/results.dat", "7\r\n");
    ASSERT_EQ(run("wait 3\ndump run1.bmp\nkeydown Q\nwait 10\n"), 0) << data.fileBytes("output.txt");
    EXPECT_EQ(data.fileBytes("Data/scores.dat"), scoresFileBytes(57));
    const Picture run1 = read("run1.bmp");
    EXPECT_EQ(region(run1, crop(read("Data/Menu/Menu.bmp"), 100, 80, 520, 100), 100, 80), "equal") << "rank 7";

    data.writeFile("Data/results.dat", "2\r\n");
    ASSERT_EQ(run("wait 3\ndump run2.bmp\nkeydown Q\nwait 10\n"), 0) << data.fileBytes("output.txt");
    const Picture run2 = read("run2.bmp");
    EXPECT_EQ(region(run2, crop(run1, 600, 20, 200, 55), 600, 20), "equal") << "the score line changed";
    EXPECT_GT(goldPixels(run2), 60);
    EXPECT_EQ(region(run2, read("Data/Menu/profy.bmp"), 414, 97), "equal") << "the rank-2 badge";
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

TEST_F(ScriptTest, ReadOnlyDataFolderEndsCleanly)
{
    // The superuser writes into read-only folders, so it runs the game as nobody.
    std::string asUser;
    if (geteuid() == 0) {
        if (std::system("command -v setpriv >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "running as the superuser without setpriv";
        asUser = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    }
    // The log falls back to TMPDIR when the game's own folder is not writable for that user.
    fs::create_directory(data.path() / "tmp");
    using fs::perms;
    fs::permissions(data.path() / "tmp", perms::all);
    fs::permissions(data.path(), perms::owner_all | perms::group_read | perms::group_exec |
                                     perms::others_read | perms::others_exec);
    fs::permissions(data.path() / "Data", perms::owner_write | perms::group_write | perms::others_write,
                    fs::perm_options::remove);
    data.writeFile("script.txt", "wait 3\nkeydown Q\nwait 10\n");
    const std::string command = "cd '" + data.path().string() + "' && " + asUser +
                                "env VELMOOR_PLATFORM=headless VELMOOR_SCRIPT=script.txt TMPDIR='" +
                                (data.path() / "tmp").string() + "' ./Velmoor >output.txt 2>&1";
    const int status = std::system(command.c_str());
    fs::permissions(data.path() / "Data", perms::owner_write, fs::perm_options::add);
    ASSERT_TRUE(status != -1 && WIFEXITED(status)) << data.fileBytes("output.txt");
    EXPECT_EQ(WEXITSTATUS(status), 0) << data.fileBytes("output.txt");
    EXPECT_FALSE(fs::exists(data.path() / "Data/scores.dat"));
    const std::string log = fs::exists(data.path() / "Velmoor.log") ? data.fileBytes("Velmoor.log")
                                                                    : data.fileBytes("tmp/Velmoor.log");
    EXPECT_NE(log.find("The best score could not be saved"), std::string::npos) << log;
}

TEST_F(ScriptTest, StartedFromAnotherFolderPlaysOnTheDataBesideIt)
{
    // As a desktop launcher starts it: the working folder holds no data.
    fs::create_directory(data.path() / "elsewhere");
    data.writeFile("script.txt", "wait 3\nkeydown Q\nwait 10\n");
    const std::string command = "cd '" + (data.path() / "elsewhere").string() +
                                "' && env VELMOOR_PLATFORM=headless VELMOOR_SCRIPT='" +
                                (data.path() / "script.txt").string() + "' ../Velmoor >../output.txt 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(status != -1 && WIFEXITED(status)) << data.fileBytes("output.txt");
    EXPECT_EQ(WEXITSTATUS(status), 0) << data.fileBytes("output.txt");
    EXPECT_EQ(data.fileBytes("output.txt"), "");
    EXPECT_EQ(data.fileBytes("Data/scores.dat"), scoresFileBytes(0));
}

TEST_F(ScriptTest, F5InTheMenuSavesTheFrameThatADumpShows)
{
    ASSERT_EQ(run("wait 3\nmove 700 550\nwait 2\nkey F5\ndump frame.bmp\nkey Q\n"), 0) << data.fileBytes("output.txt");
    EXPECT_EQ(data.fileBytes("screen_0.bmp").size(), 1'440'054u);
    EXPECT_FALSE(fs::exists(data.path() / "screen_1.bmp"));
    // Both files narrowed to 5-6-5 by their top bits.
    EXPECT_EQ(region(read("screen_0.bmp"), read("frame.bmp"), 0, 0), "equal");
}
