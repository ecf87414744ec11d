// MIDI rendering with libfluidsynth's synth and player, driven by the mixer (no fluidsynth
// audio driver): the player advances as samples are rendered.
#include "platform/sdl/midi_synth.h"

#include "platform/audio_backend.h"

#include <fluidsynth.h>
#include <glib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace plat::sdl {
namespace {

constexpr const char* defaultSoundfont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// Player ticks for a millisecond position, from the file's division at the standard
// starting tempo (a quarter note per half second) since the player exposes no time base.
int ticksForMilliseconds(const std::string& file, uint32_t ms)
{
    unsigned char head[14] = {};
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f)
        return 0;
    const size_t got = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    if (got < sizeof head)
        return 0;
    const int division = (head[12] << 8) | head[13];
    double ticksPerSecond;
    if (division & 0x8000) {
        const int framesPerSecond = 256 - (division >> 8);
        ticksPerSecond = double(framesPerSecond) * (division & 0xFF);
    } else {
        ticksPerSecond = division * 2.0;
    }
    const double ticks = ticksPerSecond * ms / 1000.0;
    return ticks > 2e9 ? 2000000000 : static_cast<int>(ticks);
}

// The synthesiser's first error on this thread since it was cleared: the reason a soundfont
// load failed (the later ones only say that it failed).
thread_local std::string firstSynthError;

// Both are called by C code, on the audio thread too: a line that finds no memory is lost, since
// nothing may be thrown through C.
void forwardSynthMessage(int level, const char* message, void*) noexcept
{
    try {
        const char* text = message ? message : "";
        if (level <= FLUID_ERR && firstSynthError.empty())
            firstSynthError = text;
        if (level == FLUID_DBG)
            return;
        const std::string line = std::string("fluidsynth: ") + text;
        logMusic(level <= FLUID_ERR ? 1 : level == FLUID_WARN ? 2 : 3, line.c_str());
    } catch (const std::bad_alloc&) {
    }
}

// The soundfont reader under the synthesiser (libinstpatch) speaks through GLib's log.
void forwardGlibMessage(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer) noexcept
{
    if (level & G_LOG_LEVEL_DEBUG)
        return;
    try {
        const std::string line = std::string(domain ? domain : "GLib") + ": " + (message ? message : "");
        logMusic(level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL) ? 1 : level & G_LOG_LEVEL_WARNING ? 2 : 3,
                 line.c_str());
    } catch (const std::bad_alloc&) {
    }
}

// The synthesiser's messages go to the music log, not to its default of the standard streams.
void routeSynthMessages()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, forwardSynthMessage, nullptr);
        g_log_set_default_handler(forwardGlibMessage, nullptr);
    });
}

// Why the file is no soundfont at all.
std::string soundfontProblem(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        char text[256] = "";
        return ::strerror_r(errno, text, sizeof text);
    }
    if (st.st_size == 0)
        return "the file is empty";
    return "no SoundFont file: it does not begin with RIFF and sfbk";
}

} // namespace

std::string soundfontPath()
{
    const char* chosen = std::getenv("VELMOOR_SOUNDFONT");
    return chosen && *chosen ? chosen : defaultSoundfont;
}

Synth::Synth()
{
    routeSynthMessages();
    settings_ = new_fluid_settings();
    if (!settings_)
        return;
    fluid_settings_setnum(settings_, "synth.sample-rate", 44100.0);
    fluid_settings_setnum(settings_, "synth.gain", 0.8);
    // The chorus turns the soundfont's string and pad voices into a loud signal in opposite
    // phase on the two channels, which cancels out on mono speakers; reverb alone is enough.
    fluid_settings_setint(settings_, "synth.chorus.active", 0);
    synth_ = new_fluid_synth(settings_);
    if (!synth_)
        return;
    const std::string path = soundfontPath();
    // A missing or broken soundfont leaves the synth without instruments: music is silent.
    std::string why;
    if (!fluid_is_soundfont(path.c_str())) {
        why = soundfontProblem(path);
    } else {
        firstSynthError.clear();
        if (fluid_synth_sfload(synth_, path.c_str(), 1) == FLUID_FAILED)
            why = firstSynthError.empty() ? "the synthesiser could not load it" : firstSynthError;
    }
    hasFont_ = why.empty();
    if (!hasFont_)
        logMusic(1, ("The soundfont " + path + " cannot be used (" + why + "); the music stays silent").c_str());
}

Synth::~Synth()
{
    if (synth_)
        delete_fluid_synth(synth_);
    if (settings_)
        delete_fluid_settings(settings_);
}

MidiSynth::~MidiSynth()
{
    for (auto& [alias, piece] : pieces_)
        stopPiece(piece);
}

void MidiSynth::adoptSynth(std::unique_ptr<Synth> synth)
{
    for (auto& [alias, piece] : pieces_)
        stopPiece(piece);
    synth_ = std::move(synth);
}

MusicResult MidiSynth::open(const std::string& alias, const std::string& file)
{
    if (!synth_)
        adoptSynth(std::make_unique<Synth>());
    if (!pieces_.emplace(alias, Piece{file, nullptr}).second)
        return MusicResult::AliasInUse;
    return MusicResult::Ok;
}

MusicResult MidiSynth::play(const std::string& alias, std::optional<uint32_t> fromMs, bool repeat)
{
    auto it = pieces_.find(alias);
    if (it == pieces_.end())
        return MusicResult::UnknownAlias;
    Piece& piece = it->second;
    piece.repeat = repeat;
    if (!synth_ || !synth_->handle())
        return MusicResult::Ok; // no synth at all: silent, as without a soundfont
    if (piece.player && !fromMs && fluid_player_get_status(piece.player) == FLUID_PLAYER_PLAYING)
        return MusicResult::Ok;
    const MusicResult started = startPiece(piece, true);
    if (started == MusicResult::Ok && fromMs && *fromMs > 0)
        fluid_player_seek(piece.player, ticksForMilliseconds(piece.file, *fromMs));
    return started;
}

// A fresh player reads the file anew and plays it once; repeating is done here, not by
// the player's own loop, which retries a file it cannot read without end.
MusicResult MidiSynth::startPiece(Piece& piece, bool silence)
{
    stopPiece(piece, silence);
    piece.progressed = false;
    piece.player = new_fluid_player(synth_->handle());
    if (!piece.player)
        return MusicResult::Failed;
    if (fluid_player_add(piece.player, piece.file.c_str()) != FLUID_OK ||
        fluid_player_set_loop(piece.player, 1) != FLUID_OK || fluid_player_play(piece.player) != FLUID_OK) {
        stopPiece(piece);
        return MusicResult::Failed;
    }
    return MusicResult::Ok;
}

void MidiSynth::repeatFinishedPieces()
{
    for (auto& [alias, piece] : pieces_) {
        if (!piece.player || !piece.repeat)
            continue;
        const int status = fluid_player_get_status(piece.player);
        const int tick = fluid_player_get_current_tick(piece.player);
        const int total = fluid_player_get_total_ticks(piece.player);
        if (status == FLUID_PLAYER_PLAYING && tick > 0)
            piece.progressed = true;
        // The player lingers a while after the last event before it reports the end, so a
        // loop goes back to the start as soon as the piece's last tick has passed.
        if (status == FLUID_PLAYER_PLAYING && total > 0 && tick >= total)
            fluid_player_seek(piece.player, 0);
        // A pass that never moved (unreadable or empty file) is not tried again.
        else if (status == FLUID_PLAYER_DONE && piece.progressed)
            (void)startPiece(piece, false);
    }
}

void MidiSynth::close(const std::string& alias)
{
    auto it = pieces_.find(alias);
    if (it == pieces_.end())
        return;
    stopPiece(it->second);
    pieces_.erase(it);
}

void MidiSynth::stopPiece(Piece& piece, bool silence)
{
    if (!piece.player)
        return;
    fluid_player_stop(piece.player);
    delete_fluid_player(piece.player);
    piece.player = nullptr;
    // Notes the player left sounding would otherwise ring on; a piece that ended by itself
    // keeps its tails so a loop joins smoothly.
    if (silence && synth_ && synth_->handle())
        fluid_synth_all_sounds_off(synth_->handle(), -1);
}

void MidiSynth::renderInto(int32_t* accumulator, float* scratch, size_t frames)
{
    if (!synth_ || !synth_->hasFont() || pieces_.empty())
        return;
    // Short steps, so a loop turns round within a few milliseconds of the piece's end.
    constexpr size_t step = 256;
    for (size_t done = 0; done < frames; done += step) {
        const size_t count = std::min(step, frames - done);
        repeatFinishedPieces();
        if (fluid_synth_write_float(synth_->handle(), static_cast<int>(count), scratch, 0, 2, scratch, 1, 2) != FLUID_OK)
            return;
        int32_t* into = accumulator + done * 2;
        for (size_t i = 0; i < count * 2; ++i)
            into[i] += static_cast<int32_t>(std::lround(std::clamp(scratch[i], -2.0f, 2.0f) * 32767.0f));
    }
}

} // namespace plat::sdl
