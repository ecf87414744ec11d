// Sound device: opens and closes the platform's audio output.
#include "framework/SoundDevice.h"

#include "framework/Result.h"

SoundDevice::~SoundDevice() { close(); }

void SoundDevice::close()
{
    if (directSound_)
        plat::closeSoundDevice(directSound_);
    directSound_ = 0;
}

int SoundDevice::create(plat::WindowId window)
{
    unavailable_ = true;
    close();
    if (plat::openSoundDevice(directSound_) != plat::SoundResult::Ok) {
        directSound_ = 0;
        return FrameworkResult::SoundDevice;
    }
    if (!plat::isWindow(window)) {
        close();
        return FrameworkResult::SoundCooperativeLevel;
    }
    unavailable_ = false;
    return FrameworkResult::Ok;
}
