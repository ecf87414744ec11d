// The game's log category: failed loads, damaged best-score files, failed writes.
#include "game/GameLog.h"

#include "framework/DataFile.h"
#include "framework/Result.h"

#include <mutex>
#include <set>

talvo::LogChannel gameWarning("velmoor", 2);
talvo::LogChannel gameError("velmoor", 1);

std::string loadFailureReason(int result)
{
    switch (result) {
    case FrameworkResult::FileOpen: return lastDataFileStatus().reason();
    case FrameworkResult::NotBmp: return "not a BMP picture";
    case FrameworkResult::NotWave: return "not a WAVE sound";
    case FrameworkResult::SurfaceCreation: return "no surface for its size";
    case FrameworkResult::NoMemory: return "out of memory";
    default: return "framework result " + std::to_string(result);
    }
}

void warnNotLoaded(const char* path, const std::string& reason)
{
    static std::mutex mutex;
    static std::set<std::string> warned;
    {
        const std::lock_guard lock(mutex);
        if (!warned.insert(path).second)
            return;
    }
    gameWarning << path << " was not loaded: " << (reason.empty() ? "no reason given" : reason) << std::endl;
}
