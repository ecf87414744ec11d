// The three board sizes with their geometry, board setup, the full-board test and rank levels.
#pragma once

#include "game/GameState.h"

#include <cstdint>

enum class Board {
    Size6x6,
    Size8x8,
    Size10x10,
};

// A square of the board: x the column from the left, y the row from the top.
struct Square {
    int32_t x;
    int32_t y;
    friend bool operator==(const Square&, const Square&) = default;
};

struct BoardGeometry {
    int32_t size; // N: the board has N x N squares
    double cellSize;
    int32_t originX;
    int32_t originY;
    int32_t extent;
    int32_t rankLevel; // what winning this board earns
    bool setupClearsScore; // else the play loop clears it, so a restart keeps the points
};

[[nodiscard]] const BoardGeometry& boardGeometry(Board board);

// The state part of a new board: the piece off the board, every square empty, the board's
// geometry. Hover square, animation and free-jump counts are left alone.
void setupBoard(GameState& state, Board board);
void setupBoard6x6(GameState& state);
void setupBoard8x8(GameState& state);
void setupBoard10x10(GameState& state);

// Sets won to whether every square of the board is non-empty (the piece's own square counts).
void checkBoardComplete(GameState& state, Board board);
void checkBoardComplete6x6(GameState& state);
void checkBoardComplete8x8(GameState& state);
void checkBoardComplete10x10(GameState& state);

[[nodiscard]] int32_t rankLevelOf(Board board);
