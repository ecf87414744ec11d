// The end-to-end fixture.
#include "GameTest.h"

#include "framework/Font.h"
#include "framework/KeyboardState.h"
#include "game/BestScoreFile.h"
#include "game/EndSignals.h"
#include "game/GameState.h"
#include "game/Globals.h"
#include "game/Program.h"
#include "game/ScreenFont.h"
#include "platform/headless/input.h"
#include "platform/headless/music.h"
#include "platform/headless/sound.h"
#include "platform/keycodes.h"
#include "platform/platform.h"
#include "talvo/log_file.h"
#include "talvo/log_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

namespace fs = std::filesystem;

namespace {
plat::KeyCodes key(const char* name)
{
    const auto codes = plat::keyCodesFromName(name);
    EXPECT_TRUE(codes) << "no key named " << name;
    return codes.value_or(plat::KeyCodes{});
}

// The first folder on the way to `path` that others may not pass through; empty when none is.
fs::path closedToOthers(const fs::path& path)
{
    std::error_code error;
    const fs::path full = fs::canonical(path, error);
    if (error)
        return path;
    fs::path walked;
    for (const fs::path& part : full) {
        walked /= part;
        struct stat s {};
        if (::stat(walked.c_str(), &s) != 0 || (s.st_mode & S_IXOTH) == 0)
            return walked;
    }
    return {};
}
} // namespace

std::string scoresFileBytes(int32_t value)
{
    std::string bytes = "talvo::io::Stream";
    for (uint32_t word : {2u, static_cast<uint32_t>(value)})
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<char>(word >> (8 * i) & 0xFF));
    return bytes;
}

std::vector<std::string> temporariesBeside(const fs::path& file)
{
    std::vector<std::string> left;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(file.parent_path(), error))
        if (entry.path().filename().string().starts_with(file.filename().string() + ".new"))
            left.push_back(entry.path().filename().string());
    return left;
}

void stderrToFile(const char* path)
{
    const int file = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file < 0 || ::dup2(file, STDERR_FILENO) < 0)
        _exit(4);
}

int raiseThenTwoEndSignals(int32_t score, const std::function<void()>& meanwhile)
{
    const pid_t child = ::fork();
    if (child == 0) {
        stderrToFile("stderr.txt");
        readBestScoreFile();
        const EndSignals endSignals;
        gameState.score = score;
        raiseBestScore();
        meanwhile();
        ::raise(SIGTERM);
        ::raise(SIGHUP);
        _exit(0);
    }
    int status = 0;
    EXPECT_EQ(child > 0 ? ::waitpid(child, &status, 0) : -1, child);
    return status;
}

void removeTree(const fs::path& path)
{
    // A folder without the owner's rights can be neither listed nor emptied: give them back first.
    std::error_code ignored;
    if (!fs::is_directory(fs::symlink_status(path, ignored)))
        return;
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (fs::recursive_directory_iterator it(path, ignored), end; it != end; it.increment(ignored))
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path, ignored);
}

fs::path scenarioDir(int parent)
{
    return fs::temp_directory_path() / ("velmoor-e2e-scenario-" + std::to_string(parent));
}

DataDir::DataDir(const fs::path& path)
{
    const fs::path run = VELMOOR_RUN_DIR;
    if (!fs::exists(run / "Data" / "Menu" / "Menu.bmp") || !fs::exists(run / "Alpine.ttf")) {
        ADD_FAILURE() << "the generated data is missing in " << run;
        return;
    }
    if (!path.empty()) {
        std::error_code error;
        if (!fs::create_directory(path, error)) {
            ADD_FAILURE() << "cannot make " << path << ": " << (error ? error.message() : "it is there already");
            return;
        }
        path_ = path;
    } else {
        std::string pattern = (fs::temp_directory_path() / "velmoor-e2e-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            ADD_FAILURE() << "no temporary directory";
            return;
        }
        path_ = pattern;
    }
    fs::copy(run / "Data", path_ / "Data", fs::copy_options::recursive);
    fs::copy_file(run / "Alpine.ttf", path_ / "Alpine.ttf");
}

DataDir::~DataDir()
{
    if (!path_.empty())
        removeTree(path_);
}

DataDir::DataDir(DataDir&& other) noexcept : path_(std::exchange(other.path_, {})) {}

DataDir& DataDir::operator=(DataDir&& other) noexcept
{
    if (this != &other) {
        if (!path_.empty())
            removeTree(path_);
        path_ = std::exchange(other.path_, {});
    }
    return *this;
}

TempForAnotherUser::TempForAnotherUser()
{
    if (::geteuid() != 0)
        return;
    std::error_code error;
    const fs::path temp = fs::temp_directory_path(error);
    const fs::path closed = error ? temp : closedToOthers(temp);
    if (!error && closed.empty())
        return;
    if (const fs::path closedToo = closedToOthers(P_tmpdir); !closedToo.empty()) {
        unreachable_ = "user 65534 can reach neither TMPDIR (" + closed.string() + " is closed to others) nor " +
                       P_tmpdir + " (" + closedToo.string() + " is closed too)";
        return;
    }
    std::string pattern = P_tmpdir "/velmoor-other-user-XXXXXX";
    if (::mkdtemp(pattern.data()))
        made_ = pattern;
    if (made_.empty() || ::chmod(made_.c_str(), 0711) != 0) {
        unreachable_ = "no folder for user 65534 in " P_tmpdir ": " + std::string(std::strerror(errno));
        removeTree(made_);
        made_.clear();
        return;
    }
    if (const char* old = std::getenv("TMPDIR"))
        oldTmpdir_ = old;
    ::setenv("TMPDIR", made_.c_str(), 1);
}

TempForAnotherUser::~TempForAnotherUser()
{
    if (made_.empty())
        return;
    if (oldTmpdir_)
        ::setenv("TMPDIR", oldTmpdir_->c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    removeTree(made_);
}

std::string DataDir::fileBytes(const std::string& relative) const
{
    std::ifstream in(path_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void DataDir::writeFile(const std::string& relative, const std::string& bytes) const
{
    std::ofstream out(path_ / relative, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void GameTest::SetUp()
{
    // A scenario's own process is this binary started anew for the test (its death-test child).
    const bool scenarioProcess = !GTEST_FLAG_GET(internal_run_death_test).empty();
    data_ = std::make_unique<DataDir>(scenarioProcess ? scenarioDir(::getppid()) : fs::path());
    ASSERT_FALSE(data_->path().empty());
    startDir_ = fs::current_path();
    fs::current_path(data_->path());
    // The log goes beside the executable: make that the working directory.
    talvo::setExecutablePath((data_->path() / "Velmoor").string());

    plat::setBackendKind(plat::BackendKind::Headless);
    plat::headless::reset();
    plat::headless::resetInput();
    // A fresh process has these; an earlier scenario in this process leaves its own behind.
    gameState = GameState{};
    pieceAnimation.frames.clear();
    for (Surface* picture : {&endButtonPicture, &background, &pieceStrip, &hintHoverPicture, &visitedPicture,
                             &menu6x6Picture, &menu8x8Picture, &menu10x10Picture, &musicPicture, &authorsPicture,
                             &exitPicture, &musicTickPicture, &badgePicture, &cursorPicture, &hintPicture,
                             &screenCopy, &lostPicture, &lostMaskPicture, &yesButtonPicture, &noButtonPicture})
        picture->release();
    input.x = input.y = 0;
    music.release();
    clickSound.release();
    startSound.release();
    plat::headless::resetSound();
    plat::headless::resetMusic();
    KeyboardState::global() = KeyboardState{};
    game = std::make_unique<GameDriver>(runVelmoor);
}

void GameTest::TearDown()
{
    game.reset();
    plat::headless::reset();
    plat::headless::resetInput();
    if (!startDir_.empty())
        fs::current_path(startDir_);
    data_.reset();
}

void GameTest::startAtMenu()
{
    ASSERT_TRUE(game->start()) << "the game ended before its first frame";
    // The first present is start-up's; the menu presents from the second on.
    ASSERT_TRUE(game->advance(1));
}

void GameTest::moveTo(int x, int y)
{
    plat::headless::moveMouseTo(x, y);
    ASSERT_TRUE(game->waitUntil([&](const auto&) { return gameState.mouseX == x && gameState.mouseY == y; }, 10))
        << "the cursor did not reach " << x << ", " << y;
}

void GameTest::clickAt(int x, int y)
{
    plat::headless::clickAt(x, y);
    ASSERT_TRUE(game->advance(2));
}

void GameTest::holdKey(const char* name) { plat::headless::keyDown(key(name)); }
void GameTest::releaseKey(const char* name) { plat::headless::keyUp(key(name)); }

int GameTest::quitWithQ()
{
    holdKey("Q");
    return game->finish(false);
}

bool GameTest::waitForMenu()
{
    return game->waitUntil([&](const auto&) { return shows("Data/Menu/Menu.bmp", 0, 0, Area{0, 0, 200, 150}) == "equal"; },
                           200);
}

const Picture& GameTest::picture(const std::string& path)
{
    auto found = pictures_.find(path);
    if (found == pictures_.end()) {
        auto read = readPicture((dir() / path).string());
        EXPECT_TRUE(read) << path << " is not a 24-bit BMP file";
        found = pictures_.emplace(path, read.value_or(Picture{})).first;
    }
    return found->second;
}

std::string GameTest::shows(const std::string& path, int x, int y, std::optional<Area> clip)
{
    return comparePicture(game->frame(), picture(path), x, y, false, cursorArea(), clip);
}

Area GameTest::cursorArea() const
{
    return Area{gameState.mouseX, gameState.mouseY, gameState.mouseX + 40, gameState.mouseY + 40};
}

std::vector<std::string> GameTest::musicCommands() const
{
    std::vector<std::string> commands;
    for (const auto& entry : plat::headless::musicLog())
        commands.push_back(entry.command);
    return commands;
}

int GameTest::soundPlays(const Sound& sound) const
{
    int plays = 0;
    for (const auto& entry : plat::headless::soundLog()) {
        if (entry.operation != plat::SoundOp::Play || entry.result != plat::SoundResult::Ok)
            continue;
        for (int v = 0; v < sound.voiceCount(); ++v)
            if (entry.buffer != 0 && entry.buffer == sound.voiceBuffer(v))
                ++plays;
    }
    return plays;
}

std::string GameTest::logText() const
{
    // The log file is chosen once per process, at its first entry.
    const std::string opened = talvo::LogStream::instance().buffer().openedPath();
    if (!opened.empty() && fs::path(opened).parent_path() != dir()) {
        ADD_FAILURE() << "the log of this process is " << opened
                      << ", left by an earlier scenario: run this scenario inOwnProcess";
        return {};
    }
    return fileBytes("Velmoor.log");
}

std::string GameTest::compareScoreLine(const char* text)
{
    // The reference: the menu picture with the line drawn by a font of its own, on a surface of
    // the game's display (the game is stopped at a present, so the display is idle).
    Surface reference;
    if (reference.loadBitmap(&display, SurfaceKind::System, "Data/Menu/Menu.bmp", true) != 0)
        return "the menu picture cannot be loaded";
    Font font;
    buildScreenFont(font);
    drawTextF(font, &reference, ScreenTextX, ScreenTextY, screenTextColour(), "%s", text);
    (void)reference.lock();
    Picture corner{800 - ScreenTextX + 20, 50, {}};
    for (int y = 0; y < corner.height; ++y)
        for (int x = 0; x < corner.width; ++x) {
            uint16_t p;
            std::memcpy(&p, reference.pixels + (ScreenTextY - 10 + y) * reference.pitch + (ScreenTextX - 20 + x) * 2, 2);
            corner.pixels.push_back(p);
        }
    (void)reference.unlock();
    return comparePicture(game->frame(), corner, ScreenTextX - 20, ScreenTextY - 10);
}
