// The music lines the audio thread says under the synthesiser's C code, when memory runs out.
#include "game/MusicLog.h"
#include "platform/audio_backend.h"
#include "tests/support/alloc_cap.h"

#include <gtest/gtest.h>

namespace {

TEST(MusicLog, ALineThatFindsNoMemoryIsLeftOutNotThrownThroughTheSynthesiser)
{
    catchMusicLog();
    {
        const testsupport::AllocCap nothing(0);
        EXPECT_NO_THROW(plat::logMusic(2, "a line said while memory has run out"));
    }
    plat::logMusic(2, "a line said afterwards");
    EXPECT_NO_THROW(writeMusicLog());
}

} // namespace
