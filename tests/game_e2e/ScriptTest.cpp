// The built executable driven through VELMOOR_SCRIPT on the headless backend: the scenarios
// seen only through dumped frames, written files, the log and the exit status.
#include "GameTest.h"
#include "tests/game/BoardModel.h"
#include "tests/support/seeded_rng.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <thread>

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

// A 6x6 board from the menu, toured from the corner to the won screen, and the won screen left
// for the menu: the best score is then 36 and the rank 1.
std::string wonTourScript(const std::string& dumpWon = "")
{
    std::ostringstream script;
    script << "click 300 200 # the 6x6 button\n"
           << "wait 120 # the menu fades out, the board starts\n";
    for (const Square s : knightsTour(6, Square{0, 0})) {
        const ScreenPoint c = Layout6x6.centre(s);
        script << "click " << c.x << ' ' << c.y << "\nwait 1\n";
    }
    if (!dumpWon.empty())
        script << "dump " << dumpWon << "\n";
    script << "click 400 300\n"
           << "wait 130 # the board fades out, the menu fades in\n";
    return script.str();
}

// Polls the condition until it holds (true) or a minute has passed (false).
bool eventually(const std::function<bool()>& condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
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
                                    " VELMOOR_SCRIPT=script.txt " VELMOOR_EMULATOR "./Velmoor >output.txt 2>&1";
        const int status = std::system(command.c_str());
        return status == -1 || !WIFEXITED(status) ? -1 : WEXITSTATUS(status);
    }

    // Starts the command in the data directory without waiting for it, as the game's own process
    // (the shell execs it) with the end signals at their defaults; its id, or -1.
    pid_t start(const std::string& command)
    {
        const std::string line = "cd '" + data.path().string() + "' && exec " + command + " >output.txt 2>&1";
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int signal : {SIGHUP, SIGINT, SIGTERM})
            sigaddset(&defaults, signal);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
        const char* argv[] = {"sh", "-c", line.c_str(), nullptr};
        pid_t pid = -1;
        if (posix_spawn(&pid, "/bin/sh", nullptr, &attributes, const_cast<char**>(argv), environ) != 0)
            pid = -1;
        posix_spawnattr_destroy(&attributes);
        return pid;
    }

    // The exit status of the started process, or -1 when it was killed by a signal or had to be
    // killed after a minute.
    static int exitStatus(pid_t pid)
    {
        int status = 0;
        if (!eventually([&] { return ::waitpid(pid, &status, WNOHANG) == pid; })) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The command prefix that runs the game as a user whom the mode bits bind: none for such a
    // user, setpriv to nobody for the superuser (nullopt without setpriv).
    static std::optional<std::string> asPlainUser()
    {
        if (geteuid() != 0)
            return "";
        if (std::system("command -v setpriv >/dev/null 2>&1") != 0)
            return std::nullopt;
        return "setpriv --reuid=65534 --regid=65534 --clear-groups ";
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
    const std::string script = "wait 3\ndump first.bmp\n" + wonTourScript("won.bmp") + "move 700 550\ndump menu.bmp\nkey Q\n";
    ASSERT_EQ(run(script), 0) << data.fileBytes("output.txt");
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
    const std::optional<std::string> asUser = asPlainUser();
    if (!asUser)
        GTEST_SKIP() << "running as the superuser without setpriv";
    // The log falls back to TMPDIR when the game's own folder is not writable for that user.
    fs::create_directory(data.path() / "tmp");
    using fs::perms;
    fs::permissions(data.path() / "tmp", perms::all);
    fs::permissions(data.path(), perms::owner_all | perms::group_read | perms::group_exec |
                                     perms::others_read | perms::others_exec);
    fs::permissions(data.path() / "Data", perms::owner_write | perms::group_write | perms::others_write,
                    fs::perm_options::remove);
    data.writeFile("script.txt", "wait 3\nkeydown Q\nwait 10\n");
    const std::string command = "cd '" + data.path().string() + "' && " + *asUser +
                                "env VELMOOR_PLATFORM=headless VELMOOR_SCRIPT=script.txt TMPDIR='" +
                                (data.path() / "tmp").string() + "' " VELMOOR_EMULATOR "./Velmoor >output.txt 2>&1";
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
                                (data.path() / "script.txt").string() + "' " VELMOOR_EMULATOR "../Velmoor >../output.txt 2>&1";
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

TEST_F(ScriptTest, ScoreAndRankFilesThatCannotBeReadAreLeftAsTheyAreAndTheGamePlaysWithout)
{
    const std::optional<std::string> asUser = asPlainUser();
    if (!asUser)
        GTEST_SKIP() << "running as the superuser without setpriv";
    // Files of another user that this one may not read, in folders this one may write (as after
    // a run of the game with sudo): replacing them would lose the score and the rank for good.
    data.writeFile("Data/scores.dat", scoresFileBytes(57));
    data.writeFile("Data/results.dat", "2\r\n");
    const auto ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
    const auto unreadable = geteuid() == 0 ? ownerOnly : fs::perms::none;
    for (const char* file : {"Data/scores.dat", "Data/results.dat"})
        fs::permissions(data.path() / file, unreadable);
    for (const fs::path& folder : {data.path(), data.path() / "Data"})
        fs::permissions(folder, fs::perms::all);
    data.writeFile("script.txt", "wait 3\n" + wonTourScript() + "key Q\n");
    const std::string command = "cd '" + data.path().string() + "' && " + *asUser +
                                "env VELMOOR_PLATFORM=headless VELMOOR_SCRIPT=script.txt " VELMOOR_EMULATOR "./Velmoor >output.txt 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(status != -1 && WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << data.fileBytes("output.txt");
    for (const char* file : {"Data/scores.dat", "Data/results.dat"}) {
        struct stat st {};
        ASSERT_EQ(::stat((data.path() / file).c_str(), &st), 0) << file;
        EXPECT_EQ(st.st_uid, geteuid()) << file << " keeps its owner";
        EXPECT_EQ(static_cast<fs::perms>(st.st_mode & 07777), unreadable) << file << " keeps its mode";
        fs::permissions(data.path() / file, ownerOnly);
    }
    EXPECT_EQ(data.fileBytes("Data/scores.dat"), scoresFileBytes(57));
    EXPECT_EQ(data.fileBytes("Data/results.dat"), "2\r\n");
    const std::string log = data.fileBytes("Velmoor.log");
    for (const char* line : {"[velmoor] warning: The best score in Data/scores.dat cannot be read (Permission denied); "
                             "it counts as 0 and the file is left as it is",
                             "[velmoor] warning: Data/results.dat was not loaded: Permission denied",
                             "[velmoor] error: The rank could not be saved in Data/results.dat: the file could not be "
                             "read at start-up (Permission denied), so it is left as it is"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    // The won board's score is lost, and the player is told so.
    EXPECT_NE(data.fileBytes("output.txt").find("Velmoor: The best score could not be saved in Data/scores.dat: the "
                                                "file could not be read at start-up (Permission denied)"),
              std::string::npos)
        << data.fileBytes("output.txt");
}

TEST_F(ScriptTest, AWorkingFolderWhoseDataIsNotTheGamesGivesWayToTheDataBesideTheExecutable)
{
    // As a desktop launcher may start it: in a folder that has a Data/ of its own, empty or
    // holding something else.
    for (const char* stray : {"empty", "unrelated"}) {
        const fs::path here = data.path() / stray;
        fs::create_directories(here / "Data/Menu");
        if (std::string(stray) == "unrelated") {
            fs::create_directories(here / "Data/Sounds");
            std::ofstream(here / "Data/notes.txt") << "another program's data\n";
        }
        fs::remove(data.path() / "Data/scores.dat");
        data.writeFile("script.txt", "wait 3\ndump " + (here / "menu.bmp").string() + "\nkeydown Q\nwait 10\n");
        const std::string command = "cd '" + here.string() + "' && env VELMOOR_PLATFORM=headless VELMOOR_SCRIPT='" +
                                    (data.path() / "script.txt").string() + "' " VELMOOR_EMULATOR "../Velmoor >../output.txt 2>&1";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(status != -1 && WIFEXITED(status)) << stray;
        EXPECT_EQ(WEXITSTATUS(status), 0) << stray << ": " << data.fileBytes("output.txt");
        EXPECT_EQ(data.fileBytes("output.txt"), "") << stray;
        EXPECT_EQ(region(read(std::string(stray) + "/menu.bmp"), crop(read("Data/Menu/Menu.bmp"), 100, 80, 520, 100), 100, 80),
                  "equal")
            << stray << ": the menu is shown";
        EXPECT_EQ(data.fileBytes("Data/scores.dat"), scoresFileBytes(0)) << stray;
        EXPECT_FALSE(fs::exists(here / "Data/scores.dat")) << stray << ": nothing is written into the stray folder";
    }
}

TEST_F(ScriptTest, HangupInterruptAndTerminateEndTheGameAsClosingItsWindowDoesAndSaveTheBestScore)
{
    // A won board makes 36 the best score; the game then waits in the menu for the signal.
    data.writeFile("script.txt", "wait 3\n" + wonTourScript() + "dump menu.bmp\nwait 1000000\n");
    for (const int signal : {SIGHUP, SIGINT, SIGTERM}) {
        const std::string name = sigabbrev_np(signal);
        fs::remove(data.path() / "Data/scores.dat");
        fs::remove(data.path() / "menu.bmp");
        const pid_t game = start("env VELMOOR_PLATFORM=headless VELMOOR_SCRIPT=script.txt " VELMOOR_EMULATOR "./Velmoor");
        ASSERT_GT(game, 0);
        ASSERT_TRUE(eventually([&] { return fs::exists(data.path() / "menu.bmp"); })) << data.fileBytes("output.txt");
        ASSERT_EQ(::kill(game, signal), 0);
        EXPECT_EQ(exitStatus(game), 0) << name << ": " << data.fileBytes("output.txt");
        EXPECT_EQ(data.fileBytes("Data/scores.dat"), scoresFileBytes(36)) << name;
        EXPECT_EQ(data.fileBytes("output.txt"), "") << name;
    }
}

TEST_F(ScriptTest, MusicFilesThatCannotBePlayedAreNamedInTheLogWithTheReason)
{
    const std::string good = data.fileBytes("Data/Sounds/music.mid");
    ASSERT_GT(good.size(), 100u);
    ASSERT_EQ(good.compare(14, 4, "MTrk"), 0) << "the generated file begins with a track";
    std::string noise(2000, '\0');
    SeededRng{8}.fill(noise);
    std::string huge = good;
    huge.replace(18, 4, "\xFF\xFF\xFF\xF0");
    const struct {
        std::string bytes;
        std::string why;
    } cases[] = {
        {"", "the file is empty"},
        {noise, "no Standard MIDI File (it does not begin with MThd)"},
        {good.substr(0, good.size() / 2), " bytes where "},
        {huge, "claims 4294967280 bytes where "},
    };
    for (const auto& c : cases) {
        data.writeFile("Data/Sounds/music.mid", c.bytes);
        ASSERT_EQ(run("wait 3\nkeydown Q\nwait 10\n"), 0) << data.fileBytes("output.txt");
        const std::string log = data.fileBytes("Velmoor.log");
        const std::string line = "[velmoor] warning: Data/Sounds/music.mid was not loaded: ";
        const std::size_t at = log.find(line);
        ASSERT_NE(at, std::string::npos) << c.why << "\n" << log;
        EXPECT_NE(log.substr(at, log.find('\n', at) - at).find(c.why), std::string::npos) << log.substr(at);
        EXPECT_EQ(data.fileBytes("output.txt"), "");
    }
}

TEST_F(ScriptTest, OnSdlAnUnusableSoundfontIsLoggedWithTheSynthesisersOwnWordsAndNothingOnStderr)
{
    // The right signature and a chunk size far beyond the file: the synthesiser itself refuses it.
    std::string font = std::string("RIFF\xF0\xFF\xFF\x0F", 8) + "sfbkLIST" + std::string("\x00\xFF\xFF\x0F", 4) + "INFO";
    font.resize(64, '\0');
    data.writeFile("broken.sf2", font);
    const std::string soundfont = (data.path() / "broken.sf2").string();
    // The dummy drivers: an SDL window, display and audio device with nothing to show or hear.
    const pid_t game = start("env VELMOOR_PLATFORM=sdl SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy VELMOOR_SOUNDFONT='" +
                             soundfont + "' " VELMOOR_EMULATOR "./Velmoor");
    ASSERT_GT(game, 0);
    const std::string named = "[velmoor.music] error: The soundfont " + soundfont + " cannot be used (";
    const bool logged = eventually([&] { return data.fileBytes("Velmoor.log").find(named) != std::string::npos; });
    ::kill(game, SIGTERM);
    EXPECT_EQ(exitStatus(game), 0) << data.fileBytes("output.txt");
    EXPECT_TRUE(logged) << data.fileBytes("Velmoor.log");
    EXPECT_NE(data.fileBytes("Velmoor.log").find("[velmoor.music] error: fluidsynth: "), std::string::npos)
        << data.fileBytes("Velmoor.log");
    EXPECT_EQ(data.fileBytes("output.txt").find("fluidsynth"), std::string::npos) << data.fileBytes("output.txt");
    EXPECT_EQ(data.fileBytes("Data/scores.dat"), scoresFileBytes(0)) << "the terminate signal saved the score";
}
