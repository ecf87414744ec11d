// Headless music: commands are interpreted as on a player's machine, logged, and play nothing.
#include "platform/headless/music.h"

#include "platform/audio_backend.h"
#include "platform/clock.h"
#include "platform/headless/sound.h"

namespace plat {
namespace {

std::vector<headless::MusicLogEntry>& log()
{
    static auto* entries = new std::vector<headless::MusicLogEntry>;
    return *entries;
}

// The headless device accepts every valid command; it is absent only when the test says
// the machine has no sound device.
class HeadlessMusicDevice final : public MusicDevice {
public:
    MusicResult open(const std::string&, const std::string&) override
    {
        return headless::soundDeviceAvailable() ? MusicResult::Ok : MusicResult::NoDevice;
    }
    MusicResult play(const std::string&, std::optional<uint32_t>, bool) override { return MusicResult::Ok; }
    void close(const std::string&) override {}
    void record(std::string_view command, MusicResult result) override
    {
        log().push_back({tickCount(), std::string(command), result});
    }
};

// The one interpreter, shared by the music area and the controls below.
MusicInterpreter& interpreter()
{
    static auto* device = new HeadlessMusicDevice;
    static auto* music = new MusicInterpreter(*device);
    return *music;
}

} // namespace

MusicInterpreter* makeHeadlessMusicInterpreter() { return &interpreter(); }

namespace headless {

const std::vector<MusicLogEntry>& musicLog() { return log(); }
const std::vector<MusicAlias>& musicAliases() { return interpreter().aliases(); }

void resetMusic()
{
    interpreter().closeAll();
    log().clear();
}

} // namespace headless
} // namespace plat
