// Music on the headless backend: the exact command strings and the result codes around them.
#include "HeadlessScreen.h"

#include "framework/Music.h"
#include "framework/Result.h"
#include "platform/headless/music.h"
#include "platform/headless/sound.h"
#include "platform/music.h"
#include "tests/platform/audio_test_files.h"
#include "tests/support/alloc_cap.h"

#include <filesystem>
#include <string>

namespace {

namespace R = FrameworkResult;

class Musics : public HeadlessTest {
protected:
    void SetUp() override
    {
        HeadlessTest::SetUp();
        plat::headless::resetSound();
        plat::headless::resetMusic();
        file = (dir.path() / "music.mid").string();
        audiotest::writeFile(file, audiotest::composeMidi({{0, 480, 60, 90}}, 960));
    }
    void TearDown() override
    {
        plat::headless::resetMusic();
        plat::headless::resetSound();
        HeadlessTest::TearDown();
    }

    [[nodiscard]] static std::vector<std::string> commands()
    {
        std::vector<std::string> out;
        for (const auto& e : plat::headless::musicLog())
            out.push_back(e.command);
        return out;
    }

    audiotest::ScratchDir dir;
    std::string file;
};

TEST_F(Musics, ExactCommandsAndTheCodesAroundThem)
{
    Music music;
    EXPECT_EQ(music.play(), R::MusicPlay); // 45 before a file is set
    EXPECT_EQ(music.setFile((dir.path() / "none.mid").c_str()), R::FileOpen);
    EXPECT_EQ(music.setFile(nullptr), R::FileOpen);
    EXPECT_EQ(music.play(), R::MusicPlay);
    EXPECT_TRUE(plat::headless::musicLog().empty()) << "nothing sent";

    ASSERT_EQ(music.setFile(file.c_str()), R::Ok);
    EXPECT_TRUE(plat::headless::musicLog().empty()); // setting the file plays nothing
    ASSERT_EQ(music.play(), R::Ok);
    EXPECT_EQ(music.play(), R::MusicOpen); // 44: the alias is in use
    // The menu asks for a loop on top, through the same interface.
    EXPECT_EQ(plat::sendMusicCommand("play MUSIC repeat"), plat::MusicResult::Ok);
    ASSERT_EQ(plat::headless::musicAliases().size(), 1u);
    EXPECT_TRUE(plat::headless::musicAliases()[0].repeat);
    EXPECT_EQ(music.stop(), R::Ok);
    EXPECT_TRUE(plat::headless::musicAliases().empty());
    EXPECT_EQ(music.stop(), R::MusicClose); // 43: sent, and refused
    EXPECT_EQ(plat::headless::musicLog().back().result, plat::MusicResult::UnknownAlias);
    const std::string open = "open \"" + file + "\" type sequencer alias MUSIC";
    EXPECT_EQ(commands(), (std::vector<std::string>{open, "play MUSIC from 0 notify", open, "play MUSIC repeat",
                                                    "close MUSIC", "close MUSIC"}));
}

TEST_F(Musics, ALongPathWorksAndOneWithoutMemoryIsRefused)
{
    std::filesystem::path deep = dir.path();
    while (deep.string().size() < 300)
        deep /= "a_rather_long_folder_name_for_music";
    std::filesystem::create_directories(deep);
    const std::string path = (deep / "music.mid").string();
    ASSERT_GT(path.size(), 300u);
    audiotest::writeFile(path, audiotest::composeMidi({{0, 480, 60, 90}}, 960));
    Music music;
    ASSERT_EQ(music.setFile(path.c_str()), R::Ok);
    ASSERT_EQ(music.play(), R::Ok);
    ASSERT_EQ(plat::headless::musicAliases().size(), 1u);
    EXPECT_EQ(plat::headless::musicAliases()[0].file, path);
    // Without memory for the path, or for the command that opens it: refused, never an exception.
    ASSERT_EQ(music.stop(), R::Ok);
    int set, played;
    {
        const testsupport::AllocCap cap(path.size() / 2);
        played = music.play();
        set = music.setFile(path.c_str());
    }
    EXPECT_EQ(std::pair(played, set), std::pair(R::MusicOpen, R::NoMemory));
}

TEST_F(Musics, ReleaseClosesAndWhatCannotOpenGives44)
{
    {
        Music music;
        ASSERT_EQ(music.setFile(file.c_str()), R::Ok);
        ASSERT_EQ(music.play(), R::Ok);
    } // destruction releases, which stops
    EXPECT_EQ(commands().back(), "close MUSIC");
    EXPECT_TRUE(plat::headless::musicAliases().empty());

    const std::string text = (dir.path() / "notes.txt").string();
    audiotest::writeFile(text, {'h', 'i'});
    Music music;
    ASSERT_EQ(music.setFile(text.c_str()), R::Ok); // readable is all setFile asks
    EXPECT_EQ(music.play(), R::MusicOpen);
    ASSERT_EQ(music.setFile(file.c_str()), R::Ok);
    plat::headless::setSoundDeviceAvailable(false);
    EXPECT_EQ(music.play(), R::MusicOpen);
    EXPECT_EQ(plat::headless::musicLog().back().result, plat::MusicResult::NoDevice);
}

} // namespace
