// The screenshot keys end to end: F5 and F9 write screen_N.bmp holding the frame as presented; a
// shot that fails is logged, or told on stderr where the log cannot be written.
#include "BoardTest.h"

#include "game/GameState.h"
#include "platform/display.h"
#include "sprite/ctyRuntime.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using Frame = plat::headless::PresentedFrame;

// The 54-byte header of an 800 x 600 24-bit file.
std::string shotHeader()
{
    std::string h(54, '\0');
    const auto put32 = [&h](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i) h[static_cast<std::size_t>(at + i)] = static_cast<char>(v >> (8 * i));
    };
    h[0] = 'B', h[1] = 'M';
    put32(2, 1'440'054), put32(10, 54), put32(14, 40), put32(18, 800), put32(22, 600);
    h[26] = 1, h[28] = 24;
    put32(34, 1'440'000);
    return h;
}

// The file against the frame, each 5-6-5 pixel widened by shifts: "equal" or the first
// difference. Pixels in `skip` are left out; differInSkip counts those that differ.
std::string compareShot(const std::string& file, const Frame& frame, std::optional<Area> skip = {}, int* differInSkip = nullptr)
{
    if (file.size() != 1'440'054) return "the file has " + std::to_string(file.size()) + " bytes";
    if (file.compare(0, 54, shotHeader()) != 0) return "the header differs";
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            const uint32_t v = frame.pixel(x, y);
            const char* p = file.data() + 54 + (599 - y) * 2400 + 3 * x;
            const bool same = static_cast<uint8_t>(p[0]) == ((v & 31) << 3) && static_cast<uint8_t>(p[1]) == (((v >> 5) & 63) << 2) &&
                              static_cast<uint8_t>(p[2]) == ((v >> 11) << 3);
            if (skip && skip->contains(x, y)) {
                if (differInSkip != nullptr) *differInSkip += !same;
            } else if (!same) {
                return "first difference at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
            }
        }
    return "equal";
}

} // namespace

class ScreenshotTest : public BoardTest {
protected:
    // In a scenario's own process: from here on stderr goes to a file that stderrText() reads back.
    void keepStderr()
    {
        stderrFile_ = ::open((dir() / "stderr.txt").c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ASSERT_GE(stderrFile_, 0);
        ASSERT_EQ(::dup2(stderrFile_, STDERR_FILENO), STDERR_FILENO);
    }
    // In a scenario's own process: the superuser, whom mode bits do not bind, becomes nobody.
    static void asPlainUser()
    {
        if (::geteuid() == 0) {
            constexpr uid_t nobody = 65534;
            ASSERT_EQ(::setgroups(0, nullptr), 0);
            ASSERT_EQ(::setresgid(nobody, nobody, nobody), 0);
            ASSERT_EQ(::setresuid(nobody, nobody, nobody), 0);
        }
    }
    [[nodiscard]] std::string stderrText() const
    {
        std::string text(1 << 16, '\0');
        const ssize_t n = ::pread(stderrFile_, text.data(), text.size(), 0);
        text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return text;
    }

    int stderrFile_ = -1;

    // stderr where the log's warnings and errors go there, the run folder taking no file: the
    // failed shot as the log's warning, and a failed save told by the game itself, once, not again
    // as the log's error.
    static void expectShotAndSaveToldOnce(const std::string& text)
    {
        EXPECT_NE(text.find("\n[velmoor] warning: The screenshot screen_0.bmp could not be saved: Permission denied\n"),
                  std::string::npos)
            << text;
        const std::string save = "The best score could not be saved in Data/scores.dat";
        EXPECT_NE(text.find("\nVelmoor: " + save), std::string::npos) << text;
        EXPECT_EQ(text.find(save, text.find(save) + 1), std::string::npos) << "said twice: " << text;
    }

    // Holds F5 over a few frames where no shot can be saved: none appears.
    void shootInVain()
    {
        holdKey("F5");
        ASSERT_TRUE(game->advance(4));
        releaseKey("F5");
        EXPECT_FALSE(exists("screen_0.bmp"));
    }

    [[nodiscard]] bool exists(const std::string& name) const { return fs::exists(dir() / name); }
    // Taps the key and waits for the frame presented right after the file appeared.
    [[nodiscard]] bool shoot(const char* name, const std::string& file)
    {
        holdKey(name);
        const bool saved = game->waitUntil([&](const auto&) { return exists(file); }, 10);
        releaseKey(name);
        return saved;
    }
};

TEST_F(ScreenshotTest, F5InTheMenuWritesTheWidenedFrameWithItsCursorOnceWhileHeldAndOnceWithF9)
{
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    ASSERT_NO_FATAL_FAILURE(moveTo(700, 550));
    holdKey("F5");
    ASSERT_TRUE(game->waitUntil([&](const auto&) { return exists("screen_0.bmp"); }, 10));
    EXPECT_EQ(compareShot(fileBytes("screen_0.bmp"), game->frame()), "equal");
    EXPECT_EQ(comparePicture(game->frame(), picture("Data/cursor.bmp"), 700, 550, true), "equal") << "the shot holds the cursor";
    ASSERT_TRUE(game->advance(5));
    EXPECT_FALSE(exists("screen_1.bmp")) << "a held key saves once";
    releaseKey("F5");
    ASSERT_TRUE(game->advance(2));
    holdKey("F9");
    holdKey("F5");
    ASSERT_TRUE(game->waitUntil([&](const auto&) { return exists("screen_1.bmp"); }, 10));
    ASSERT_TRUE(game->advance(3));
    EXPECT_FALSE(exists("screen_2.bmp")) << "F5 and F9 together save once";
    releaseKey("F5");
    releaseKey("F9");
    EXPECT_EQ(quitWithQ(), 0);
}

TEST_F(ScreenshotTest, TheFirstFreeNumberIsTaken)
{
    writeFile("screen_0.bmp", "x");
    writeFile("screen_1.bmp", "x");
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    ASSERT_TRUE(shoot("F9", "screen_2.bmp"));
    fs::remove(dir() / "screen_0.bmp");
    fs::remove(dir() / "screen_2.bmp");
    ASSERT_TRUE(game->advance(2));
    ASSERT_TRUE(shoot("F5", "screen_0.bmp"));
    EXPECT_FALSE(exists("screen_2.bmp"));
    EXPECT_EQ(quitWithQ(), 0);
}

TEST_F(ScreenshotTest, F5InAFadeSavesTheFadeFrame)
{
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    ASSERT_NO_FATAL_FAILURE(clickAt(300, 200)); // the 6x6 button: the menu fades out
    ASSERT_TRUE(game->advance(4));
    ASSERT_TRUE(shoot("F5", "screen_0.bmp"));
    EXPECT_EQ(compareShot(fileBytes("screen_0.bmp"), game->frame()), "equal");
    EXPECT_NE(shows("Data/Menu/Menu.bmp", 0, 0), "equal") << "a frame of the fade, not the menu";
    EXPECT_NE(game->frame().pixel(400, 100), 0u) << "not yet black";
}

TEST_F(ScreenshotTest, TheLostDialogIsSavedWithoutTheCursor)
{
    ASSERT_NO_FATAL_FAILURE(enterBoard(Layout6x6));
    const std::vector<Square> path = deadEndPath(6, Square{0, 0});
    for (size_t i = 0; i < path.size(); ++i) ASSERT_NO_FATAL_FAILURE(playSquare(path[i]));
    ASSERT_EQ(checkLostDialog(), "ok");
    ASSERT_NO_FATAL_FAILURE(moveTo(150, 150));
    ASSERT_TRUE(shoot("F5", "screen_0.bmp"));
    int differ = 0;
    EXPECT_EQ(compareShot(fileBytes("screen_0.bmp"), game->frame(), cursorArea(), &differ), "equal");
    EXPECT_GT(differ, 20) << "the presented frame has the cursor, the shot not";
}

TEST_F(ScreenshotTest, AFileThatCannotBeCreatedIsSkippedAndTheGameGoesOn)
{
    // A dangling link into a missing folder: nothing can be created there, even by root.
    fs::create_symlink(dir() / "missing" / "shot.bmp", dir() / "screen_0.bmp");
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    holdKey("F5");
    ASSERT_TRUE(game->advance(4));
    releaseKey("F5");
    EXPECT_FALSE(exists("missing"));
    EXPECT_FALSE(exists("screen_1.bmp"));
    ASSERT_NO_FATAL_FAILURE(moveTo(300, 320));
    EXPECT_EQ(quitWithQ(), 0);
}

TEST_F(ScreenshotTest, AnEightBitDisplayIsNotReadAndSavesNothing)
{
    plat::headless::setDisplayFormat(plat::format::Indexed8);
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    ASSERT_NO_FATAL_FAILURE(shootInVain());
    EXPECT_EQ(quitWithQ(), 0);
}

TEST_F(ScreenshotTest, AShotWithoutMemoryForItsPixelsIsLoggedAsAnyFailedShot)
{
    inOwnProcess([&] {
        ASSERT_NO_FATAL_FAILURE(startAtMenu());
        // The sprite library's blocks come through its hooks, not operator new: the shot's 1.4 MB
        // are refused there, the game's small blocks granted.
        static ctyAllocHooks kept;
        kept = ctyHooks;
        ctyHooks.alloc = [](std::size_t n) -> void* { return n >= (std::size_t{1} << 20) ? nullptr : kept.alloc(n); };
        ASSERT_NO_FATAL_FAILURE(shootInVain());
        ctyHooks = kept;
        EXPECT_EQ(quitWithQ(), 0);
        EXPECT_NE(logText().find("[velmoor] warning: The screenshot screen_0.bmp could not be saved: out of memory\n"),
                  std::string::npos)
            << logText();
    });
}

TEST_F(ScreenshotTest, WithALogThatCanBeWrittenNowhereTheFailedShotReachesStderrAndTheLogIsNamedOnce)
{
    const TempForAnotherUser temp;
    if (!temp.unreachable().empty())
        GTEST_SKIP() << temp.unreachable();
    inOwnProcess([&] {
        // The run folder, its Data/ and TMPDIR take no new file: the log finds no place, the shot
        // and the best score none either.
        ASSERT_EQ(::setenv("TMPDIR", dir().c_str(), 1), 0);
        ASSERT_NO_FATAL_FAILURE(keepStderr());
        for (const fs::path& folder : {dir() / "Data", dir()})
            fs::permissions(folder, fs::perms(0555));
        ASSERT_NO_FATAL_FAILURE(asPlainUser());
        ASSERT_NO_FATAL_FAILURE(startAtMenu());
        ASSERT_NO_FATAL_FAILURE(shootInVain());
        EXPECT_EQ(quitWithQ(), 0);
        const std::string text = stderrText();
        const std::string log = (dir() / "Velmoor.log").string();
        EXPECT_EQ(text.find("Velmoor: cannot write the log " + log +
                            " (Permission denied), nor anywhere else; its warnings and errors go to stderr\n"),
                  0u)
            << text;
        EXPECT_EQ(text.find(log, text.find(log) + 1), std::string::npos) << "named once: " << text;
        expectShotAndSaveToldOnce(text);
    });
}

TEST_F(ScreenshotTest, ALogFileThatRefusesItsFirstLineIsNotNamedAsWhereTheLogWentAndItsWarningsReachStderr)
{
    const TempForAnotherUser temp;
    if (!temp.unreachable().empty())
        GTEST_SKIP() << temp.unreachable();
    inOwnProcess([&] {
        // The run folder and its Data/ take no new file; TMPDIR takes the log's file but, under a
        // file-size limit of 0 while the game starts, not its first line. stderr is a pipe, which
        // no such limit binds.
        fs::create_directory(dir() / "tmp");
        fs::permissions(dir() / "tmp", fs::perms::all);
        ASSERT_EQ(::setenv("TMPDIR", (dir() / "tmp").c_str(), 1), 0);
        for (const fs::path& folder : {dir() / "Data", dir()})
            fs::permissions(folder, fs::perms(0555));
        int words[2];
        ASSERT_EQ(::pipe2(words, O_CLOEXEC), 0);
        ASSERT_EQ(::dup2(words[1], STDERR_FILENO), STDERR_FILENO);
        ::close(words[1]);
        ASSERT_NO_FATAL_FAILURE(asPlainUser());
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit size{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &size), 0);
        const rlim_t was = size.rlim_cur;
        size.rlim_cur = 0;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &size), 0);
        ASSERT_NO_FATAL_FAILURE(startAtMenu());
        size.rlim_cur = was;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &size), 0);
        ASSERT_NO_FATAL_FAILURE(shootInVain());
        EXPECT_EQ(quitWithQ(), 0);
        ASSERT_EQ(::fcntl(words[0], F_SETFL, O_NONBLOCK), 0);
        std::string text(1 << 16, '\0');
        text.resize(static_cast<std::size_t>(std::max<ssize_t>(::read(words[0], text.data(), text.size()), 0)));
        const std::string tmpLog = (dir() / "tmp" / "Velmoor.log").string();
        EXPECT_EQ(text.find("talvo: the log file '" + tmpLog +
                            "' cannot be written (File too large); its warnings and errors go to stderr.\n"
                            "Velmoor: cannot write the log " + (dir() / "Velmoor.log").string() +
                            " (Permission denied), nor anywhere else; its warnings and errors go to stderr\n"),
                  0u)
            << text;
        EXPECT_EQ(text.find("instead"), std::string::npos) << text;
        EXPECT_EQ(fileBytes("tmp/Velmoor.log"), "");
        expectShotAndSaveToldOnce(text);
    });
}

TEST_F(ScreenshotTest, ALogFileThatCannotBeWrittenIsNamedOnceWithWhereTheLogWentInstead)
{
    const TempForAnotherUser temp;
    if (!temp.unreachable().empty())
        GTEST_SKIP() << temp.unreachable();
    inOwnProcess([&] {
        // Another user's read-only log, as after a run of the game with sudo, in a folder anyone may
        // write: the log takes the next free name there.
        writeFile("Velmoor.log", "another run's log\n");
        fs::permissions(dir() / "Velmoor.log", fs::perms(0444));
        for (const fs::path& folder : {dir() / "Data", dir()})
            fs::permissions(folder, fs::perms::all);
        ASSERT_NO_FATAL_FAILURE(keepStderr());
        ASSERT_NO_FATAL_FAILURE(asPlainUser());
        ASSERT_NO_FATAL_FAILURE(startAtMenu());
        EXPECT_EQ(quitWithQ(), 0);
        EXPECT_EQ(stderrText(), "Velmoor: cannot write the log " + (dir() / "Velmoor.log").string() +
                                    " (Permission denied); it is " + (dir() / "Velmoor_1.log").string() + " instead\n");
        EXPECT_EQ(fileBytes("Velmoor.log"), "another run's log\n");
    });
}

TEST_F(ScreenshotTest, ALinkInTheLogsPlaceIsNotFollowedAndIsNamedWithWhereTheLogWent)
{
    inOwnProcess([&] {
        fs::create_symlink(dir() / "target.txt", dir() / "Velmoor.log");
        ASSERT_NO_FATAL_FAILURE(keepStderr());
        ASSERT_NO_FATAL_FAILURE(startAtMenu());
        EXPECT_EQ(quitWithQ(), 0);
        EXPECT_EQ(stderrText(), "Velmoor: cannot write the log " + (dir() / "Velmoor.log").string() +
                                    " (Too many levels of symbolic links); it is " + (dir() / "Velmoor_1.log").string() +
                                    " instead\n");
        EXPECT_FALSE(exists("target.txt")) << "nothing is made through the link";
    });
}

TEST_F(ScreenshotTest, AnotherUsersLogInAFolderOthersCanWriteIsLeftAsItIsEvenByRoot)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can make another user's file";
    inOwnProcess([&] {
        writeFile("Velmoor.log", "daemon's log\n");
        fs::permissions(dir() / "Velmoor.log", fs::perms(0666));
        ASSERT_EQ(::chown((dir() / "Velmoor.log").c_str(), 1, 1), 0);
        fs::permissions(dir(), fs::perms(01777));
        ASSERT_NO_FATAL_FAILURE(keepStderr());
        ASSERT_NO_FATAL_FAILURE(startAtMenu());
        EXPECT_EQ(quitWithQ(), 0);
        EXPECT_EQ(stderrText(), "Velmoor: cannot write the log " + (dir() / "Velmoor.log").string() +
                                    " (another user's file in a folder others can write); it is " +
                                    (dir() / "Velmoor_1.log").string() + " instead\n");
        EXPECT_EQ(fileBytes("Velmoor.log"), "daemon's log\n");
    });
}
