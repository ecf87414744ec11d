// Runs a sweep at every vector level the processor has, the best first, then restores the level:
// talvo's switch (img, sprite) or plat's (platform, framework), which have the same levels.
#pragma once

#include <gtest/gtest.h>

#include "platform/cpu_features.h"
#include "talvo/simd.h"

template <class Level, class Set, class Name, class Sweep>
void onEveryLevel(Level supported, Level before, Set set, Name name, Sweep&& sweep)
{
    for (int l = static_cast<int>(supported); l >= 0; --l) {
        SCOPED_TRACE(name(static_cast<Level>(l)));
        set(static_cast<Level>(l));
        sweep();
    }
    set(before);
}

template <class Sweep>
void onEveryTalvoLevel(Sweep&& sweep)
{
    onEveryLevel(talvo::simd::supported(), talvo::simd::level(), talvo::simd::setLevel, talvo::simd::name, sweep);
}

template <class Sweep>
void onEveryPlatLevel(Sweep&& sweep)
{
    onEveryLevel(plat::supportedSimdLevel(), plat::simdLevel(), plat::setSimdLevel, plat::simdLevelName, sweep);
}
