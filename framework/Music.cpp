// Music: the framework's three command strings over the platform's interpreter.
#include "framework/Music.h"

#include "framework/DataFile.h"
#include "framework/Result.h"
#include "platform/music.h"

#include <new>

Music::~Music() { release(); }

int Music::setFile(const char* path)
{
    release();
    if (!path)
        return FrameworkResult::FileOpen;
    try {
        fileName = path;
    } catch (const std::bad_alloc&) {
        return FrameworkResult::NoMemory;
    }
    // The synthesiser opens the file later and would wait forever on a pipe.
    if (!checkDataFile(path, MaxDataFileBytes).ok())
        return FrameworkResult::FileOpen;
    fileSet = true;
    return FrameworkResult::Ok;
}

int Music::play()
{
    if (!fileSet)
        return FrameworkResult::MusicPlay;
    // Built to the path's own length: long paths are no reason to fail, but memory running out
    // while the file is opened is.
    try {
        const std::string open = "open \"" + fileName + "\" type sequencer alias MUSIC";
        if (plat::sendMusicCommand(open) != plat::MusicResult::Ok)
            return FrameworkResult::MusicOpen;
    } catch (const std::bad_alloc&) {
        return FrameworkResult::MusicOpen;
    }
    if (plat::sendMusicCommand("play MUSIC from 0 notify") != plat::MusicResult::Ok)
        return FrameworkResult::MusicPlay;
    return FrameworkResult::Ok;
}

int Music::stop()
{
    if (!fileSet)
        return FrameworkResult::MusicClose;
    return plat::sendMusicCommand("close MUSIC") == plat::MusicResult::Ok ? FrameworkResult::Ok : FrameworkResult::MusicClose;
}

void Music::release()
{
    if (fileSet) {
        stop();
        fileSet = false;
    }
    fileName.clear();
    fileName.shrink_to_fit();
}
