// The board table and the operations that only need it.
#include "game/Board.h"

#include <array>
#include <cstddef>

namespace {
constexpr std::array<BoardGeometry, 3> boards{{
    {6, 44.3, 165, 181, 266, 1, true},
    {8, 44.25, 86, 83, 354, 2, false},
    {10, 44.2, 98, 50, 442, 3, false},
}};
} // namespace

const BoardGeometry& boardGeometry(Board board)
{
    return boards.at(static_cast<size_t>(board)); // a value outside the enum throws, never reads past
}

void setupBoard(GameState& state, Board board)
{
    const BoardGeometry& geometry = boardGeometry(board);
    if (geometry.setupClearsScore)
        state.score = 0;
    state.pieceX = state.pieceY = -1;
    state.previousX = state.previousY = -1;
    state.cells.fill(Cell::Empty);
    state.cellSize = geometry.cellSize;
    state.originY = geometry.originY;
    state.originX = geometry.originX;
    state.extent = geometry.extent;
}

void setupBoard6x6(GameState& state) { setupBoard(state, Board::Size6x6); }
void setupBoard8x8(GameState& state) { setupBoard(state, Board::Size8x8); }
void setupBoard10x10(GameState& state) { setupBoard(state, Board::Size10x10); }

void checkBoardComplete(GameState& state, Board board)
{
    const int32_t n = boardGeometry(board).size;
    bool full = true;
    for (int32_t x = 0; x < n && full; ++x)
        for (int32_t y = 0; y < n && full; ++y)
            full = state.cell(x, y) != Cell::Empty;
    state.won = full;
}

void checkBoardComplete6x6(GameState& state) { checkBoardComplete(state, Board::Size6x6); }
void checkBoardComplete8x8(GameState& state) { checkBoardComplete(state, Board::Size8x8); }
void checkBoardComplete10x10(GameState& state) { checkBoardComplete(state, Board::Size10x10); }

int32_t rankLevelOf(Board board)
{
    return boardGeometry(board).rankLevel;
}
