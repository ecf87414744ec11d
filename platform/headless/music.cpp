// Headless music: commands are interpreted as on a player's machine, logged, and play nothing.
#include "platform/headless/music.h"

#include "platform/audio_backend.h"
#include "platform/clock.h"

namespace plat {
namespace {

// The headless device accepts every valid command; it is absent only when the test says
// the machine has no sound device.
class HeadlessMusicDevice final : public MusicDevice {
public:
    MusicResult open(const std::string&, const std::string&) override
    {
        return headlessSoundDeviceAvailable() ? MusicResult::Ok : MusicResult::NoDevice;
    }
    MusicResult play(const std::string&, std::optional<uint32_t>, bool) override { return MusicResult::Ok; }
    void close(const std::string&) override {}
};

std::vector<headless::MusicLogEntry>& log()
{
    static auto* entries = new std::vector<headless::MusicLogEntry>;
    return *entries;
}

} // namespace

MusicInterpreter& headlessMusicInterpreter()
{
    static auto* device = new HeadlessMusicDevice;
    static auto* interpreter = new MusicInterpreter(*device);
    return *interpreter;
}

void recordHeadlessMusicCommand(std::string_view command, MusicResult result)
{
    log().push_back({tickCount(), std::string(command), result});
}

namespace headless {

const std::vector<MusicLogEntry>& musicLog() { return log(); }
void clearMusicLog() { log().clear(); }
const std::vector<MusicAlias>& musicAliases() { return headlessMusicInterpreter().aliases(); }

void resetMusic()
{
    headlessMusicInterpreter().closeAll();
    log().clear();
}

} // namespace headless
} // namespace plat
