// Wave sound buffers: creation, duplicates, volume, play once, stop, rewind, status, restore.
#pragma once

#include <cstdint>

namespace plat {

// What a caller's PCM data looks like; only PCM (tag 1), 8 or 16 bits, 1 or 2 channels and
// 100 to 200,000 frames per second are accepted.
struct PcmFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t framesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
};

enum class SoundResult {
    Ok,
    NoDevice,       // no usable output device (or the device handle is closed)
    InvalidFormat,  // the PCM format cannot be played
    InvalidParam,   // a size or volume out of range
    InvalidHandle,  // not a live buffer of an open device
    BufferLost,     // the buffer lost its samples; restore and refill it first
    Failed,         // the operation failed for another reason
};

// A buffer of an open device; 0 is never a buffer.
using SoundBuffer = uint32_t;
// An open output device; 0 is never a device.
using SoundDeviceHandle = uint32_t;

// The operations below, by name, for logs.
enum class SoundOp {
    OpenDevice, CloseDevice, Create, Fill, Duplicate, SetVolume, Play, Stop, Rewind, Status,
    Restore, Release,
};

struct SoundStatus {
    bool playing = false;
    bool lost = false;
};

// The device format every buffer is converted to once, when it is filled.
inline constexpr uint32_t deviceFramesPerSecond = 44100;
inline constexpr int deviceChannels = 2;

// Volumes are hundredths of a decibel: 0 is full, -10000 silence, anything else is refused.
inline constexpr int32_t volumeMin = -10000;
inline constexpr int32_t volumeMax = 0;

// Opens the output device (counted: every open needs its close). NoDevice when there is no
// sound card or the audio driver cannot be used; that is a normal state, not a fault.
[[nodiscard]] SoundResult openSoundDevice(SoundDeviceHandle& device);
// Closes one opening; the last close stops and releases every buffer of the device.
void closeSoundDevice(SoundDeviceHandle device);

// A silent buffer of the given byte size (whole frames of the format are kept; 4 bytes at least).
[[nodiscard]] SoundResult createSoundBuffer(SoundDeviceHandle device, const PcmFormat& format,
                                            uint32_t bytes, SoundBuffer& buffer);
// Writes the buffer's samples from PCM bytes in its own format, from its start; bytes beyond
// the buffer's size are ignored, missing ones stay silent. BufferLost while the buffer is lost.
[[nodiscard]] SoundResult fillSoundBuffer(SoundBuffer buffer, const void* bytes, uint32_t size);
// A new buffer sharing the samples of another, with its own position, volume and state.
[[nodiscard]] SoundResult duplicateSoundBuffer(SoundBuffer original, SoundBuffer& duplicate);
[[nodiscard]] SoundResult setSoundVolume(SoundBuffer buffer, int32_t volume);
// Plays once from the current position; a finished buffer stands at its start again.
[[nodiscard]] SoundResult playSound(SoundBuffer buffer);
[[nodiscard]] SoundResult stopSound(SoundBuffer buffer);
// Puts the position back to the start (the buffer keeps playing when it was).
[[nodiscard]] SoundResult rewindSound(SoundBuffer buffer);
[[nodiscard]] SoundResult soundStatus(SoundBuffer buffer, SoundStatus& status);
// Makes a lost buffer usable again; its samples must then be filled anew.
[[nodiscard]] SoundResult restoreSoundBuffer(SoundBuffer buffer);
// Stops and frees the buffer; its duplicates keep the shared samples.
void releaseSoundBuffer(SoundBuffer buffer);

} // namespace plat
