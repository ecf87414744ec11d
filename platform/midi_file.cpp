// Standard MIDI File structure over POSIX reads: chunk lengths, variable-length numbers and
// event sizes checked against what the file holds, as the synthesiser's own reader needs them.
#include "platform/midi_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace plat {
namespace {

constexpr std::size_t maxMidiBytes = std::size_t{64} << 20;

uint32_t bigEndian(const uint8_t* at, int bytes)
{
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | at[i];
    return value;
}

std::string systemText(int error)
{
    char text[256] = "";
    return ::strerror_r(error, text, sizeof text);
}

// Walks the events of one track; "" when each lies within [at, end).
std::string trackProblem(const uint8_t* at, const uint8_t* end, const std::string& track)
{
    const std::string cut = track + " ends inside an event";
    // A length or time step: at most four bytes of seven bits each.
    const auto number = [&](uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (at == end)
                return false;
            const uint8_t b = *at++;
            value = value << 7 | (b & 0x7F);
            if ((b & 0x80) == 0)
                return true;
        }
        return false;
    };
    uint8_t running = 0;
    while (at < end) {
        uint32_t delta = 0, length = 0;
        if (!number(delta) || at == end)
            return cut;
        uint8_t status = *at;
        if (status & 0x80)
            ++at;
        else if (running == 0)
            return track + " holds a data byte where an event should begin";
        else
            status = running;
        if (status == 0xFF) {
            if (at == end)
                return cut;
            const uint8_t type = *at++;
            if (!number(length) || length > static_cast<std::size_t>(end - at))
                return cut;
            at += length;
            if (type == 0x2F)
                return {}; // the end of the track: anything after it is never read
        } else if (status == 0xF0 || status == 0xF7) {
            if (!number(length) || length > static_cast<std::size_t>(end - at))
                return cut;
            at += length;
        } else if (status > 0xF0) {
            return track + " holds an event the synthesiser does not know (status " + std::to_string(status) + ")";
        } else {
            running = status;
            const std::size_t data = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
            if (data > static_cast<std::size_t>(end - at))
                return cut;
            at += data;
        }
    }
    return {};
}

} // namespace

std::string midiProblem(const uint8_t* bytes, std::size_t size)
{
    if (size == 0)
        return "the file is empty";
    if (size < 4 || std::memcmp(bytes, "MThd", 4) != 0)
        return "no Standard MIDI File (it does not begin with MThd)";
    if (size < 14)
        return "the file ends inside its header";
    if (const uint32_t length = bigEndian(bytes + 4, 4); length != 6)
        return "its header claims " + std::to_string(length) + " bytes, not 6";
    if (const uint32_t format = bigEndian(bytes + 8, 2); format > 2)
        return "format " + std::to_string(format) + " is none of the three MIDI file formats";
    const uint32_t tracks = bigEndian(bytes + 10, 2);
    if (tracks == 0)
        return "it holds no track";
    const uint32_t division = bigEndian(bytes + 12, 2);
    if (division & 0x8000)
        return "it counts time in SMPTE frames, which the synthesiser does not play";
    if (division == 0)
        return "its time division is 0";
    std::size_t at = 14;
    for (uint32_t t = 1; t <= tracks;) {
        const std::string track = "track " + std::to_string(t) + " of " + std::to_string(tracks);
        if (size - at < 8)
            return "the file ends before " + track;
        const uint32_t length = bigEndian(bytes + at + 4, 4);
        const bool isTrack = std::memcmp(bytes + at, "MTrk", 4) == 0;
        at += 8;
        if (length > size - at)
            return (isTrack ? track : "a chunk before " + track) + " claims " + std::to_string(length) +
                   " bytes where " + std::to_string(size - at) + " remain";
        // Chunks of other kinds are skipped, as the format asks of a reader.
        if (isTrack) {
            if (std::string why = trackProblem(bytes + at, bytes + at + length, track); !why.empty())
                return why;
            ++t;
        }
        at += length;
    }
    return {};
}

MusicResult checkMidiFile(const std::string& path, std::string& why)
{
    int fd;
    do
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        why = systemText(errno);
        return MusicResult::FileNotFound;
    }
    std::vector<uint8_t> bytes;
    MusicResult result = MusicResult::Ok;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        why = systemText(errno);
        result = MusicResult::FileNotFound;
    } else if (!S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > maxMidiBytes) {
        why = S_ISREG(st.st_mode) ? "larger than 64 MiB" : "not a regular file";
        result = MusicResult::NotMidi;
    } else {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                why = systemText(errno);
                result = MusicResult::FileNotFound;
            }
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got); // a file that shrank meanwhile is judged by what it holds
    }
    ::close(fd);
    if (result != MusicResult::Ok)
        return result;
    why = midiProblem(bytes.data(), bytes.size());
    return why.empty() ? MusicResult::Ok : MusicResult::NotMidi;
}

} // namespace plat
