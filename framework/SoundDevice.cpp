// Sound device: opens and closes the platform's audio output.
#include "framework/SoundDevice.h"

#include "framework/Result.h"

SoundDevice::~SoundDevice() { close(); }

void SoundDevice::close()
{
    if (output_)
        plat::closeSoundDevice(output_);
    output_ = 0;
}

int SoundDevice::create(plat::WindowId window)
{
    unavailable_ = true;
    close();
    if (plat::openSoundDevice(output_) != plat::SoundResult::Ok) {
        output_ = 0;
        return FrameworkResult::SoundDevice;
    }
    if (!plat::isWindow(window)) {
        close();
        return FrameworkResult::SoundCooperativeLevel;
    }
    unavailable_ = false;
    return FrameworkResult::Ok;
}
