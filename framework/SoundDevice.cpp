// Sound device: opens and closes the platform's audio output.
#include "framework/SoundDevice.h"

#include "framework/ResultCodes.h"

SoundDevice::~SoundDevice() { close(); }

void SoundDevice::close()
{
    if (output_)
        plat::closeSoundDevice(output_);
    output_ = 0;
}

int SoundDevice::create(uint32_t window)
{
    unavailable_ = true;
    close();
    if (plat::openSoundDevice(output_) != plat::SoundResult::Ok) {
        output_ = 0;
        return rc::SoundDeviceCreation;
    }
    if (window == 0) {
        close();
        return rc::SoundCooperativeLevel;
    }
    unavailable_ = false;
    return rc::Ok;
}
