// Helpers for the audio tests: composed MIDI files, WAV writing, a scratch folder.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace audiotest {

struct Note {
    uint32_t start;   // ticks
    uint32_t length;  // ticks
    uint8_t key;
    uint8_t velocity;
    uint8_t channel = 0;
};

inline void putVarLen(std::vector<uint8_t>& out, uint32_t value)
{
    int shift = 28;
    while (shift > 0 && !(value >> shift))
        shift -= 7;
    for (; shift > 0; shift -= 7)
        out.push_back(uint8_t(((value >> shift) & 0x7F) | 0x80));
    out.push_back(uint8_t(value & 0x7F));
}

inline void putU16(std::vector<uint8_t>& out, uint32_t v) { out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)}); }
inline void putU32(std::vector<uint8_t>& out, uint32_t v)
{
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

// A format-0 Standard MIDI File, 480 ticks per quarter at 120 beats per minute; the track
// ends at `endTick` (so a looping player starts over there). Programs are set per channel.
inline std::vector<uint8_t> composeMidi(const std::vector<Note>& notes, uint32_t endTick,
                                        const std::vector<std::pair<uint8_t, uint8_t>>& programs = {{0, 0}})
{
    struct Event { uint32_t tick; int order; std::vector<uint8_t> bytes; };
    std::vector<Event> events = {{0, 0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}}};
    for (auto [channel, program] : programs)
        events.push_back({0, 1, {uint8_t(0xC0 | channel), program}});
    for (const Note& n : notes) {
        events.push_back({n.start, 3, {uint8_t(0x90 | n.channel), n.key, n.velocity}});
        events.push_back({n.start + n.length, 2, {uint8_t(0x80 | n.channel), n.key, 0}});
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::vector<uint8_t> track;
    uint32_t now = 0;
    for (const Event& e : events) {
        putVarLen(track, e.tick - now);
        now = e.tick;
        track.insert(track.end(), e.bytes.begin(), e.bytes.end());
    }
    putVarLen(track, endTick > now ? endTick - now : 0);
    for (uint8_t b : {0xFF, 0x2F, 0x00})
        track.push_back(b);
    std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0, 'M', 'T', 'r', 'k'};
    const auto size = static_cast<uint32_t>(track.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        file.push_back(static_cast<uint8_t>(size >> shift));
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

inline void writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// A canonical PCM WAVE file: "fmt " (16 bytes) then "data".
inline std::vector<uint8_t> makeWave(uint16_t channels, uint32_t rate, uint16_t bits,
                                     const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> out = {'R', 'I', 'F', 'F'};
    putU32(out, static_cast<uint32_t>(4 + 24 + 8 + data.size() + (data.size() & 1)));
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0});
    putU16(out, channels);
    putU32(out, rate);
    putU32(out, rate * channels * bits / 8);
    putU16(out, channels * bits / 8);
    putU16(out, bits);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    putU32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1)
        out.push_back(0);
    return out;
}

inline std::vector<uint8_t> samplesToBytes(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> out;
    for (int16_t s : samples)
        putU16(out, static_cast<uint16_t>(s));
    return out;
}

// A fresh folder under the system's temporary folder, removed with the object.
class ScratchDir {
public:
    ScratchDir()
    {
        static int counter = 0;
        std::filesystem::create_directories(path_ /= "velmoor_audio_" + std::to_string(::getpid()) + "_" +
                                                      std::to_string(counter++));
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    [[nodiscard]] const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_ = std::filesystem::temp_directory_path();
};

} // namespace audiotest
