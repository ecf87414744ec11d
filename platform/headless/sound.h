// Test controls of the headless sound device: the operation log, device absence, lost buffers.
#pragma once

#include "platform/sound.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat::headless {

struct SoundLogEntry {
    uint32_t tick = 0;           // virtual clock when the operation ran
    SoundBuffer buffer = 0;      // 0 for device operations and failed creations
    SoundBuffer duplicateOf = 0; // the buffer whose samples it shares, 0 for an original
    int32_t volume = 0;          // the buffer's volume after the operation
    SoundOp operation = SoundOp::Status;
    SoundResult result = SoundResult::Ok;
};

// Every sound operation since the last clear, in order.
[[nodiscard]] const std::vector<SoundLogEntry>& soundLog();
void clearSoundLog();
// Entries of one operation with a given result, the usual question of a test.
[[nodiscard]] size_t countSoundOps(SoundOp operation, SoundResult result = SoundResult::Ok);

// While false, opening the device answers NoDevice (a machine without a sound card).
void setSoundDeviceAvailable(bool available);
// Whether the machine has a sound device (the headless sound and music agree on it).
[[nodiscard]] bool soundDeviceAvailable();
// Every buffer loses its samples and reports lost until restored and refilled.
void loseSoundBuffers();
// The next operation of this kind fails with Failed without running.
void failNextSoundOperation(SoundOp operation);
[[nodiscard]] size_t liveSoundBuffers();
// Device samples of a buffer (interleaved stereo, 44.1 kHz); empty for no such buffer.
[[nodiscard]] std::vector<int16_t> soundBufferSamples(SoundBuffer buffer);

// Back to a fresh process: device closed, buffers gone, log and faults cleared, device present.
void resetSound();

} // namespace plat::headless
