// The game's log category: failed loads, damaged best-score files, failed writes.
#include "game/GameLog.h"

#include "framework/DataFile.h"
#include "framework/Result.h"

#include <cstdio>
#include <mutex>
#include <set>

talvo::LogChannel gameWarning("velmoor", 2);
talvo::LogChannel gameError("velmoor", 1);

namespace {
// The first line about a file is logged; later ones are dropped.
void warnOnce(const char* path, const std::string& text)
{
    static std::mutex mutex;
    static std::set<std::string> warned;
    {
        const std::lock_guard lock(mutex);
        if (!warned.insert(path).second)
            return;
    }
    gameWarning << path << text << std::endl;
}
} // namespace

void warnNotLoaded(const char* path, const std::string& reason)
{
    warnOnce(path, " was not loaded: " + (reason.empty() ? std::string("no reason given") : reason));
}

void warnDamaged(const char* path, const std::string& reason) { warnOnce(path, " is damaged: " + reason); }

void warnLoadFailed(const char* path, int result)
{
    if (result == FrameworkResult::FileOpen)
        return warnNotLoaded(path, lastDataFileStatus().reason());
    // The codes of the picture and sound loaders, which say in words what is wrong with a file;
    // a sound device that refused a sound the file describes well says nothing.
    const bool fromDataFile = result == FrameworkResult::NotBmp || result == FrameworkResult::NotWave ||
                              result == FrameworkResult::SoundBuffer || result == FrameworkResult::SoundBufferFill;
    if (fromDataFile && !lastDataFileDamage().empty())
        return warnDamaged(path, lastDataFileDamage());
    switch (result) {
    case FrameworkResult::NotBmp: return warnDamaged(path, "not a BMP picture");
    case FrameworkResult::NotWave: return warnDamaged(path, "not a WAVE sound");
    case FrameworkResult::SurfaceCreation: return warnNotLoaded(path, "no surface for its size");
    case FrameworkResult::NoMemory: return warnNotLoaded(path, "out of memory");
    case FrameworkResult::SoundBuffer: return warnNotLoaded(path, "the sound device made no buffer for it");
    case FrameworkResult::SoundBufferFill: return warnNotLoaded(path, "the sound device did not take its samples");
    default: return warnNotLoaded(path, "framework result " + std::to_string(result));
    }
}

void warnIfDamaged(const char* path)
{
    if (!lastDataFileDamage().empty())
        warnDamaged(path, lastDataFileDamage());
}

void reportFailedSave(const std::string& line)
{
    gameError << line << std::endl;
    std::fprintf(stderr, "Velmoor: %s\n", line.c_str());
}
