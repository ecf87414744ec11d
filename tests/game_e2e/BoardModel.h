// Test-side model of the boards: square centres and picture corners from exact fractions,
// knight's tours and dead ends found by search, and crops of the generated pictures.
#pragma once

#include "Pictures.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

struct Cell2 {
    int x;
    int y;
    friend bool operator==(const Cell2&, const Cell2&) = default;
};

// A board layout with the square side as the exact fraction num / den.
struct BoardLayout {
    int n;
    int num;
    int den;
    int originX;
    int originY;

    // A pixel in the middle of the square.
    [[nodiscard]] Cell2 centre(Cell2 s) const
    {
        return {originX + (2 * s.x + 1) * num / (2 * den), originY + (2 * s.y + 1) * num / (2 * den)};
    }
    // Where the square's 35 x 35 pictures go: 6 pixels in from its corner.
    [[nodiscard]] Cell2 corner(Cell2 s) const { return {originX + 6 + s.x * num / den, originY + 6 + s.y * num / den}; }
};

inline constexpr BoardLayout Layout6x6{6, 443, 10, 165, 181};
inline constexpr BoardLayout Layout8x8{8, 177, 4, 86, 83};
inline constexpr BoardLayout Layout10x10{10, 221, 5, 98, 50};

[[nodiscard]] inline bool knightStep(Cell2 a, Cell2 b) { return std::abs(a.x - b.x) * std::abs(a.y - b.y) == 2; }

// The squares a piece on `from` can jump to: on the board and not yet visited.
[[nodiscard]] std::vector<Cell2> freeTargets(int n, const std::vector<bool>& visited, Cell2 from);

// A knight's tour of the n x n board from `start` (Warnsdorff's order with backtracking).
[[nodiscard]] std::vector<Cell2> knightsTour(int n, Cell2 start);

// A short path from `start` whose last square leaves no free jump while squares are still
// empty: the way into the lost dialog.
[[nodiscard]] std::vector<Cell2> deadEndPath(int n, Cell2 start);

// Part of a picture; pixels outside it are 0 (and so transparent in a keyed compare).
[[nodiscard]] Picture crop(const Picture& picture, int x, int y, int width, int height);

// Writes a picture as an uncompressed 24-bit bottom-up BMP file.
void writePictureBmp(const std::string& path, const Picture& picture);
