// The game's one process-wide state record: board, piece, geometry, score, screen flags.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// What a square of the board storage holds.
enum class Cell : int32_t {
    Empty = 0,
    Visited = 1,
    Piece = 2,
};

// Side of the board storage: every board size uses the same 10 x 10 storage.
inline constexpr int32_t BoardStorageSide = 10;

// Index of square (x, y) in the storage; x the column from the left, y the row from the top.
[[nodiscard]] constexpr int32_t cellIndex(int32_t x, int32_t y) { return x * BoardStorageSide + y; }

// True when (x, y) addresses the storage at all (not necessarily the current board).
[[nodiscard]] constexpr bool inStorage(int32_t x, int32_t y)
{
    return x >= 0 && x < BoardStorageSide && y >= 0 && y < BoardStorageSide;
}

struct GameState {
    std::array<Cell, BoardStorageSide * BoardStorageSide> cells{};

    int32_t pieceX = -1; // -1: the piece is not on the board
    int32_t pieceY = -1;
    int32_t previousX = -1; // the square the piece left with its last jump; -1: none
    int32_t previousY = -1;
    int32_t hoverX = 0; // last square found under the mouse; kept while the mouse is off the board
    int32_t hoverY = 0;

    // Geometry of the current board on the 800 x 600 screen.
    double cellSize = 0.0;
    int32_t originX = 0;
    int32_t originY = 0;
    int32_t extent = 0;
    int32_t drawOffset = 6; // from a square's corner to where its pictures go

    int32_t score = 0;
    int32_t bestScore = 0;
    int32_t rankLevel = 0; // 0 to 3; anything else means no rank

    bool won = false;
    bool leaveScreen = false; // ends whichever screen loop runs

    bool animating = false;
    int32_t jumpStep = 0; // 0 to 8
    double time = 0.0; // timer seconds
    double lastStepTime = 0.0; // when jumpStep last advanced

    int32_t freeJumps = 0;
    int32_t previousFreeJumps = 0;
    bool lostDialogDone = false;

    // Copied from the input at the start of each frame.
    int32_t mouseX = 0;
    int32_t mouseY = 0;
    int32_t mouseClicked = 0; // non-zero when the left button went down in this frame

    bool musicOn = true;
    int32_t badgeX = 0;
    int32_t badgeY = 0;

    // (x, y) must lie in the storage (inStorage).
    [[nodiscard]] Cell& cell(int32_t x, int32_t y) { return cells[static_cast<size_t>(cellIndex(x, y))]; }
    [[nodiscard]] Cell cell(int32_t x, int32_t y) const { return cells[static_cast<size_t>(cellIndex(x, y))]; }
};

// The process-wide record that every screen of the game reads and writes.
extern GameState gameState;
