// Runs a sweep at every vector level the processor has, the best first, then restores the level:
// talvo's switch (img, sprite) or the platform layer's (platform, framework), which the program sets
// from talvo's; and a run as if the process had started with a given VELMOOR_SIMD.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/simd_level.h"
#include "talvo/simd.h"

template <class Level, class Set, class Sweep>
void onEveryLevel(Level before, Set set, Sweep&& sweep)
{
    for (int l = static_cast<int>(talvo::simd::supported()); l >= 0; --l) {
        SCOPED_TRACE(talvo::simd::name(static_cast<talvo::simd::Level>(l)));
        set(static_cast<Level>(l));
        sweep();
    }
    set(before);
}

// At AVX2 the sweep runs twice: short copies the way this processor takes them and the other way.
template <class Sweep>
void onEveryTalvoLevel(Sweep&& sweep)
{
    const bool wideShort = talvo::simd::wideShortMoves();
    onEveryLevel(talvo::simd::level(), talvo::simd::setLevel, [&] {
        sweep();
        if (talvo::simd::level() != talvo::simd::Level::avx2)
            return;
        SCOPED_TRACE(wideShort ? "short copies in 16-byte steps" : "short copies in AVX2 moves");
        talvo::simd::detail::wideShort = !wideShort;
        sweep();
        talvo::simd::detail::wideShort = wideShort;
    });
}

template <class Sweep>
void onEveryPlatLevel(Sweep&& sweep)
{
    onEveryLevel(plat::simdLevel(), plat::setSimdLevel, sweep);
}

// `check` runs with VELMOOR_SIMD = `asked` (unset when null) and talvo's level not read yet; the
// variable and the level are put back after.
template <class Check>
void asIfStartedWith(const char* asked, Check&& check)
{
    SCOPED_TRACE(asked ? std::string("VELMOOR_SIMD=\"") + asked + "\"" : std::string("VELMOOR_SIMD unset"));
    const char* was = std::getenv("VELMOOR_SIMD");
    const std::string old = was ? was : "";
    const talvo::simd::Level before = talvo::simd::level();
    if (asked)
        setenv("VELMOOR_SIMD", asked, 1);
    else
        unsetenv("VELMOOR_SIMD");
    talvo::simd::detail::current.store(-1);
    check();
    if (was)
        setenv("VELMOOR_SIMD", old.c_str(), 1);
    else
        unsetenv("VELMOOR_SIMD");
    talvo::simd::setLevel(before);
}
