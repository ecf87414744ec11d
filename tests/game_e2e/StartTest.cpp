// Start-up without data, the font found beside the executable, and data files that are pipes,
// devices, garbage, missing or pictures of absurd size: the game says why it cannot start, never
// blocks, logs each file; a picture stops the start, any other file is played without. The one
// vector level handed down at start.
#include "GameTest.h"

#include "framework/Mmx.h"
#include "framework/Surface.h"
#include "framework/VectorLevel.h"
#include "game/GameState.h"
#include "game/Globals.h"
#include "platform/simd_level.h"
#include "talvo/log_file.h"
#include "tests/framework/BmpBuilder.h"
#include "tests/support/simd_levels.h"

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

using StartTest = GameTest;

namespace {
// Starts the game in `here` as if installed in `beside`: no window may open; stderr is returned.
std::string failedStart(GameDriver& game, const fs::path& here, const fs::path& beside)
{
    fs::current_path(here);
    talvo::setExecutablePath((beside / "Velmoor").string());
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(game.start()) << "no window opens";
    const std::string stderrText = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(game.finish(false), 1);
    return stderrText;
}
} // namespace

TEST_F(StartTest, NoDataAnywhereSaysSoAndEndsBeforeAWindowOpens)
{
    const fs::path empty = dir() / "empty";
    fs::create_directory(empty);
    const std::string stderrText = failedStart(*game, empty, empty);
    EXPECT_EQ(stderrText.rfind("Velmoor: cannot find the game's data (Data/", 0), 0u) << stderrText;
    EXPECT_NE(stderrText.find(empty.string()), std::string::npos) << "names where it looked: " << stderrText;
    EXPECT_EQ(window.handle, plat::WindowId{});
    EXPECT_EQ(fs::current_path(), empty);
}

TEST_F(StartTest, DataFoldersWithoutTheGamesDataCountAsNoData)
{
    // An empty Data/ in the working folder, and one holding another program's files beside the
    // executable: neither has what the first screen needs.
    const fs::path here = dir() / "here", beside = dir() / "beside";
    fs::create_directories(here / "Data");
    fs::create_directories(beside / "Data/Menu");
    writeFile("beside/Data/notes.txt", "another program's data");
    const std::string stderrText = failedStart(*game, here, beside);
    EXPECT_EQ(stderrText, "Velmoor: cannot find the game's data (Data/Menu/Menu.bmp is neither in the working folder " +
                              here.string() + " nor beside the executable in " + beside.string() + ")\n");
    EXPECT_EQ(fs::current_path(), here);
    EXPECT_FALSE(fs::exists(here / "Data/scores.dat"));
    EXPECT_FALSE(fs::exists(beside / "Data/scores.dat"));
}

TEST_F(StartTest, AWorkingFolderWithItsOwnDataTakesTheFontBesideTheExecutable)
{
    // A full Data/ here, the font only beside the executable: an installed font serves it.
    const fs::path beside = dir() / "beside";
    fs::create_directory(beside);
    fs::rename(dir() / "Alpine.ttf", beside / "Alpine.ttf");
    talvo::setExecutablePath((beside / "Velmoor").string());
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    // The reference line is drawn with the font back in the working folder.
    fs::copy_file(beside / "Alpine.ttf", dir() / "Alpine.ttf");
    EXPECT_EQ(compareScoreLine("Highscore:0"), "equal");
    EXPECT_EQ(quitWithQ(), 0);
}

TEST_F(StartTest, AFirstScreenPictureThatIsNoFileIsSaidToBeWhatItIs)
{
    // A link to a device where the menu picture should be: the picture is there, and unusable.
    const fs::path here = dir() / "here", beside = dir() / "beside";
    fs::create_directories(here / "Data/Menu");
    fs::create_directories(beside);
    fs::create_symlink("/dev/zero", here / "Data/Menu/Menu.bmp");
    const std::string stderrText = failedStart(*game, here, beside);
    EXPECT_EQ(stderrText, "Velmoor: cannot use the game's data (Data/Menu/Menu.bmp in the working folder " +
                              here.string() + " is not a regular file, and beside the executable in " +
                              beside.string() + " is not there)\n");
}

namespace {
enum class Kind { Pipe, DevZero, Garbage, HugePicture, WidePicture, Missing };
struct HostileFile {
    const char* path;
    Kind kind;
    const char* logged; // "" when nothing need be logged
};

// Puts each file in place as its kind says.
void placeHostileFiles(const fs::path& dir, const std::vector<HostileFile>& files)
{
    // A BMP header claiming 100000 x 100000 pixels at 24 bits (about 30 GB) in its 54 bytes, and a
    // whole picture one pixel wider than any surface.
    std::string huge = "BM" + std::string(8, '\0') + std::string("\x36\0\0\0\x28\0\0\0", 8);
    for (uint32_t v : {100000u, 100000u, 0x180001u})
        for (int i = 0; i < 4; ++i)
            huge.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
    huge.resize(54, '\0');
    BmpBuilder wideBmp;
    wideBmp.width = MaxSurfaceSide + 1;
    wideBmp.height = 1;
    wideBmp.bitCount = 24;
    wideBmp.pixels.resize((3 * static_cast<std::size_t>(wideBmp.width) + 3) & ~std::size_t{3}, 0x40);
    const std::vector<uint8_t> wideBytes = wideBmp.build();
    for (const auto& f : files) {
        const fs::path path = dir / f.path;
        fs::remove(path);
        const auto write = [&](const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; };
        switch (f.kind) {
        case Kind::Pipe: ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << f.path; break;
        case Kind::DevZero: fs::create_symlink("/dev/zero", path); break;
        case Kind::Garbage: write("this is no data file of the game"); break;
        case Kind::HugePicture: write(huge); break;
        case Kind::WidePicture: write(std::string(wideBytes.begin(), wideBytes.end())); break;
        case Kind::Missing: break;
        }
    }
}

// Each file's line is in the log, once.
void expectLoggedOnce(const std::string& log, const std::vector<HostileFile>& files)
{
    for (const auto& f : files) {
        if (!*f.logged)
            continue;
        const std::size_t first = log.find(f.logged);
        EXPECT_NE(first, std::string::npos) << f.logged << "\n" << log;
        EXPECT_EQ(log.find(f.logged, first + 1), std::string::npos) << "twice: " << f.logged;
    }
}
} // namespace

TEST_F(StartTest, HostilePicturesAreRefusedAtOnceEachLoggedOnceAndTheStartEndsWithOneLine)
{
    std::vector<HostileFile> files{
        {"Data/Menu/6x6.bmp", Kind::Pipe, "[velmoor] warning: Data/Menu/6x6.bmp was not loaded: not a regular file"},
        {"Data/Menu/music.bmp", Kind::DevZero, "Data/Menu/music.bmp was not loaded: not a regular file"},
        {"Data/Menu/YLMask.bmp", Kind::HugePicture,
         "Data/Menu/YLMask.bmp is damaged: its header declares 100000x100000 pixels, more than its 54 bytes hold"},
        {"Data/Menu/galka.bmp", Kind::WidePicture, "Data/Menu/galka.bmp was not loaded: no surface for its size"},
        {"Data/Menu/exit.bmp", Kind::Missing, "Data/Menu/exit.bmp was not loaded: No such file or directory"},
        {"Data/Menu/authors.bmp", Kind::Garbage, "Data/Menu/authors.bmp is damaged: not a BMP picture"},
    };
    placeHostileFiles(dir(), files);
    // Pictures with one byte of the width or height set: sizes no surface takes, far beyond what
    // the file holds (10x10 becomes 65425 x 68, the others likewise); one whose pixels start
    // inside its header.
    std::vector<std::pair<const char*, std::string>> lines;
    for (const auto& [path, at] : {std::pair{"Data/Menu/8x8.bmp", 21}, {"Data/Menu/10x10.bmp", 19},
                                   {"Data/Menu/boss.bmp", 23}, {"Data/end[6x6].bmp", 25}}) {
        std::string bytes = fileBytes(path);
        bytes[static_cast<std::size_t>(at)] = '\xFF';
        writeFile(path, bytes);
        const auto field = [&](std::size_t from) {
            int32_t v;
            std::memcpy(&v, bytes.data() + from, 4);
            return std::to_string(v);
        };
        lines.emplace_back(path, std::string(path) + " is damaged: its header declares " + field(18) + "x" +
                                     field(22) + " pixels, more than its " + std::to_string(bytes.size()) +
                                     " bytes hold\n");
    }
    std::string nein = fileBytes("Data/Menu/Nein.bmp");
    nein[10] = 14;
    writeFile("Data/Menu/Nein.bmp", nein);
    lines.emplace_back("Data/Menu/Nein.bmp", "Data/Menu/Nein.bmp is damaged: its header overlaps its pixels\n");
    for (const auto& [path, line] : lines)
        files.push_back({path, Kind::Missing, line.c_str()});

    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(game->start()) << "no frame is shown";
    const std::string stderrText = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(game->finish(false), 1);
    // The first in the order of loading, and how many more.
    const std::string line = "cannot use the game's data (Data/Menu/6x6.bmp in " + dir().string() +
                             " was not loaded: not a regular file; 10 more pictures cannot be loaded either)";
    EXPECT_EQ(stderrText, "Velmoor: " + line + "\n");
    const std::string log = logText();
    expectLoggedOnce(log, files);
    EXPECT_NE(log.find("[velmoor] error: " + line + "\n"), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(dir() / "Data/scores.dat")) << "nothing is written";
}

TEST_F(StartTest, HostileDataFilesOtherThanPicturesAreRefusedAtOnceAndLoggedOnceAndTheGamePlays)
{
    const std::vector<HostileFile> files{
        {"Data/Sounds/Click.wav", Kind::Garbage, "Data/Sounds/Click.wav is damaged: not a WAVE sound"},
        {"Data/Sounds/Imp1.wav", Kind::DevZero, "Data/Sounds/Imp1.wav was not loaded: not a regular file"},
        {"Data/Sounds/music.mid", Kind::Pipe, "Data/Sounds/music.mid was not loaded: not a regular file"},
        {"Alpine.ttf", Kind::Pipe, "Alpine.ttf was not loaded: not a regular file"},
        {"Data/results.dat", Kind::Pipe, "Data/results.dat was not loaded: not a regular file"},
        {"Data/scores.dat", Kind::Pipe, "The best score in Data/scores.dat is not used (not a regular file)"},
        {"Velmoor.log.ini", Kind::Pipe, ""},
    };
    placeHostileFiles(dir(), files);
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    ASSERT_TRUE(game->advance(5));
    EXPECT_EQ(quitWithQ(), 0);
    expectLoggedOnce(logText(), files);
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(0)) << "the pipe is replaced by a file";
}

// talvo's level (VELMOOR_SIMD capped by the processor) becomes the layer's and the framework's, and
// the four-pixel switch follows it; the game hands it down before its first frame.
TEST_F(StartTest, TheGameHandsTheOneVectorLevelDown)
{
    const plat::SimdLevel layerBefore = plat::simdLevel();
    const uint8_t mmxBefore = mmxEnabled;
    for (const char* asked : {"scalar", "sse2", "avx2", "neon", static_cast<const char*>(nullptr)})
        asIfStartedWith(asked, [] {
            shareSimdLevel();
            const talvo::simd::Level level = talvo::simd::level();
            EXPECT_EQ(static_cast<int>(plat::simdLevel()), static_cast<int>(level));
            EXPECT_EQ(mmxEnabled, level != talvo::simd::Level::scalar ? 1 : 0);
        });
    plat::setSimdLevel(layerBefore);
    asIfStartedWith("scalar", [&] {
        ASSERT_NO_FATAL_FAILURE(startAtMenu());
        EXPECT_EQ(plat::simdLevel(), plat::SimdLevel::scalar) << "not the layer's own default";
        EXPECT_EQ(quitWithQ(), 0);
    });
    plat::setSimdLevel(layerBefore);
    mmxEnabled = mmxBefore;
}
