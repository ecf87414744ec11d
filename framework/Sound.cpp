// Wave sounds: load a file, make its voices, play on the first free one.
#include "framework/Sound.h"

#include "framework/DataFile.h"
#include "framework/Result.h"
#include "framework/SoundDevice.h"
#include "platform/pcm.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace {

// Files beyond this cannot be a sound the device would take (its buffers stop at 256 MB).
constexpr uint64_t maxFileSize = uint64_t{1} << 29;

uint16_t readU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t readU32(const uint8_t* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

constexpr const char* endsInHeader = "the file ends inside its header";

// Why parseWave refused the bytes; "" when they do not start as a RIFF WAVE file at all.
std::string refusedWave(const std::vector<uint8_t>& bytes)
{
    const auto startsAs = [&](size_t at, const char* id) {
        return at >= bytes.size() || std::memcmp(bytes.data() + at, id, std::min<size_t>(4, bytes.size() - at)) == 0;
    };
    if (bytes.empty() || !startsAs(0, "RIFF") || !startsAs(8, "WAVE"))
        return {};
    return bytes.size() < 12 ? endsInHeader : "its 'fmt ' chunk is too short";
}

} // namespace

Sound::~Sound() { release(); }

plat::SoundBuffer Sound::voiceBuffer(int voice) const
{
    return voice >= 0 && voice < voiceCount() ? voices_[static_cast<size_t>(voice)].buffer : 0;
}

bool Sound::hasOutput() const { return device_ && device_->directSound() != 0; }

int Sound::load(SoundDevice* device, const char* path, int voices)
{
    if (!device || device->directSound() == 0)
        return FrameworkResult::NoSoundDevice;
    setDataFileDamage({});
    std::vector<uint8_t> bytes;
    if (const DataFileStatus status = readDataFile(path, MaxDataFileBytes, bytes); !status.ok())
        return status.outOfMemory ? FrameworkResult::NoMemory : FrameworkResult::FileOpen;
    return loadFromMemory(device, bytes.data(), voices, bytes.size());
}

int Sound::loadFromFile(SoundDevice* device, std::FILE* file, int voices, uint64_t size)
{
    if (!device)
        return FrameworkResult::NoSoundDevice;
    if (!file || size > maxFileSize)
        return FrameworkResult::NoMemory;
    std::vector<uint8_t> block;
    try {
        block.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return FrameworkResult::NoMemory;
    }
    // A file shorter than it claimed gives what it holds; the walk copes with the rest.
    const size_t got = block.empty() ? 0 : std::fread(block.data(), 1, block.size(), file);
    return loadFromMemory(device, block.data(), voices, got);
}

int Sound::loadFromMemory(SoundDevice* device, const void* bytes, int voices, uint64_t size)
{
    release();
    setDataFileDamage({});
    device_ = device;
    if (!hasOutput())
        return FrameworkResult::NoSoundDevice;
    if (size > maxFileSize || (!bytes && size > 0))
        return FrameworkResult::NoMemory;
    const int count = std::max(voices, 1);
    if (count > maxVoices)
        return FrameworkResult::SoundBuffer;
    try {
        const auto* first = static_cast<const uint8_t*>(bytes);
        fileCopy.assign(first, first + size);
        voices_.assign(static_cast<size_t>(count), Voice{});
    } catch (const std::bad_alloc&) {
        fileCopy.clear();
        return FrameworkResult::NoMemory;
    }
    if (!parseWave(fileCopy.data(), fileCopy.size(), chunks_)) {
        setDataFileDamage(refusedWave(fileCopy));
        return FrameworkResult::NotWave;
    }
    const int result = createVoices();
    if (result == FrameworkResult::Ok && chunks_.dataCut)
        setDataFileDamage("the file ends inside its samples");
    return result;
}

int Sound::createVoices()
{
    for (const auto& [has, name] : {std::pair{chunks_.hasFormat, "'fmt '"}, std::pair{chunks_.hasData, "'data'"}}) {
        if (!has) {
            setDataFileDamage(chunks_.cut ? std::string(endsInHeader) + ", before its " + name + " chunk"
                                          : std::string("no ") + name + " chunk");
            return FrameworkResult::SoundBuffer;
        }
    }
    // Below 16 bytes the format has no sample size, so it cannot describe PCM.
    if (chunks_.formatSize < 16) {
        setDataFileDamage("its 'fmt ' chunk is too short");
        return FrameworkResult::SoundBuffer;
    }
    const uint8_t* f = fileCopy.data() + chunks_.formatOffset;
    plat::PcmFormat format;
    format.formatTag = readU16(f);
    format.channels = readU16(f + 2);
    format.framesPerSecond = readU32(f + 4);
    format.blockAlign = readU16(f + 12);
    format.bitsPerSample = readU16(f + 14);
    Voice& first = voices_[0];
    const plat::SoundResult created = plat::createSoundBuffer(
        device_->directSound(), format, static_cast<uint32_t>(chunks_.dataSize), first.buffer);
    if (created != plat::SoundResult::Ok) {
        first.buffer = 0;
        if (const char* problem = plat::pcmFormatProblem(format))
            setDataFileDamage(std::string("a sample format the game cannot play: ") + problem);
        else if (created == plat::SoundResult::InvalidParam)
            setDataFileDamage(chunks_.dataSize < 4 || plat::deviceFramesFor(format, chunks_.dataSize) == 0
                                  ? "too few samples in its 'data' chunk"
                                  : "longer than a sound may be");
        return FrameworkResult::SoundBuffer;
    }
    if (!fillVoice(first)) {
        plat::releaseSoundBuffer(first.buffer);
        first.buffer = 0;
        return FrameworkResult::SoundBufferFill;
    }
    for (size_t i = 1; i < voices_.size(); ++i) {
        if (plat::duplicateSoundBuffer(first.buffer, voices_[i].buffer) != plat::SoundResult::Ok) {
            voices_[i].buffer = 0;
            return FrameworkResult::SoundBuffer;
        }
    }
    return FrameworkResult::Ok;
}

bool Sound::fillVoice(const Voice& voice)
{
    if (!voice.buffer || !chunks_.hasData || chunks_.dataSize == 0)
        return false;
    return plat::fillSoundBuffer(voice.buffer, fileCopy.data() + chunks_.dataOffset,
                                 static_cast<uint32_t>(chunks_.dataSize)) == plat::SoundResult::Ok;
}

int Sound::findFreeVoice()
{
    for (size_t i = 0; i < voices_.size(); ++i) {
        Voice& voice = voices_[i];
        // Voices without a buffer are what a failed load leaves behind.
        if (voice.reserved || !voice.buffer)
            continue;
        plat::SoundStatus status;
        if (plat::soundStatus(voice.buffer, status) != plat::SoundResult::Ok)
            continue;
        if (status.lost) {
            if (plat::restoreSoundBuffer(voice.buffer) != plat::SoundResult::Ok || !fillVoice(voice))
                continue;
            status.playing = false;
        }
        if (!status.playing)
            return static_cast<int>(i);
    }
    return -1;
}

int Sound::play(int32_t volume, int* voiceOut)
{
    if (voiceOut)
        *voiceOut = -1;
    if (!hasOutput())
        return FrameworkResult::NoSoundDevice;
    if (device_->unavailable())
        return FrameworkResult::Ok;
    const int index = findFreeVoice();
    if (index < 0)
        return FrameworkResult::NoFreeVoice;
    Voice& voice = voices_[static_cast<size_t>(index)];
    if (plat::setSoundVolume(voice.buffer, volume) != plat::SoundResult::Ok)
        return FrameworkResult::Volume;
    if (plat::playSound(voice.buffer) != plat::SoundResult::Ok)
        return FrameworkResult::Play;
    if (voiceOut) {
        voice.reserved = true;
        *voiceOut = index;
    }
    return FrameworkResult::Ok;
}

int Sound::stopAll()
{
    if (!hasOutput())
        return FrameworkResult::NoSoundDevice;
    for (Voice& voice : voices_) {
        if (voice.buffer) {
            (void)plat::stopSound(voice.buffer);
            (void)plat::rewindSound(voice.buffer);
        }
        voice.reserved = false;
    }
    return FrameworkResult::Ok;
}

void Sound::release()
{
    if (device_) {
        stopAll();
        for (Voice& voice : voices_)
            if (voice.buffer)
                plat::releaseSoundBuffer(voice.buffer);
    }
    voices_.clear();
    fileCopy.clear();
    chunks_ = {};
    device_ = nullptr;
}
