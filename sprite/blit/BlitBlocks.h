// The 48-cell blocks of a family's row, as instantiations of the loop template, and cells shared between pairs.
#pragma once

#include <initializer_list>
#include <utility>

#include "sprite/blit/BlitLoop.h"
#include "sprite/blit/BlitSelect.h"

namespace blit {

template <class S, class D, std::size_t... Slot>
constexpr BlitBlock blockOf(std::index_sequence<Slot...>)
{
    return {&blitLoop<S, D, drawSlots[Slot]>...};
}

template <class S, class D>
inline constexpr BlitBlock block = blockOf<S, D>(std::make_index_sequence<drawSlotCount>{});

// b with the listed slots served by the loops of another pair's block: one loop, one behaviour.
constexpr BlitBlock sharing(BlitBlock b, const BlitBlock& from, std::initializer_list<int> slots)
{
    for (const int slot : slots) b[static_cast<std::size_t>(slot)] = from[static_cast<std::size_t>(slot)];
    return b;
}

} // namespace blit
