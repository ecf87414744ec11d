// The music command interpreter shared by both backends: grammar and alias rules.
#include "platform/music_interpreter.h"
#include "tests/platform/audio_test_files.h"
#include "tests/support/seeded_rng.h"

#include <gtest/gtest.h>

#include <filesystem>
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
    // An unquoted name ends at a blank, so it is given from the working folder: that path leaves
    // out the folders above the clone, where a blank may be.
    const std::string unquoted = std::filesystem::relative(midi).string();
    ASSERT_EQ(unquoted.find(' '), std::string::npos) << unquoted;
    EXPECT_EQ(music.run("open " + unquoted + " alias A type sequencer"), MusicResult::Ok); // any order
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
                                               "open A " + unquoted, "open C " + midi, "close MUSIC"};
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

TEST_F(MusicCommands, FilesTheSynthesiserCannotPlayAreRefusedWithWhyAndNeverReachTheDevice)
{
    using Bytes = std::vector<uint8_t>;
    const Bytes good = audiotest::composeMidi({{0, 480, 60, 100}, {240, 480, 64, 90}}, 960);
    const auto with = [&good](std::size_t at, Bytes bytes) {
        Bytes b = good;
        std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
        return b;
    };
    const auto cut = [&good](std::size_t size) { return Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)); };
    Bytes noise(300);
    SeededRng{30}.fill(noise);
    // Two tracks with a chunk of another kind between them, running status, and bytes after
    // the last track: all a reader takes.
    Bytes twoTracks = with(8, {0, 1, 0, 2});
    twoTracks.insert(twoTracks.begin() + 14, {'X', 'y', 'z', 'w', 0, 0, 0, 2, 7, 7});
    const Bytes runningTrack = {0, 0x90, 60, 100, 10, 64, 100, 10, 60, 0, 0, 0xFF, 0x2F, 0};
    twoTracks.insert(twoTracks.end(), {'M', 'T', 'r', 'k', 0, 0, 0, static_cast<uint8_t>(runningTrack.size())});
    twoTracks.insert(twoTracks.end(), runningTrack.begin(), runningTrack.end());
    twoTracks.insert(twoTracks.end(), {1, 2, 3});
    const Bytes dataFirst = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 1, 0xE0, 'M', 'T', 'r', 'k', 0, 0, 0, 3, 0, 60, 100};
    const Bytes longNumber = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 1, 0xE0, 'M', 'T', 'r', 'k', 0, 0, 0, 8,
                              0, 0xFF, 1, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F};
    const struct {
        const char* what;
        Bytes bytes;
        MusicResult result;
        std::string why; // a part of the reason
    } cases[] = {
        {"a composed file", good, MusicResult::Ok, ""},
        {"two tracks around another chunk", twoTracks, MusicResult::Ok, ""},
        {"empty", {}, MusicResult::NotMidi, "the file is empty"},
        {"random bytes", noise, MusicResult::NotMidi, "does not begin with MThd"},
        {"cut in the header", cut(9), MusicResult::NotMidi, "the file ends inside its header"},
        {"cut before the track", cut(16), MusicResult::NotMidi, "the file ends before track 1 of 1"},
        {"cut inside the track", cut(good.size() - 3), MusicResult::NotMidi,
         "track 1 of 1 claims " + std::to_string(good.size() - 22) + " bytes where " + std::to_string(good.size() - 25) + " remain"},
        {"a huge track length", with(18, {0xFF, 0xFF, 0xFF, 0xFF}), MusicResult::NotMidi, "claims 4294967295 bytes"},
        {"a huge track count", with(10, {0xFF, 0xFF}), MusicResult::NotMidi, "the file ends before track 2 of 65535"},
        {"a huge header length", with(4, {0x7F, 0xFF, 0xFF, 0xFF}), MusicResult::NotMidi, "its header claims 2147483647 bytes, not 6"},
        {"format 3", with(8, {0, 3}), MusicResult::NotMidi, "format 3"},
        {"no tracks", with(10, {0, 0}), MusicResult::NotMidi, "it holds no track"},
        {"SMPTE time", with(12, {0xE7, 0x28}), MusicResult::NotMidi, "SMPTE"},
        {"a data byte first", dataFirst, MusicResult::NotMidi, "track 1 of 1 holds a data byte where an event should begin"},
        {"a five-byte length", longNumber, MusicResult::NotMidi, "track 1 of 1 ends inside an event"},
    };
    for (const auto& c : cases) {
        const std::string path = (dir.path() / "case.mid").string();
        audiotest::writeFile(path, c.bytes);
        device.calls.clear();
        EXPECT_EQ(music.run("open \"" + path + "\" type sequencer alias X"), c.result) << c.what;
        EXPECT_NE(music.lastError().find(c.why), std::string::npos) << c.what << ": " << music.lastError();
        EXPECT_EQ(device.calls.size(), c.result == MusicResult::Ok ? 1u : 0u) << c.what;
        if (c.result == MusicResult::Ok) {
            EXPECT_EQ(music.run("close X"), MusicResult::Ok);
        }
    }
    // Whatever is no regular file is refused before a read could wait on it.
    std::filesystem::create_directory(dir.path() / "folder.mid");
    EXPECT_EQ(music.run("open \"" + (dir.path() / "folder.mid").string() + "\" type sequencer alias X"), MusicResult::NotMidi);
    EXPECT_EQ(music.lastError(), "not a regular file");
    EXPECT_EQ(music.run("open \"" + midi + ".missing\" type sequencer alias X"), MusicResult::FileNotFound);
    EXPECT_EQ(music.lastError(), "No such file or directory");
    EXPECT_EQ(music.run("play NOBODY"), MusicResult::UnknownAlias);
    EXPECT_EQ(music.lastError(), "no such alias is open");
    EXPECT_EQ(music.run("open \"" + midi + "\" type sequencer alias X"), MusicResult::Ok);
    EXPECT_EQ(music.lastError(), "");
}

} // namespace
