// Voice bookkeeping: the one place that knows what a sound buffer is, whichever backend plays it.
#include "platform/voice_table.h"

#include "platform/pcm.h"

#include <algorithm>
#include <new>

namespace plat {

Voice* VoiceTable::lookup(SoundBuffer buffer)
{
    auto it = voices_.find(buffer);
    return it == voices_.end() ? nullptr : &it->second;
}

const Voice* VoiceTable::find(SoundBuffer buffer) const
{
    auto it = voices_.find(buffer);
    return it == voices_.end() ? nullptr : &it->second;
}

SoundResult VoiceTable::create(const PcmFormat& format, uint32_t bytes, SoundBuffer& buffer)
{
    buffer = 0;
    if (pcmFormatProblem(format))
        return SoundResult::InvalidFormat;
    const uint64_t frames = deviceFramesFor(format, bytes);
    if (bytes < 4 || frames == 0 || frames > maxDeviceFrames)
        return SoundResult::InvalidParam;
    Voice voice;
    try {
        voice.samples = std::make_shared<std::vector<int16_t>>(frames * 2, int16_t{0});
    } catch (const std::bad_alloc&) {
        return SoundResult::Failed;
    }
    voice.format = format;
    voice.bytes = bytes;
    buffer = next_++;
    voices_.emplace(buffer, std::move(voice));
    return SoundResult::Ok;
}

SoundResult VoiceTable::fill(SoundBuffer buffer, const void* bytes, uint32_t size)
{
    Voice* voice = lookup(buffer);
    if (!voice)
        return SoundResult::InvalidHandle;
    if (voice->lost)
        return SoundResult::BufferLost;
    if (!bytes && size > 0)
        return SoundResult::InvalidParam;
    std::vector<int16_t>& samples = *voice->samples;
    convertToDevice(voice->format, static_cast<const uint8_t*>(bytes), std::min(size, voice->bytes),
                    samples.data(), samples.size() / 2);
    return SoundResult::Ok;
}

SoundResult VoiceTable::duplicate(SoundBuffer original, SoundBuffer& copy)
{
    copy = 0;
    const Voice* source = lookup(original);
    if (!source)
        return SoundResult::InvalidHandle;
    Voice voice;
    voice.samples = source->samples;
    voice.format = source->format;
    voice.bytes = source->bytes;
    voice.duplicateOf = source->duplicateOf ? source->duplicateOf : original;
    voice.volume = source->volume;
    voice.gain = source->gain;
    voice.lost = source->lost;
    copy = next_++;
    voices_.emplace(copy, std::move(voice));
    return SoundResult::Ok;
}

SoundResult VoiceTable::setVolume(SoundBuffer buffer, int32_t volume)
{
    Voice* voice = lookup(buffer);
    if (!voice)
        return SoundResult::InvalidHandle;
    if (volume < volumeMin || volume > volumeMax)
        return SoundResult::InvalidParam;
    voice->volume = volume;
    voice->gain = gainFromVolume(volume);
    return SoundResult::Ok;
}

SoundResult VoiceTable::play(SoundBuffer buffer)
{
    Voice* voice = lookup(buffer);
    if (!voice)
        return SoundResult::InvalidHandle;
    if (voice->lost)
        return SoundResult::BufferLost;
    voice->playing = true;
    return SoundResult::Ok;
}

SoundResult VoiceTable::stop(SoundBuffer buffer)
{
    Voice* voice = lookup(buffer);
    if (!voice)
        return SoundResult::InvalidHandle;
    voice->playing = false;
    return SoundResult::Ok;
}

SoundResult VoiceTable::rewind(SoundBuffer buffer)
{
    Voice* voice = lookup(buffer);
    if (!voice)
        return SoundResult::InvalidHandle;
    voice->position = 0;
    return SoundResult::Ok;
}

SoundResult VoiceTable::status(SoundBuffer buffer, SoundStatus& status) const
{
    status = {};
    const Voice* voice = find(buffer);
    if (!voice)
        return SoundResult::InvalidHandle;
    status.playing = voice->playing;
    status.lost = voice->lost;
    return SoundResult::Ok;
}

SoundResult VoiceTable::restore(SoundBuffer buffer)
{
    Voice* voice = lookup(buffer);
    if (!voice)
        return SoundResult::InvalidHandle;
    voice->lost = false;
    return SoundResult::Ok;
}

void VoiceTable::release(SoundBuffer buffer) { voices_.erase(buffer); }

void VoiceTable::clear() { voices_.clear(); }

void VoiceTable::advance(size_t frames, int32_t* accumulator)
{
    for (auto& [id, voice] : voices_) {
        if (!voice.playing)
            continue;
        const std::vector<int16_t>& samples = *voice.samples;
        const size_t length = samples.size() / 2;
        const size_t count = std::min(frames, length - std::min(voice.position, length));
        if (accumulator) {
            const int16_t* from = samples.data() + voice.position * 2;
            for (size_t i = 0; i < count * 2; ++i)
                accumulator[i] += static_cast<int32_t>((int64_t{from[i]} * voice.gain) >> 16);
        }
        voice.position += count;
        if (voice.position >= length) {
            // A one-shot buffer that ran out stands at its start, ready to play again.
            voice.playing = false;
            voice.position = 0;
        }
    }
}

void VoiceTable::loseAll()
{
    for (auto& [id, voice] : voices_) {
        voice.lost = true;
        voice.playing = false;
        std::fill(voice.samples->begin(), voice.samples->end(), int16_t{0});
    }
}

void saturateInto(const int32_t* accumulator, int16_t* out, size_t frames)
{
    for (size_t i = 0; i < frames * 2; ++i)
        out[i] = static_cast<int16_t>(std::clamp(accumulator[i], -32768, 32767));
}

} // namespace plat
