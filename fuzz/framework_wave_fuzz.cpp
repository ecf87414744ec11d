// Fuzz target: the WAVE chunk walk and Sound's loading of what it finds, on the headless device.
#include "framework/Sound.h"
#include "framework/SoundDevice.h"
#include "framework/WaveFile.h"
#include "framework/Window.h"
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
    WaveChunks chunks;
    if (parseWave(data, size, chunks)) {
        if ((chunks.hasFormat && chunks.formatOffset + chunks.formatSize > size) ||
            (chunks.hasData && chunks.dataOffset + chunks.dataSize > size))
            std::abort();
    }
    Sound sound;
    (void)sound.loadFromMemory(device, data, 3, size);
    (void)sound.play(0, nullptr);
    (void)sound.stopAll();
    return 0;
}
