// The headless sound device: voices play for their own duration of virtual time, and every
// operation is logged for tests.
#include "platform/headless/sound.h"

#include "platform/audio_backend.h"
#include "platform/clock.h"

#include <algorithm>
#include <set>

namespace plat {
namespace {

class HeadlessSound final : public SoundBackend {
public:
    bool openDevice() override
    {
        if (!available)
            return false;
        lastTick = tickCount();
        remainder = 0;
        return true;
    }
    void closeDevice() override {}
    void lock() override {}
    void unlock() override {}
    VoiceTable& voices() override { return table; }

    void catchUp() override
    {
        const uint32_t now = tickCount();
        const uint64_t scaled = uint64_t{now - lastTick} * deviceFramesPerSecond + remainder;
        lastTick = now;
        remainder = scaled % 1000;
        table.advance(static_cast<size_t>(scaled / 1000), nullptr);
    }

    SoundResult intercept(SoundOp op) override
    {
        return failing.erase(op) ? SoundResult::Failed : SoundResult::Ok;
    }

    void record(SoundOp op, SoundBuffer buffer, SoundBuffer duplicateOf, int32_t volume,
                SoundResult result) override
    {
        log.push_back({tickCount(), buffer, duplicateOf, volume, op, result});
    }

    VoiceTable table;
    std::vector<headless::SoundLogEntry> log;
    std::set<SoundOp> failing;
    bool available = true;
    uint32_t lastTick = 0;
    uint64_t remainder = 0;
};

HeadlessSound& state()
{
    static HeadlessSound* sound = new HeadlessSound;
    return *sound;
}

} // namespace

SoundBackend* makeHeadlessSoundBackend() { return &state(); }

namespace headless {

bool soundDeviceAvailable() { return state().available; }

const std::vector<SoundLogEntry>& soundLog() { return state().log; }

void clearSoundLog() { state().log.clear(); }

size_t countSoundOps(SoundOp operation, SoundResult result)
{
    const auto& log = state().log;
    return static_cast<size_t>(std::count_if(log.begin(), log.end(), [&](const SoundLogEntry& e) {
        return e.operation == operation && e.result == result;
    }));
}

void setSoundDeviceAvailable(bool available) { state().available = available; }

void loseSoundBuffers()
{
    state().catchUp();
    state().table.loseAll();
}

void failNextSoundOperation(SoundOp operation) { state().failing.insert(operation); }

size_t liveSoundBuffers() { return state().table.size(); }

std::vector<int16_t> soundBufferSamples(SoundBuffer buffer)
{
    const Voice* voice = state().table.find(buffer);
    return voice ? *voice->samples : std::vector<int16_t>{};
}

void resetSound()
{
    closeEverySoundDevice();
    HeadlessSound& s = state();
    s.table.clear();
    s.log.clear();
    s.failing.clear();
    s.available = true;
}

} // namespace headless
} // namespace plat
