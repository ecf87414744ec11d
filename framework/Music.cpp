// Music: the framework's three command strings over the platform's interpreter.
#include "framework/Music.h"

#include "framework/ResultCodes.h"
#include "platform/music.h"

#include <cstdio>

Music::~Music() { release(); }

int Music::setFile(const char* path)
{
    release();
    if (!path)
        return rc::FileOpen;
    fileName_ = path;
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return rc::FileOpen;
    std::fclose(file);
    fileSet_ = true;
    return rc::Ok;
}

int Music::play()
{
    if (!fileSet_)
        return rc::MusicPlay;
    // Built to the path's own length: long paths are no reason to fail.
    const std::string open = "open \"" + fileName_ + "\" type sequencer alias MUSIC";
    if (plat::sendMusicCommand(open) != plat::MusicResult::Ok)
        return rc::MusicOpen;
    if (plat::sendMusicCommand("play MUSIC from 0 notify") != plat::MusicResult::Ok)
        return rc::MusicPlay;
    return rc::Ok;
}

int Music::stop()
{
    if (!fileSet_)
        return rc::MusicClose;
    return plat::sendMusicCommand("close MUSIC") == plat::MusicResult::Ok ? rc::Ok : rc::MusicClose;
}

void Music::release()
{
    if (fileSet_) {
        stop();
        fileSet_ = false;
    }
    fileName_.clear();
    fileName_.shrink_to_fit();
}
