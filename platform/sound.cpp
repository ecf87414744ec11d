// Sound buffers: validation and device bookkeeping once, device work in the chosen backend.
#include "platform/sound.h"

#include "platform/audio_backend.h"
#include "platform/platform.h"

#include <set>

namespace plat {
namespace {

// Who holds the device open. Never destroyed: the game's global objects close the device
// from their own destructors at exit, in an order no other static here can be sure of.
struct Openings {
    std::set<SoundDeviceHandle> held;
    SoundDeviceHandle next = 1;
};

Openings& book()
{
    static auto* openings = new Openings;
    return *openings;
}

SoundBackend& backend() { return chosenBackend<SoundBackend, makeSdlSoundBackend, makeHeadlessSoundBackend>(); }

// The backend's lock for a scope: an allocation that fails inside must not leave the audio thread
// waiting on it for good.
class Locked {
public:
    explicit Locked(SoundBackend& b) : b_(b) { b_.lock(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    ~Locked() { b_.unlock(); }

private:
    SoundBackend& b_;
};

// Runs one buffer operation under the backend's lock and tells the backend about it.
template <class Operation>
SoundResult run(SoundOp op, SoundBuffer buffer, Operation&& operation)
{
    SoundBackend& b = backend();
    if (book().held.empty()) {
        b.record(op, buffer, 0, 0, SoundResult::NoDevice);
        return SoundResult::NoDevice;
    }
    const Locked locked(b);
    b.catchUp();
    SoundResult result = b.intercept(op);
    if (result == SoundResult::Ok)
        result = operation(b.voices(), buffer);
    const Voice* voice = b.voices().find(buffer);
    b.record(op, buffer, voice ? voice->duplicateOf : 0, voice ? voice->volume : 0, result);
    return result;
}

void closeDevice(SoundBackend& b)
{
    {
        const Locked locked(b);
        b.voices().clear();
    }
    b.closeDevice();
}

} // namespace

SoundResult openSoundDevice(SoundDeviceHandle& device)
{
    device = 0;
    SoundBackend& b = backend();
    SoundResult result = b.intercept(SoundOp::OpenDevice);
    if (result == SoundResult::Ok && book().held.empty() && !b.openDevice())
        result = SoundResult::NoDevice;
    if (result == SoundResult::Ok) {
        device = book().next++;
        book().held.insert(device);
    }
    b.record(SoundOp::OpenDevice, 0, 0, 0, result);
    return result;
}

void closeSoundDevice(SoundDeviceHandle device)
{
    SoundBackend& b = backend();
    if (book().held.erase(device) == 0)
        return;
    b.record(SoundOp::CloseDevice, 0, 0, 0, SoundResult::Ok);
    if (book().held.empty())
        closeDevice(b);
}

void closeEverySoundDevice()
{
    if (book().held.empty())
        return;
    book().held.clear();
    closeDevice(backend());
}

SoundResult createSoundBuffer(SoundDeviceHandle device, const PcmFormat& format, uint32_t bytes,
                              SoundBuffer& buffer)
{
    buffer = 0;
    if (!book().held.count(device)) {
        backend().record(SoundOp::Create, 0, 0, 0, SoundResult::NoDevice);
        return SoundResult::NoDevice;
    }
    SoundBackend& b = backend();
    const Locked locked(b);
    b.catchUp();
    SoundResult result = b.intercept(SoundOp::Create);
    if (result == SoundResult::Ok)
        result = b.voices().create(format, bytes, buffer);
    b.record(SoundOp::Create, buffer, 0, 0, result);
    return result;
}

SoundResult fillSoundBuffer(SoundBuffer buffer, const void* bytes, uint32_t size)
{
    return run(SoundOp::Fill, buffer,
               [&](VoiceTable& voices, SoundBuffer id) { return voices.fill(id, bytes, size); });
}

SoundResult duplicateSoundBuffer(SoundBuffer original, SoundBuffer& duplicate)
{
    duplicate = 0;
    SoundBackend& b = backend();
    if (book().held.empty()) {
        b.record(SoundOp::Duplicate, 0, original, 0, SoundResult::NoDevice);
        return SoundResult::NoDevice;
    }
    const Locked locked(b);
    b.catchUp();
    SoundResult result = b.intercept(SoundOp::Duplicate);
    if (result == SoundResult::Ok)
        result = b.voices().duplicate(original, duplicate);
    const Voice* voice = b.voices().find(duplicate);
    b.record(SoundOp::Duplicate, duplicate, voice ? voice->duplicateOf : original,
             voice ? voice->volume : 0, result);
    return result;
}

SoundResult setSoundVolume(SoundBuffer buffer, int32_t volume)
{
    return run(SoundOp::SetVolume, buffer,
               [&](VoiceTable& voices, SoundBuffer id) { return voices.setVolume(id, volume); });
}

SoundResult playSound(SoundBuffer buffer)
{
    return run(SoundOp::Play, buffer, [](VoiceTable& voices, SoundBuffer id) { return voices.play(id); });
}

SoundResult stopSound(SoundBuffer buffer)
{
    return run(SoundOp::Stop, buffer, [](VoiceTable& voices, SoundBuffer id) { return voices.stop(id); });
}

SoundResult rewindSound(SoundBuffer buffer)
{
    return run(SoundOp::Rewind, buffer,
               [](VoiceTable& voices, SoundBuffer id) { return voices.rewind(id); });
}

SoundResult soundStatus(SoundBuffer buffer, SoundStatus& status)
{
    status = {};
    return run(SoundOp::Status, buffer,
               [&](VoiceTable& voices, SoundBuffer id) { return voices.status(id, status); });
}

SoundResult restoreSoundBuffer(SoundBuffer buffer)
{
    return run(SoundOp::Restore, buffer,
               [](VoiceTable& voices, SoundBuffer id) { return voices.restore(id); });
}

void releaseSoundBuffer(SoundBuffer buffer)
{
    if (book().held.empty() || buffer == 0)
        return;
    SoundBackend& b = backend();
    const Locked locked(b);
    b.catchUp();
    if (const Voice* voice = b.voices().find(buffer)) {
        b.record(SoundOp::Release, buffer, voice->duplicateOf, voice->volume, SoundResult::Ok);
        b.voices().release(buffer);
    }
}

} // namespace plat
