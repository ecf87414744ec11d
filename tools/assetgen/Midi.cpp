// Standard MIDI File writer (format 1) over plain note lists.
#include "tools/assetgen/Midi.h"

#include <algorithm>
#include <stdexcept>

namespace assetgen {

namespace {

void putVarLen(std::vector<std::uint8_t>& out, std::uint32_t v) {
    std::uint8_t bytes[5];
    int n = 0;
    do {
        bytes[n++] = static_cast<std::uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v != 0);
    while (n > 1) out.push_back(bytes[--n] | 0x80);
    out.push_back(bytes[0]);
}

void putBig(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

struct Event {
    int tick;
    int order; // note-offs before note-ons at the same tick
    std::vector<std::uint8_t> bytes;
};

void appendChunk(std::vector<std::uint8_t>& out, std::vector<Event> events, int endTick) {
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.tick != b.tick ? a.tick < b.tick : a.order < b.order; });
    std::vector<std::uint8_t> body;
    int last = 0;
    for (const Event& e : events) {
        putVarLen(body, static_cast<std::uint32_t>(e.tick - last));
        body.insert(body.end(), e.bytes.begin(), e.bytes.end());
        last = e.tick;
    }
    putVarLen(body, static_cast<std::uint32_t>(endTick - last));
    body.insert(body.end(), {0xFF, 0x2F, 0x00});
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    putBig(out, static_cast<std::uint32_t>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
}

Event meta(int type, const std::vector<std::uint8_t>& data) {
    Event e{0, 0, {0xFF, static_cast<std::uint8_t>(type)}};
    putVarLen(e.bytes, static_cast<std::uint32_t>(data.size()));
    e.bytes.insert(e.bytes.end(), data.begin(), data.end());
    return e;
}

Event text(int type, const std::string& s) { return meta(type, std::vector<std::uint8_t>(s.begin(), s.end())); }

} // namespace

std::vector<std::uint8_t> encodeSmf(const Song& song) {
    std::vector<std::uint8_t> out = {'M', 'T', 'h', 'd'};
    putBig(out, 6, 4);
    putBig(out, 1, 2);
    putBig(out, static_cast<std::uint32_t>(song.tracks.size() + 1), 2);
    putBig(out, static_cast<std::uint32_t>(song.division), 2);

    const auto t = static_cast<std::uint32_t>(song.microsPerQuarter);
    appendChunk(out,
                {text(0x03, "Velmoor"),
                 meta(0x51, {static_cast<std::uint8_t>(t >> 16), static_cast<std::uint8_t>(t >> 8),
                             static_cast<std::uint8_t>(t)}),
                 meta(0x58, {4, 2, 24, 8}), meta(0x59, {2, 0})},
                song.endTick);

    for (const MidiTrack& track : song.tracks) {
        if (track.channel < 0 || track.channel > 15) throw std::invalid_argument("MIDI channel out of range");
        const auto ch = static_cast<std::uint8_t>(track.channel);
        std::vector<Event> events = {
            text(0x03, track.name),
            {0, 1, {static_cast<std::uint8_t>(0xB0 | ch), 0, 0}},  // bank select: General MIDI
            {0, 1, {static_cast<std::uint8_t>(0xC0 | ch), static_cast<std::uint8_t>(track.program)}},
            {0, 1, {static_cast<std::uint8_t>(0xB0 | ch), 7, static_cast<std::uint8_t>(track.volume)}},
            {0, 1, {static_cast<std::uint8_t>(0xB0 | ch), 10, static_cast<std::uint8_t>(track.pan)}},
            {0, 1, {static_cast<std::uint8_t>(0xB0 | ch), 91, static_cast<std::uint8_t>(track.reverb)}},
        };
        // A key struck again while it still sounds ends the earlier note first, so no note-off
        // of an old note can cut the new one short.
        std::vector<MidiNote> notes = track.notes;
        std::stable_sort(notes.begin(), notes.end(),
                         [](const MidiNote& a, const MidiNote& b) { return a.key != b.key ? a.key < b.key : a.tick < b.tick; });
        for (std::size_t i = 0; i < notes.size(); ++i) {
            const MidiNote& n = notes[i];
            int end = std::min(n.tick + n.duration, song.endTick);
            if (i + 1 < notes.size() && notes[i + 1].key == n.key) end = std::min(end, notes[i + 1].tick);
            if (n.key < 0 || n.key > 127 || n.velocity < 1 || n.velocity > 127 || n.tick < 0 || end <= n.tick)
                throw std::invalid_argument("note outside the MIDI ranges or the piece");
            const auto key = static_cast<std::uint8_t>(n.key);
            events.push_back({n.tick, 3, {static_cast<std::uint8_t>(0x90 | ch), key, static_cast<std::uint8_t>(n.velocity)}});
            events.push_back({end, 2, {static_cast<std::uint8_t>(0x80 | ch), key, 64}});
        }
        appendChunk(out, std::move(events), song.endTick);
    }
    return out;
}

} // namespace assetgen
