// Test-side model of the boards, independent of the game's tables: the layouts as exact
// fractions, knight moves, and knight's tours and dead ends found by the test's own search.
#pragma once

#include "game/Board.h"
#include "game/SquareGeometry.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

// A layout with each square side as the exact fraction num / den, so that columns and pixel
// positions come from integer division rather than from the code under test.
struct LayoutModel {
    Board board;
    int32_t n, num, den, originX, originY, extent;

    // Column (or row) of a pixel offset inside the board area.
    [[nodiscard]] int32_t column(int32_t offset) const { return offset * den / num; }
    // A pixel in the middle of the square.
    [[nodiscard]] ScreenPoint centre(Square s) const
    {
        return {originX + (2 * s.x + 1) * num / (2 * den), originY + (2 * s.y + 1) * num / (2 * den)};
    }
    // Where the square's 35 x 35 pictures go: 6 pixels in from its corner.
    [[nodiscard]] ScreenPoint corner(Square s) const
    {
        return {originX + 6 + s.x * num / den, originY + 6 + s.y * num / den};
    }
};

inline constexpr LayoutModel Layout6x6{Board::Size6x6, 6, 443, 10, 165, 181, 266};
inline constexpr LayoutModel Layout8x8{Board::Size8x8, 8, 177, 4, 86, 83, 354};
inline constexpr LayoutModel Layout10x10{Board::Size10x10, 10, 221, 5, 98, 50, 442};
inline constexpr std::array<LayoutModel, 3> Layouts{Layout6x6, Layout8x8, Layout10x10};

[[nodiscard]] inline bool knightMove(Square a, Square b) { return std::abs(a.x - b.x) * std::abs(a.y - b.y) == 2; }

// Squares visited so far, by y * n + x.
using Visited = std::vector<bool>;

// The squares a piece on `from` can jump to: on the board and not yet visited.
[[nodiscard]] inline std::vector<Square> freeTargets(int32_t n, const Visited& visited, Square from)
{
    std::vector<Square> out;
    for (int32_t x = 0; x < n; ++x)
        for (int32_t y = 0; y < n; ++y)
            if (knightMove(from, {x, y}) && !visited[static_cast<size_t>(y * n + x)])
                out.push_back({x, y});
    return out;
}

// Extends the path depth-first up to maxLength squares until done(path, visited) holds; with
// `warnsdorff` the candidates with the fewest onward jumps come first.
using PathDone = std::function<bool(const std::vector<Square>&, const Visited&)>;
inline bool extendPath(int32_t n, Visited& visited, std::vector<Square>& path, size_t maxLength, bool warnsdorff,
                       const PathDone& done)
{
    if (done(path, visited))
        return true;
    if (path.size() >= maxLength)
        return false;
    std::vector<Square> next = freeTargets(n, visited, path.back());
    if (warnsdorff)
        std::stable_sort(next.begin(), next.end(), [&](Square a, Square b) {
            return freeTargets(n, visited, a).size() < freeTargets(n, visited, b).size();
        });
    for (const Square s : next) {
        visited[static_cast<size_t>(s.y * n + s.x)] = true;
        path.push_back(s);
        if (extendPath(n, visited, path, maxLength, warnsdorff, done))
            return true;
        path.pop_back();
        visited[static_cast<size_t>(s.y * n + s.x)] = false;
    }
    return false;
}

[[nodiscard]] inline std::vector<Square> searchPath(int32_t n, Square start, size_t maxLength, bool warnsdorff,
                                                    const PathDone& done)
{
    Visited visited(static_cast<size_t>(n * n));
    visited[static_cast<size_t>(start.y * n + start.x)] = true;
    std::vector<Square> path{start};
    return extendPath(n, visited, path, maxLength, warnsdorff, done) ? path : std::vector<Square>{};
}

// A knight's tour of the n x n board from `start` (Warnsdorff's rule with backtracking), or empty.
[[nodiscard]] inline std::vector<Square> knightsTour(int32_t n, Square start)
{
    const auto full = [n](const std::vector<Square>& path, const Visited&) {
        return static_cast<int32_t>(path.size()) == n * n;
    };
    return searchPath(n, start, static_cast<size_t>(n * n), true, full);
}

// The shortest path from `start` whose last square leaves no free jump while squares are
// still empty: the way into the lost dialog.
[[nodiscard]] inline std::vector<Square> deadEndPath(int32_t n, Square start)
{
    const auto stuck = [n](const std::vector<Square>& path, const Visited& visited) {
        return path.size() > 1 && freeTargets(n, visited, path.back()).empty();
    };
    for (size_t length = 2; length < 12; ++length)
        if (auto path = searchPath(n, start, length, false, stuck); !path.empty())
            return path;
    return {};
}
