// The end-to-end fixture: a temporary working directory with the generated data, a fresh
// headless backend and game state, and the real game driven frame by frame.
#pragma once

#include "GameDriver.h"
#include "Pictures.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Sound;

// A temporary working directory holding a copy of the generated data ("Data/", "Alpine.ttf"),
// removed with everything in it. Made at `path` when one is given, else under a fresh name.
class DataDir {
public:
    explicit DataDir(const std::filesystem::path& path = {});
    ~DataDir();
    DataDir(const DataDir&) = delete;
    DataDir& operator=(const DataDir&) = delete;
    // Taking another's folder removes this one's.
    DataDir(DataDir&& other) noexcept;
    DataDir& operator=(DataDir&& other) noexcept;

    [[nodiscard]] const std::filesystem::path& path() const { return path_; }
    [[nodiscard]] std::string fileBytes(const std::string& relative) const;
    void writeFile(const std::string& relative, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

// Removes the folder and everything in it, whatever permissions a test left on its folders.
void removeTree(const std::filesystem::path& path);

// The working directory of the scenario that the process `parent` runs inOwnProcess. The parent
// removes it: the scenario's process ends with _Exit and may have given up the rights to.
[[nodiscard]] std::filesystem::path scenarioDir(int parent);

// For a test whose superuser runs something as nobody: while it lives, TMPDIR is a folder that
// user can reach. That is TMPDIR itself when every folder on its way lets others through; else (a
// clone in a private home) a private folder made under /tmp, opened to others for passing through
// only, and removed with everything in it at the end, TMPDIR given back. Any other user runs the
// test as itself and needs none of it.
class TempForAnotherUser {
public:
    TempForAnotherUser();
    ~TempForAnotherUser();
    TempForAnotherUser(const TempForAnotherUser&) = delete;
    TempForAnotherUser& operator=(const TempForAnotherUser&) = delete;

    // Why no such folder could be had, for the test's skip; empty when there is one.
    [[nodiscard]] const std::string& unreachable() const { return unreachable_; }

private:
    std::optional<std::string> oldTmpdir_;
    std::filesystem::path made_;
    std::string unreachable_;
};

// The temporary files of the replaced file left beside it: its name with ".new" and what follows.
[[nodiscard]] std::vector<std::string> temporariesBeside(const std::filesystem::path& file);

// The 25 bytes of a best-score file holding the value.
[[nodiscard]] std::string scoresFileBytes(int32_t value);

// In a test's child process: its stderr goes to the file, made anew; a child that cannot make it
// ends at once with status 4.
void stderrToFile(const char* path);

// A child process, its stderr in stderr.txt, reads the best score and raises it to score (its save
// made ready for a second end signal), runs meanwhile, then takes SIGTERM and SIGHUP; returns the
// child's wait status.
[[nodiscard]] int raiseThenTwoEndSignals(int32_t score, const std::function<void()>& meanwhile);

class GameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the game and lets it run until its menu is showing; fails when it ends before.
    void startAtMenu();
    // Moves the cursor and waits for the frame in which the game took the position.
    void moveTo(int x, int y);
    // A left click at (x, y): the frame that takes the press, and the one that takes the release.
    void clickAt(int x, int y);
    // Keys by name as scripts write them ("Q", "F1").
    void holdKey(const char* name);
    void releaseKey(const char* name);
    // Ends the game with Q and returns its exit status.
    int quitWithQ();
    // Frames until the menu picture shows again (after a screen's fade-out and the menu's fade-in).
    [[nodiscard]] bool waitForMenu();

    // A generated picture (path relative to the working directory); fails the test when missing.
    [[nodiscard]] const Picture& picture(const std::string& path);
    // The picture compared with the frame at (x, y), away from the cursor.
    [[nodiscard]] std::string shows(const std::string& path, int x, int y, std::optional<Area> clip = {});
    // Where the cursor picture may be: its top-left at the mouse.
    [[nodiscard]] Area cursorArea() const;

    [[nodiscard]] std::filesystem::path dir() const { return data_->path(); }
    [[nodiscard]] std::string fileBytes(const std::string& relative) const { return data_->fileBytes(relative); }
    void writeFile(const std::string& relative, const std::string& bytes) const { data_->writeFile(relative, bytes); }
    // The music commands sent since the start, in order.
    [[nodiscard]] std::vector<std::string> musicCommands() const;
    // How often the sound was played successfully since the start.
    [[nodiscard]] int soundPlays(const Sound& sound) const;
    // The game's log (Velmoor.log beside where the executable would be). The log file is chosen
    // once per process, so a scenario that reads it runs inOwnProcess.
    [[nodiscard]] std::string logText() const;
    // Runs the scenario in a fresh process of this test binary and fails with its failures when it
    // fails there, so a run of the whole binary gives ctest's result.
    template <class Scenario>
    void inOwnProcess(Scenario scenario);
    // The score line as the menu draws it ("Highscore:%i"), compared in its corner.
    [[nodiscard]] std::string compareScoreLine(const char* text);

    std::unique_ptr<GameDriver> game;

private:
    std::unique_ptr<DataDir> data_;
    std::filesystem::path startDir_;
    std::map<std::string, Picture> pictures_;
};

// In the scenario's own process: runs it and exits 0, or prints its failures and exits 1.
template <class Scenario>
[[noreturn]] void runScenarioAndExit(Scenario& scenario)
{
    ::testing::TestPartResultArray results;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        scenario();
    }
    bool failed = false;
    for (int i = 0; i < results.size(); ++i) {
        const ::testing::TestPartResult& r = results.GetTestPartResult(i);
        failed |= r.failed();
        std::fprintf(stderr, "%s:%d: %s\n", r.file_name() ? r.file_name() : "?", r.line_number(), r.message());
    }
    std::fflush(stderr);
    std::_Exit(failed ? 1 : 0);
}

template <class Scenario>
void GameTest::inOwnProcess(Scenario scenario)
{
    // "threadsafe" starts the binary anew for the scenario; a fork would inherit the chosen log.
    // Under an emulator that new start is the kernel's, which cannot run the cross build's binary.
    if (*VELMOOR_EMULATOR != 0)
        GTEST_SKIP() << "the scenario's own process cannot be started under " VELMOOR_EMULATOR;
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    removeTree(scenarioDir(::getpid())); // one a crashed run of the same number left
    EXPECT_EXIT(runScenarioAndExit(scenario), ::testing::ExitedWithCode(0), "")
        << "the scenario failed in its own process";
    removeTree(scenarioDir(::getpid()));
}
