// The per-pixel operators as constexpr lists, from the same member tables that define them.
#pragma once

#include "sprite/pelOps.h"

#include <cstdint>
#include <string_view>

using pelColourFn = void(std::uint8_t* dst, const std::uint8_t* src);
using pelAlphaFn = void(std::uint8_t* dst, const std::uint8_t* src, int a);

template <class Fn>
struct pelMember {
    std::string_view name, mode, src, dst;
    Fn* fn;
};

#define PEL_LIST_COLOUR(M, S, D) pelMember<pelColourFn>{"pel_" #M "_" #S "_to_" #D, #M, #S, #D, &pel_##M##_##S##_to_##D},
#define PEL_LIST_ALPHA(S, D) pelMember<pelAlphaFn>{"pel_alpha_" #S "_to_" #D, "alpha", #S, #D, &pel_alpha_##S##_to_##D},
#define PEL_LIST_PREMUL(S, D) pelMember<pelAlphaFn>{"pel_premul_" #S "_to_" #D, "premul", #S, #D, &pel_premul_##S##_to_##D},

inline constexpr pelMember<pelColourFn> pelColourMembers[] = {PEL_COLOUR_MEMBERS(PEL_LIST_COLOUR)};
inline constexpr pelMember<pelAlphaFn> pelAlphaMembers[] = {PEL_ALPHA_MEMBERS(PEL_LIST_ALPHA)};
inline constexpr pelMember<pelAlphaFn> pelPremulMembers[] = {PEL_PREMUL_MEMBERS(PEL_LIST_PREMUL)};

#undef PEL_LIST_COLOUR
#undef PEL_LIST_ALPHA
#undef PEL_LIST_PREMUL
