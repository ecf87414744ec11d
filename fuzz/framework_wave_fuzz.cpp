// Fuzz target: a WAVE file image read by Sound::loadFromMemory on the headless device (the chunk
// walk, the format checks and the conversion to device samples), then played and stopped.
// Sound::load only reads the file into memory first; a file per input costs more than the rest.
#include "framework/Sound.h"
#include "framework/SoundDevice.h"
#include "framework/WaveFile.h"
#include "framework/Window.h"
#include "platform/headless/sound.h"
#include "platform/platform.h"

#include <cstdint>
#include <cstdlib>

namespace {
SoundDevice* openDevice()
{
    plat::setBackendKind(plat::BackendKind::Headless);
    static Window window;
    static SoundDevice device;
    if (!window.create("Velmoor", nullptr, nullptr, WindowStylePopup, 0, 0, 800, 600) ||
        device.create(window.handle) != 0)
        std::abort();
    return &device;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static SoundDevice* device = openDevice();
    // The chunks found must lie inside the file.
    WaveChunks chunks;
    if (parseWave(data, size, chunks)) {
        if ((chunks.hasFormat && chunks.formatOffset + chunks.formatSize > size) ||
            (chunks.hasData && chunks.dataOffset + chunks.dataSize > size))
            std::abort();
    }
    {
        Sound sound;
        (void)sound.loadFromMemory(device, data, 3, size);
        (void)sound.play(0, nullptr);
        (void)sound.play(0, nullptr);
        (void)sound.stopAll();
    }
    // The device's operation log would otherwise grow with every input.
    plat::headless::clearSoundLog();
    return 0;
}
