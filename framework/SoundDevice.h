// The game's sound device: the platform's audio output, bound to the game's window.
#pragma once

#include "platform/sound.h"
#include "platform/window.h"

#include <cstdint>

class SoundDevice {
public:
    SoundDevice() = default;
    virtual ~SoundDevice();
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    // Opens the output for the window (its handle) -> 0, 16 without an audio device, 17 when
    // the window does not exist. A failed create leaves the device unusable and silent.
    [[nodiscard]] int create(plat::WindowId window);

    // Set while no usable device exists.
    [[nodiscard]] bool unavailable() const { return unavailable_; }
    // The open output, 0 when there is none.
    [[nodiscard]] plat::SoundDeviceHandle directSound() const { return directSound_; }

private:
    void close();

    bool unavailable_ = true;
    plat::SoundDeviceHandle directSound_ = 0;
};
