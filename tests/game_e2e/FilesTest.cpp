// The rank and best-score files end to end: what a start reads from them, what the menu shows,
// what an exit writes, and the failures that must not stop the game.
#include "GameTest.h"

#include "game/BestScoreFile.h"
#include "game/GameState.h"
#include "game/RankFile.h"
#include "game/Resources.h"
#include "tests/support/seeded_rng.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {
struct BadgeSpot {
    const char* path;
    int x, y;
};
constexpr BadgeSpot badgeSpots[] = {
    {"Data/0.bmp", 119, 92},
    {"Data/Menu/man.bmp", 420, 97},
    {"Data/Menu/profy.bmp", 414, 97},
    {"Data/Menu/boss.bmp", 414, 97},
};
const std::string rawScore57("\x39\x00\x00\x00", 4); // an old file: the integer without header

// For the rest of the process: the superuser, who may write and list any folder, is nobody.
void superuserPlaysAsNobody()
{
    if (::geteuid() != 0)
        return;
    constexpr uid_t nobody = 65534;
    ASSERT_EQ(::setgroups(0, nullptr), 0);
    ASSERT_EQ(::setresgid(nobody, nobody, nobody), 0);
    ASSERT_EQ(::setresuid(nobody, nobody, nobody), 0);
}
} // namespace

using FilesTest = GameTest;

TEST_F(FilesTest, SecondStartShowsTheKeptBestScoreAndTheStoredRank)
{
    writeFile("Data/scores.dat", rawScore57);
    writeFile("Data/results.dat", "2\r\n");
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    EXPECT_EQ(gameState.rankLevel, 2);
    EXPECT_EQ(shows(badgeSpots[2].path, badgeSpots[2].x, badgeSpots[2].y), "equal");
    EXPECT_EQ(compareScoreLine("Highscore:57"), "equal");
    EXPECT_EQ(quitWithQ(), 0);
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(57)) << "the game writes its own format back";
}

TEST_F(FilesTest, RankFilesWithoutAValidRankShowNoBadge)
{
    // A missing or empty rank file gives no rank, never the rank-0 badge.
    for (const char* content : std::initializer_list<const char*>{"7\r\n", "", "\r\n", "x", nullptr}) {
        if (content)
            writeFile("Data/results.dat", content);
        else
            std::filesystem::remove(dir() / "Data/results.dat");
        readRankFile();
        EXPECT_FALSE(gameState.rankLevel >= 0 && gameState.rankLevel <= 3) << (content ? content : "no file");
    }
    writeFile("Data/results.dat", "7\r\n");
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    EXPECT_EQ(gameState.rankLevel, 7);
    EXPECT_EQ(shows("Data/Menu/Menu.bmp", 0, 0, Area{100, 80, 620, 180}), "equal");
    EXPECT_EQ(quitWithQ(), 0);
}

TEST_F(FilesTest, StoringARankWritesTheFileAndShowsTheBadgeFromTheNextFrame)
{
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    // The won screen stores the rank and loads its badge while the game runs; the game is stopped
    // at a present here. A lower rank replaces a higher one; one above the top rank is stored as
    // the top rank.
    for (const auto& [stored, kept] : {std::pair{2, 2}, std::pair{1, 1}, std::pair{7, 3}, std::pair{0, 0}}) {
        storeRank(stored);
        loadRankBadge();
        EXPECT_EQ(gameState.rankLevel, kept);
        EXPECT_EQ(fileBytes("Data/results.dat"), std::to_string(kept) + "\r\n");
        ASSERT_TRUE(game->advance(1));
        EXPECT_EQ(shows(badgeSpots[kept].path, badgeSpots[kept].x, badgeSpots[kept].y), "equal") << kept;
    }
    EXPECT_EQ(quitWithQ(), 0);
}

TEST_F(FilesTest, ScoresFilesOfEitherFormReadAndAnythingElseIsZeroWithAWarning)
{
    std::string random25(25, '\0');
    SeededRng{25}.fill(random25);
    const struct {
        std::string bytes;
        int32_t best;
    } cases[] = {
        {rawScore57, 57},                       // headerless: the integer alone
        {scoresFileBytes(1000), 1000},          // the game's own form
        {"abc", 0},                             // too short for the integer
        {scoresFileBytes(1000).substr(0, 24), 0}, // header and a cut integer
        {scoresFileBytes(1000).substr(0, 12), 0}, // cut inside the header: was read as a bare integer
        {scoresFileBytes(1000) + "x", 0},
        {random25, 0},                          // 25 bytes without the header
        {scoresFileBytes(-3), 0},               // negative: was drawn off the screen
        {std::string("\xFF\xFF\xFF\xFF", 4), 0},
        {"", 0},
    };
    int warned = 0;
    for (const auto& [bytes, best] : cases) {
        writeFile("Data/scores.dat", bytes);
        gameState.bestScore = 12345;
        readBestScoreFile();
        EXPECT_EQ(gameState.bestScore, best) << bytes.size() << " bytes";
        warned += best == 0;
    }
    const std::string log = logText();
    std::size_t count = 0;
    for (std::size_t at = 0; (at = log.find("[velmoor] warning: The best score in Data/scores.dat is not used", at)) !=
                             std::string::npos;
         ++at)
        ++count;
    EXPECT_EQ(count, static_cast<std::size_t>(warned)) << log;
}

TEST_F(FilesTest, ANegativeScoreIsRewrittenAtExitAndAnUnchangedOneIsNotTouched)
{
    writeFile("Data/scores.dat", scoresFileBytes(-426817158));
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    EXPECT_EQ(compareScoreLine("Highscore:0"), "equal");
    EXPECT_EQ(quitWithQ(), 0);
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(0));

    // The game's own form holding the same score is left as it is, to the second.
    const auto path = dir() / "Data/scores.dat";
    writeFile("Data/scores.dat", scoresFileBytes(44));
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24);
    std::filesystem::last_write_time(path, old);
    readBestScoreFile();
    EXPECT_TRUE(writeBestScoreFile());
    EXPECT_EQ(std::filesystem::last_write_time(path), old);
    gameState.bestScore = 45;
    EXPECT_TRUE(writeBestScoreFile());
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(45));
}

TEST_F(FilesTest, ASaveKeepsTheHigherOfItsBestScoreAndTheOneAnotherGameWroteSinceItReadTheFile)
{
    // Another game in the same folder saves: its own file renamed over this one's.
    const auto anotherGameSaves = [&](int32_t best) {
        writeFile("other.dat", scoresFileBytes(best));
        std::filesystem::rename(dir() / "other.dat", dir() / "Data/scores.dat");
    };
    // A first start's best of 0 against another's 36, then a higher best of its own.
    readBestScoreFile();
    anotherGameSaves(36);
    EXPECT_TRUE(writeBestScoreFile());
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(36));
    EXPECT_EQ(gameState.bestScore, 36);
    gameState.bestScore = 40;
    anotherGameSaves(38);
    EXPECT_TRUE(writeBestScoreFile());
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(40));
    // The second end signal's save, made ready for 36 before the other game wrote.
    for (const auto& [other, kept] : {std::pair{50, 50}, std::pair{30, 36}}) {
        writeFile("Data/scores.dat", scoresFileBytes(20));
        const int status = raiseThenTwoEndSignals(36, [&] { anotherGameSaves(other); });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP) << other << ": status " << status;
        EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(kept)) << other;
        EXPECT_EQ(fileBytes("stderr.txt"), "") << other;
    }
}

TEST_F(FilesTest, UnwritableScoresFileIsLoggedUnderTheGamesCategoryAndOnStderr)
{
    inOwnProcess([&] {
        // A folder where the file should be: no one can write it, not even the superuser.
        std::filesystem::create_directory(dir() / "Data/scores.dat");
        ASSERT_NO_FATAL_FAILURE(startAtMenu());
        gameState.bestScore = 9;
        ::testing::internal::CaptureStderr();
        const int status = quitWithQ();
        const std::string stderrText = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, 0);
        const std::string line = "The best score could not be saved in Data/scores.dat";
        EXPECT_NE(logText().find("[velmoor] error: " + line), std::string::npos) << logText();
        EXPECT_NE(stderrText.find("Velmoor: " + line), std::string::npos) << stderrText;
    });
}

TEST_F(FilesTest, ReplacedFilesKeepTheirPermissionBitsAndNewOnesTakeTheProcesssDefaults)
{
    using fs = std::filesystem::perms;
    const auto mode = [&](const char* file) {
        return std::filesystem::status(dir() / file).permissions() & fs::mask;
    };
    writeFile("Data/scores.dat", rawScore57); // the old form: rewritten at the first save
    writeFile("Data/results.dat", "2\r\n");
    const struct {
        const char* file;
        fs perms;
    } kept[] = {
        {"Data/scores.dat", fs::owner_read | fs::owner_write | fs::others_read},
        {"Data/results.dat", fs::owner_read | fs::owner_write | fs::group_read},
    };
    for (const auto& k : kept)
        std::filesystem::permissions(dir() / k.file, k.perms);
    readBestScoreFile();
    readRankFile();
    EXPECT_TRUE(writeBestScoreFile());
    storeRank(3);
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(57));
    EXPECT_EQ(fileBytes("Data/results.dat"), "3\r\n");
    for (const auto& k : kept)
        EXPECT_EQ(mode(k.file), k.perms) << k.file;

    // A file made anew: read and write for all, less the process's mask.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    std::filesystem::remove(dir() / "Data/results.dat");
    storeRank(1);
    EXPECT_EQ(mode("Data/results.dat"), static_cast<fs>(0666 & ~mask));
}

TEST_F(FilesTest, ReplacedFilesKeepTheirOwnerAndGroupWhereTheProcessMayGiveThem)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file another owner needs the superuser";
    constexpr uid_t nobody = 65534;
    constexpr gid_t games = 60, shared = 12345, foreign = 23456;
    const auto owner = [&](const char* file) {
        struct stat s {};
        EXPECT_EQ(::stat((dir() / file).c_str(), &s), 0) << file;
        return std::pair{s.st_uid, s.st_gid};
    };
    const auto give = [&](const char* file, uid_t uid, gid_t gid) {
        ASSERT_EQ(::chown((dir() / file).c_str(), uid, gid), 0) << file;
        std::filesystem::permissions(dir() / file, std::filesystem::perms(0664));
    };
    // The superuser gives any owner and group: a nobody:games file with mode 664 stays one.
    writeFile("Data/scores.dat", rawScore57);
    writeFile("Data/results.dat", "2\r\n");
    give("Data/scores.dat", nobody, games);
    give("Data/results.dat", 0, shared);
    readBestScoreFile();
    readRankFile();
    EXPECT_TRUE(writeBestScoreFile());
    storeRank(1);
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(57));
    EXPECT_EQ(owner("Data/scores.dat"), std::pair(nobody, games));
    EXPECT_EQ(owner("Data/results.dat"), std::pair(uid_t{0}, shared));
    EXPECT_EQ(std::filesystem::status(dir() / "Data/scores.dat").permissions(), std::filesystem::perms(0664));

    // A plain user owning the files gives a group it is in, and logs the one it cannot give.
    const TempForAnotherUser temp;
    if (!temp.unreachable().empty())
        GTEST_SKIP() << temp.unreachable();
    inOwnProcess([&] {
        for (const char* folder : {"", "Data"})
            std::filesystem::permissions(dir() / folder, std::filesystem::perms(0777));
        writeFile("Data/scores.dat", rawScore57);
        writeFile("Data/results.dat", "2\r\n");
        give("Data/scores.dat", nobody, foreign);
        give("Data/results.dat", nobody, shared);
        const gid_t groups[] = {shared};
        ASSERT_EQ(::setgroups(1, groups), 0);
        ASSERT_EQ(::setresgid(nobody, nobody, nobody), 0);
        ASSERT_EQ(::setresuid(nobody, nobody, nobody), 0);
        readBestScoreFile();
        readRankFile();
        EXPECT_TRUE(writeBestScoreFile());
        storeRank(1);
        EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(57));
        EXPECT_EQ(fileBytes("Data/results.dat"), "1\r\n");
        EXPECT_EQ(owner("Data/results.dat"), std::pair(nobody, shared));
        EXPECT_EQ(owner("Data/scores.dat"), std::pair(nobody, gid_t{nobody}));
        const std::string log = logText();
        EXPECT_NE(log.find("[velmoor] warning: Data/scores.dat is replaced by a file of owner 65534 and group 65534, "
                           "not 65534 and 23456 as before"),
                  std::string::npos)
            << log;
        EXPECT_EQ(log.find("Data/results.dat"), std::string::npos) << log;
    });
}

TEST_F(FilesTest, LinkedFilesAreWrittenThroughToTheirTargetsAndStayLinks)
{
    // A best score shared from another folder through a relative link (read from the link's own
    // folder, not the working one), and a rank through a chain: an absolute link to a relative one.
    const auto shared = dir() / "shared";
    std::filesystem::create_directory(shared);
    writeFile("shared/scores.dat", rawScore57);
    writeFile("shared/results.dat", "2\r\n");
    std::filesystem::permissions(shared / "results.dat", std::filesystem::perms(0640));
    for (const char* file : {"Data/scores.dat", "Data/results.dat"})
        std::filesystem::remove(dir() / file);
    std::filesystem::create_symlink("../shared/scores.dat", dir() / "Data/scores.dat");
    std::filesystem::create_symlink("results.dat", shared / "rank.link");
    std::filesystem::create_symlink(shared / "rank.link", dir() / "Data/results.dat");
    readBestScoreFile();
    readRankFile();
    EXPECT_EQ(gameState.bestScore, 57);
    EXPECT_EQ(gameState.rankLevel, 2);
    gameState.bestScore = 80;
    EXPECT_TRUE(writeBestScoreFile());
    storeRank(3);
    EXPECT_EQ(fileBytes("shared/scores.dat"), scoresFileBytes(80));
    EXPECT_EQ(fileBytes("shared/results.dat"), "3\r\n");
    EXPECT_EQ(std::filesystem::status(shared / "results.dat").permissions(), std::filesystem::perms(0640));
    for (const char* link : {"Data/scores.dat", "Data/results.dat", "shared/rank.link"})
        EXPECT_TRUE(std::filesystem::is_symlink(dir() / link)) << link;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(shared), std::filesystem::directory_iterator()), 3)
        << "no temporary file is left";
}

TEST_F(FilesTest, ASecondEndSignalWritesNoFileThatStoppedBeingTheGamesSinceTheScoreRose)
{
    // The best score is shared through a link; once a board raised it (its save made ready for a
    // second end signal), someone's text is moved over the link's target, or the target's folder
    // is moved away and a link to a folder holding the text takes its name. Then two end signals:
    // the save that is not made is told as at a normal end.
    namespace fs = std::filesystem;
    const fs::path shared = dir() / "shared", moved = dir() / "moved", other = dir() / "other";
    const std::string text = "someone's notes\n";
    const auto textOverTheFile = [&] {
        writeFile("notes.txt", text);
        fs::rename(dir() / "notes.txt", shared / "scores.dat");
    };
    const auto linkForTheFolder = [&] {
        fs::rename(shared, moved);
        fs::create_directory(other);
        writeFile("other/scores.dat", text);
        fs::create_directory_symlink("other", shared);
    };
    const std::string notSaved = "The best score could not be saved in Data/scores.dat: another file has taken its "
                                 "place since it was checked (it is a link to Data/../shared/scores.dat)\n";
    const struct {
        const char* what;
        std::function<void()> swap;
        std::string told;
    } cases[] = {{"file", textOverTheFile, notSaved}, {"folder", linkForTheFolder, ""}};
    for (const auto& [what, swap, told] : cases) {
        for (const fs::path& made : {shared, moved, other})
            fs::remove_all(made);
        fs::create_directory(shared);
        writeFile("shared/scores.dat", scoresFileBytes(20));
        fs::remove(dir() / "Data/scores.dat");
        fs::create_symlink("../shared/scores.dat", dir() / "Data/scores.dat");
        const int status = raiseThenTwoEndSignals(36, swap);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP) << what << ": status " << status;
        EXPECT_EQ(fileBytes("shared/scores.dat"), text) << what;
        EXPECT_EQ(temporariesBeside(shared / "scores.dat"), std::vector<std::string>{}) << what;
        EXPECT_EQ(fileBytes("stderr.txt"), told.empty() ? "" : "Velmoor: " + told) << what;
        if (!told.empty()) {
            EXPECT_NE(logText().find("[velmoor] error: " + told), std::string::npos) << logText();
        }
    }
    // The game's own file, moved with its folder, is still its own to write.
    EXPECT_EQ(fileBytes("moved/scores.dat"), scoresFileBytes(36));
}

TEST_F(FilesTest, LinksToNothingInALoopOrIntoAFolderThatCannotBeWrittenLeaveEverythingAndAreLogged)
{
    const TempForAnotherUser temp; // the superuser ends the scenario as nobody
    if (!temp.unreachable().empty())
        GTEST_SKIP() << temp.unreachable();
    inOwnProcess([&] {
        const auto shared = dir() / "shared";
        std::filesystem::create_directory(shared);
        for (const char* file : {"Data/scores.dat", "Data/results.dat"})
            std::filesystem::remove(dir() / file);
        // A link to a file that is gone: nothing to read, and nothing may take the link's place.
        std::filesystem::create_symlink("../shared/gone.dat", dir() / "Data/scores.dat");
        readBestScoreFile();
        gameState.bestScore = 31;
        EXPECT_FALSE(writeBestScoreFile());
        // A rank file that becomes a loop of links after it was read.
        readRankFile();
        std::filesystem::create_symlink("results.dat", dir() / "Data/results.dat");
        storeRank(2);
        for (const char* link : {"Data/scores.dat", "Data/results.dat"})
            EXPECT_TRUE(std::filesystem::is_symlink(dir() / link)) << link;
        EXPECT_FALSE(std::filesystem::exists(shared / "gone.dat"));
        // A link to a pipe: neither the link nor the pipe is replaced.
        std::filesystem::remove(dir() / "Data/results.dat");
        ASSERT_EQ(::mkfifo((shared / "pipe").c_str(), 0600), 0);
        std::filesystem::create_symlink("../shared/pipe", dir() / "Data/results.dat");
        storeRank(1);
        EXPECT_TRUE(std::filesystem::is_fifo(shared / "pipe"));
        EXPECT_TRUE(std::filesystem::is_symlink(dir() / "Data/results.dat"));
        std::string log = logText();
        EXPECT_NE(log.find("[velmoor] error: The rank could not be saved in Data/results.dat: it is a link to "
                           "Data/../shared/pipe, which is not a regular file"),
                  std::string::npos)
            << log;
        EXPECT_NE(log.find("[velmoor] error: The best score could not be saved in Data/scores.dat: it is a link to "
                           "Data/../shared/gone.dat, which cannot be reached: No such file or directory"),
                  std::string::npos)
            << log;
        EXPECT_NE(log.find("[velmoor] error: The rank could not be saved in Data/results.dat: its links lead round "
                           "in a loop"),
                  std::string::npos)
            << log;

        // Both files linked into a folder no one may write in: the superuser plays as nobody.
        std::filesystem::remove(dir() / "Data/scores.dat");
        std::filesystem::remove(dir() / "Data/results.dat");
        writeFile("shared/scores.dat", rawScore57);
        writeFile("shared/results.dat", "1\r\n");
        std::filesystem::create_symlink(shared / "scores.dat", dir() / "Data/scores.dat");
        std::filesystem::create_symlink(shared / "results.dat", dir() / "Data/results.dat");
        for (const char* folder : {"", "Data"})
            std::filesystem::permissions(dir() / folder, std::filesystem::perms(0777));
        std::filesystem::permissions(shared, std::filesystem::perms(0555));
        ASSERT_NO_FATAL_FAILURE(superuserPlaysAsNobody());
        readBestScoreFile();
        readRankFile();
        EXPECT_EQ(gameState.bestScore, 57);
        gameState.bestScore = 58;
        EXPECT_FALSE(writeBestScoreFile());
        storeRank(3);
        EXPECT_EQ(fileBytes("shared/scores.dat"), rawScore57);
        EXPECT_EQ(fileBytes("shared/results.dat"), "1\r\n");
        for (const char* link : {"Data/scores.dat", "Data/results.dat"})
            EXPECT_TRUE(std::filesystem::is_symlink(dir() / link)) << link;
        log = logText();
        for (const std::string file : {"scores.dat", "results.dat"})
            EXPECT_NE(log.find("(it is a link to " + (shared / file).string() + ")\n"), std::string::npos) << log;
        EXPECT_NE(log.find("The rank could not be saved in Data/results.dat: the new file cannot be made: "
                           "Permission denied (it is a link to "),
                  std::string::npos)
            << log;
        // Without the superuser the folder is the test's own, and must be removable again.
        std::error_code ignored;
        std::filesystem::permissions(shared, std::filesystem::perms(0755), ignored);
    });
}

TEST_F(FilesTest, FilesLinkedIntoAFolderThatMayBeWrittenButNotListedAreSavedThereButCannotBeSynced)
{
    const TempForAnotherUser temp; // the superuser, who may list any folder, plays as nobody
    if (!temp.unreachable().empty())
        GTEST_SKIP() << temp.unreachable();
    inOwnProcess([&] {
        const auto shared = dir() / "shared";
        std::filesystem::create_directory(shared);
        writeFile("shared/scores.dat", scoresFileBytes(57));
        writeFile("shared/results.dat", "1\r\n");
        for (const char* file : {"scores.dat", "results.dat"}) {
            std::filesystem::remove(dir() / "Data" / file);
            std::filesystem::create_symlink(std::string("../shared/") + file, dir() / "Data" / file);
        }
        for (const char* folder : {"", "Data"})
            std::filesystem::permissions(dir() / folder, std::filesystem::perms(0777));
        std::filesystem::permissions(shared, std::filesystem::perms(0333));
        // Into a file of the run folder: nobody could not read the test's own capture back.
        const int testsStderr = ::dup(STDERR_FILENO);
        const int errorFile = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_TRUE(testsStderr >= 0 && errorFile >= 0 && ::dup2(errorFile, STDERR_FILENO) == STDERR_FILENO);
        ::close(errorFile);
        ASSERT_NO_FATAL_FAILURE(superuserPlaysAsNobody());
        readBestScoreFile();
        readRankFile();
        // Twice each: the second save goes through the link to the file the first one made.
        std::string told;
        for (const int32_t best : {58, 59}) {
            gameState.bestScore = best;
            EXPECT_TRUE(writeBestScoreFile());
            storeRank(best - 56);
            for (const auto& [what, name] :
                 {std::pair{"The best score", "scores.dat"}, std::pair{"The rank", "results.dat"}})
                told += std::string("Velmoor: ") + what + " was saved in Data/" + name +
                        ", but it may not outlast a power cut: the folder cannot be opened to be synced: Permission "
                        "denied (it is a link to Data/../shared/" + name + ")\n";
        }
        ::dup2(testsStderr, STDERR_FILENO);
        ::close(testsStderr);
        EXPECT_EQ(fileBytes("stderr.txt"), told);
        EXPECT_EQ(fileBytes("shared/scores.dat"), scoresFileBytes(59));
        EXPECT_EQ(fileBytes("shared/results.dat"), "3\r\n");
        // Without the superuser the folder is the test's own, and must be removable again.
        std::error_code ignored;
        std::filesystem::permissions(shared, std::filesystem::perms(0755), ignored);
    });
}

TEST_F(FilesTest, LinksAreWrittenThroughOnlyToTheGamesOwnFilesAndOnlyWhenThePlayerOrTheFolderOwnerMadeThem)
{
    inOwnProcess([&] {
        const auto shared = dir() / "shared";
        std::filesystem::create_directory(shared);
        const auto linkTo = [&](const char* file, const std::string& target) {
            std::filesystem::remove(dir() / file);
            std::filesystem::create_symlink(shared / target, dir() / file);
        };
        // Someone else's text and a binary past the game's bound: read as no rank and no score,
        // never written.
        std::string text;
        for (int line = 1; line <= 20; ++line)
            text += "line " + std::to_string(line) + " of someone's notes\n";
        std::string binary(100'000, '\0');
        SeededRng{100}.fill(binary);
        writeFile("shared/notes.txt", text);
        writeFile("shared/blob.bin", binary);
        linkTo("Data/results.dat", "notes.txt");
        linkTo("Data/scores.dat", "blob.bin");
        readBestScoreFile();
        readRankFile();
        gameState.bestScore = 36;
        EXPECT_FALSE(writeBestScoreFile());
        storeRank(1);
        EXPECT_EQ(fileBytes("shared/notes.txt"), text);
        EXPECT_TRUE(fileBytes("shared/blob.bin") == binary) << "the binary is replaced";
        std::string log = logText();
        for (const char* line :
             {"[velmoor] error: The rank could not be saved in Data/results.dat: it is a link to ",
              "/shared/notes.txt, which is not a file the game read as its own",
              "[velmoor] error: The best score could not be saved in Data/scores.dat: it is a link to ",
              "/shared/blob.bin, which is not a file the game read as its own"})
            EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;

        // An empty file is the game's to fill, and so is a rank file of any form the game reads;
        // once written, the target is the game's own new file.
        writeFile("shared/empty", "");
        linkTo("Data/results.dat", "empty");
        readRankFile();
        storeRank(2);
        EXPECT_EQ(fileBytes("shared/empty"), "2\r\n");
        storeRank(1);
        EXPECT_EQ(fileBytes("shared/empty"), "1\r\n");
        for (const char* rank : {"3", "0\n", "1\r\n"}) {
            writeFile("shared/rank.txt", rank);
            linkTo("Data/results.dat", "rank.txt");
            readRankFile();
            storeRank(2);
            EXPECT_EQ(fileBytes("shared/rank.txt"), "2\r\n") << rank;
        }

        // A link of another user in the player's folder leads nowhere; in that user's own folder it
        // is followed as the kernel's protected links are.
        if (::geteuid() != 0)
            return;
        constexpr uid_t nobody = 65534;
        writeFile("shared/scores.dat", scoresFileBytes(20));
        linkTo("Data/scores.dat", "scores.dat");
        ASSERT_EQ(::lchown((dir() / "Data/scores.dat").c_str(), nobody, nobody), 0);
        readBestScoreFile();
        EXPECT_EQ(gameState.bestScore, 20);
        gameState.bestScore = 36;
        EXPECT_FALSE(writeBestScoreFile());
        EXPECT_EQ(fileBytes("shared/scores.dat"), scoresFileBytes(20));
        log = logText();
        EXPECT_NE(log.find("The best score could not be saved in Data/scores.dat: it is a link of user 65534, neither "
                           "the player (0) nor the owner of its folder"),
                  std::string::npos)
            << log;
        ASSERT_EQ(::chown((dir() / "Data").c_str(), nobody, nobody), 0);
        EXPECT_TRUE(writeBestScoreFile());
        EXPECT_EQ(fileBytes("shared/scores.dat"), scoresFileBytes(36));
        EXPECT_TRUE(std::filesystem::is_symlink(dir() / "Data/scores.dat"));
    });
}
