// Full renders of every screen and sprite, as finished 5-6-5 pictures.
#pragma once

#include "tools/assetgen/Layout.h"
#include "tools/assetgen/Picture.h"

namespace assetgen {

// The menu background; `highlight` lights one plaque, `musicOn` ticks the box, badgeRank 0-3 adds a badge.
[[nodiscard]] Picture renderMenu(MenuElement highlight = MenuElement::None, bool musicOn = false,
                                 int badgeRank = -1);

[[nodiscard]] Picture renderBoard(const BoardLayout& board, bool endHighlighted = false);

// The lost dialog's panel (512 x 512) and its opacity mask.
[[nodiscard]] Picture renderLostPanel(LostElement highlight = LostElement::None);
[[nodiscard]] Picture renderLostMask();

[[nodiscard]] Picture renderWon();
[[nodiscard]] Picture renderAuthors();

// Keyed sprites.
[[nodiscard]] Picture renderPieceStrip();
[[nodiscard]] Picture renderVisited();
[[nodiscard]] Picture renderHint(bool underMouse);
[[nodiscard]] Picture renderCursor();

} // namespace assetgen
