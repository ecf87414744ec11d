// The music lines queue under a lock, since the audio thread says some of them, and reach the log
// (which is the game thread's alone) at the next frame; a flood is cut to a bounded count.
#include "game/MusicLog.h"

#include "platform/music.h"
#include "talvo/log.h"
#include "talvo/text_line.h"

#include <atomic>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace {
talvo::LogChannel musicError("velmoor.music", 1);
talvo::LogChannel musicWarning("velmoor.music", 2);
talvo::LogChannel musicInfo("velmoor.music", 4);

// A synthesiser short of voices warns at every note: more than this many lines a run are counted,
// not kept.
constexpr std::size_t maxLines = 100;

struct Queue {
    std::mutex mutex;
    std::vector<std::pair<int, std::string>> pending;
    std::size_t linesThisRun = 0;
    std::size_t dropped = 0;
    std::atomic<bool> waiting{false};
};

// Never destroyed: the audio thread may still speak while the process ends.
Queue& queue()
{
    static Queue* made = new Queue;
    return *made;
}

// Said on the audio thread, under C code: nothing may leave it, and a line that finds no memory
// is counted as left out.
void queueLine(int level, const char* text) noexcept
{
    Queue& q = queue();
    const std::lock_guard lock(q.mutex);
    if (q.linesThisRun >= maxLines) {
        ++q.dropped;
    } else {
        try {
            q.pending.emplace_back(level, text ? text : "");
            ++q.linesThisRun;
        } catch (const std::bad_alloc&) {
            ++q.dropped;
        }
    }
    q.waiting = true;
}
} // namespace

void catchMusicLog()
{
    Queue& q = queue();
    {
        const std::lock_guard lock(q.mutex);
        q.pending.clear();
        q.linesThisRun = q.dropped = 0;
    }
    plat::setMusicLogHook(queueLine);
}

void writeMusicLog()
{
    Queue& q = queue();
    if (!q.waiting.exchange(false))
        return;
    std::vector<std::pair<int, std::string>> lines;
    std::size_t dropped = 0;
    {
        const std::lock_guard lock(q.mutex);
        lines.swap(q.pending);
        std::swap(dropped, q.dropped);
    }
    // The synthesiser's lines name the soundfont, a path from the environment.
    for (const auto& [level, text] : lines)
        (level == 1 ? musicError : level == 2 ? musicWarning : musicInfo) << talvo::textInLine(text) << std::endl;
    if (dropped > 0)
        musicWarning << dropped << " more music lines were left out" << std::endl;
}
