// Board pictures: grid lines on the game's fractional square edges, squares alternating around them.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/assetgen/DataFiles.h"
#include "tools/assetgen/Layout.h"

using namespace assetgen_test;
using namespace assetgen;

namespace {

double luminance(Rgb c) { return 0.3 * c.r + 0.59 * c.g + 0.11 * c.b; }

// Mean luminance of column x over the inner rows of square row j (away from horizontal lines).
double columnMean(const Picture& p, const BoardLayout& b, int x, int j) {
    const int y0 = static_cast<int>(b.originY + j * b.cellSize) + 4;
    const int y1 = static_cast<int>(b.originY + (j + 1) * b.cellSize) - 4;
    double sum = 0;
    for (int y = y0; y < y1; ++y) sum += luminance(p.at(x, y));
    return sum / (y1 - y0);
}

TEST(BoardPictures, GridLinesSitOnTheFractionalSquareEdges) {
    for (const BoardLayout& b : boards) {
        SCOPED_TRACE(b.fieldPath);
        const Picture p = readBmp(runDir() / b.fieldPath).picture;
        for (int j = 0; j < b.n; ++j)
            for (int i = 1; i < b.n; ++i) {
                const double edge = b.originX + i * b.cellSize;
                // A one-pixel line centred on the edge darkens one of the two pixels it straddles.
                const double line = std::min(columnMean(p, b, static_cast<int>(std::floor(edge - 0.5)), j),
                                             columnMean(p, b, static_cast<int>(std::floor(edge + 0.5)), j));
                const double left = columnMean(p, b, static_cast<int>(edge) - 6, j);
                const double right = columnMean(p, b, static_cast<int>(edge) + 6, j);
                EXPECT_LT(line, std::min(left, right) - 8) << "edge " << i << " in row " << j;
                // Light and dark squares alternate across every edge.
                EXPECT_GT(std::abs(left - right), 25) << "edge " << i << " in row " << j;
            }
    }
}

TEST(BoardPictures, PiecePicturesFitTheirSquareAndTheEndPlaqueClearsTheBoard) {
    // The game draws 35x35 pictures 6 px in from the truncated corner: they must not reach the
    // neighbouring square.
    for (const BoardLayout& b : boards) {
        for (int i = 0; i < b.n; ++i) {
            const int at = squarePixel(b.cellSize, b.originX, i);
            EXPECT_GE(at, b.originX + i * b.cellSize);
            EXPECT_LE(at + 35, b.originX + (i + 1) * b.cellSize);
        }
        EXPECT_GE(b.endReacts.y0, b.originY + b.extent + 8) << b.endPath;
        EXPECT_TRUE(b.endPicture.contains(b.endReacts.x0, b.endReacts.y0)) << b.endPath;
        EXPECT_TRUE(b.endPicture.contains(b.endReacts.x1 - 1, b.endReacts.y1 - 1)) << b.endPath;
    }
}

} // namespace
