// The music command interpreter shared by both backends: grammar and alias rules.
#include "platform/music_interpreter.h"
#include "tests/platform/audio_test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using plat::MusicResult;

struct RecordingDevice final : plat::MusicDevice {
    MusicResult open(const std::string& alias, const std::string& file) override
    {
        calls.push_back("open " + alias + " " + file);
        return openResult;
    }
    MusicResult play(const std::string& alias, std::optional<uint32_t> from, bool repeat) override
    {
        calls.push_back("play " + alias + (from ? " from " + std::to_string(*from) : "") + (repeat ? " repeat" : ""));
        return MusicResult::Ok;
    }
    void close(const std::string& alias) override { calls.push_back("close " + alias); }

    std::vector<std::string> calls;
    MusicResult openResult = MusicResult::Ok;
};

class MusicCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        midi = (dir.path() / "tune.mid").string();
        audiotest::writeFile(midi, audiotest::composeMidi({{0, 480, 60, 100}}, 480));
        spaced = (dir.path() / "a tune with spaces.mid").string();
        audiotest::writeFile(spaced, audiotest::composeMidi({{0, 480, 64, 100}}, 480));
        notMidi = (dir.path() / "noise.mid").string();
        audiotest::writeFile(notMidi, {'R', 'I', 'F', 'F'});
    }

    audiotest::ScratchDir dir;
    std::string midi, spaced, notMidi;
    RecordingDevice device;
    plat::MusicInterpreter music{device};
};

TEST_F(MusicCommands, OpenPlayCloseReachTheDeviceWithTheirWordsAndAliasRules)
{
    EXPECT_EQ(music.run("open \"" + spaced + "\" type sequencer alias MUSIC"), MusicResult::Ok);
    EXPECT_EQ(music.run("play MUSIC from 0 notify"), MusicResult::Ok);
    ASSERT_EQ(music.aliases().size(), 1u);
    EXPECT_TRUE(music.aliases()[0].playing && music.aliases()[0].notify && !music.aliases()[0].repeat);
    EXPECT_EQ(music.run("play music repeat"), MusicResult::Ok); // words are case-insensitive
    EXPECT_TRUE(music.aliases()[0].repeat);
    EXPECT_EQ(music.run("open " + midi + " alias A type sequencer"), MusicResult::Ok); // any order, unquoted
    EXPECT_EQ(music.run("open \"" + spaced + "\" type sequencer alias a"), MusicResult::AliasInUse);
    EXPECT_EQ(music.run("play C"), MusicResult::UnknownAlias);
    EXPECT_EQ(music.run("close C"), MusicResult::UnknownAlias);
    EXPECT_EQ(music.run("open \"" + midi + ".missing\" type sequencer alias C"), MusicResult::FileNotFound);
    EXPECT_EQ(music.run("open \"" + notMidi + "\" type sequencer alias C"), MusicResult::NotMidi);
    device.openResult = MusicResult::Failed;
    EXPECT_EQ(music.run("open \"" + midi + "\" type sequencer alias C"), MusicResult::Failed);
    EXPECT_EQ(music.aliases().size(), 2u); // failed opens leave no alias behind
    EXPECT_EQ(music.run("  CLOSE   Music "), MusicResult::Ok);
    const std::vector<std::string> expected = {"open MUSIC " + spaced, "play MUSIC from 0", "play MUSIC repeat",
                                               "open A " + midi, "open C " + midi, "close MUSIC"};
    EXPECT_EQ(device.calls, expected);
    music.closeAll();
    EXPECT_TRUE(music.aliases().empty());
}

TEST_F(MusicCommands, MalformedCommandsAreRefusedWithoutReachingTheDevice)
{
    ASSERT_EQ(music.run("open \"" + midi + "\" type sequencer alias M"), MusicResult::Ok);
    device.calls.clear();
    const std::vector<std::pair<std::string, MusicResult>> cases = {
        {"", MusicResult::UnknownCommand},
        {"   ", MusicResult::UnknownCommand},
        {"pause M", MusicResult::UnknownCommand},
        {"open \"" + midi + " type sequencer alias X", MusicResult::BadCommand}, // open quote
        {"open \"" + midi + "\" type sequencer", MusicResult::BadCommand},
        {"open \"" + midi + "\" type waveaudio alias X", MusicResult::BadCommand},
        {"open \"" + midi + "\" type sequencer alias X extra", MusicResult::BadCommand},
        {"open \"" + midi + "\" type sequencer type sequencer", MusicResult::BadCommand},
        {"open \"\" type sequencer alias X", MusicResult::BadCommand},
        {"play", MusicResult::BadCommand},
        {"play M from", MusicResult::BadCommand},
        {"play M from -1", MusicResult::BadCommand},
        {"play M from 12x", MusicResult::BadCommand},
        {"play M from 99999999999", MusicResult::BadCommand},
        {"play M repeat repeat", MusicResult::BadCommand},
        {"play M loudly", MusicResult::BadCommand},
        {"close", MusicResult::BadCommand},
        {"close M now", MusicResult::BadCommand},
    };
    for (const auto& [command, result] : cases)
        EXPECT_EQ(music.run(command), result) << command;
    EXPECT_TRUE(device.calls.empty());
    EXPECT_EQ(music.run("play M from 1500 repeat notify"), MusicResult::Ok);
    EXPECT_EQ(device.calls.back(), "play M from 1500 repeat");
}

} // namespace
