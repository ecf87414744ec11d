// The board model's searches and picture helpers.
#include "BoardModel.h"

#include <algorithm>
#include <fstream>

namespace {
constexpr std::array<Cell2, 8> steps{{{2, 1}, {1, 2}, {-1, 2}, {-2, 1}, {-2, -1}, {-1, -2}, {1, -2}, {2, -1}}};

std::size_t at(int n, Cell2 s) { return static_cast<std::size_t>(s.y * n + s.x); }

bool tourFrom(int n, std::vector<bool>& visited, std::vector<Cell2>& path)
{
    if (static_cast<int>(path.size()) == n * n)
        return true;
    std::vector<Cell2> next = freeTargets(n, visited, path.back());
    // Fewest onward jumps first: finds a tour on these boards almost without backtracking.
    std::stable_sort(next.begin(), next.end(), [&](Cell2 a, Cell2 b) {
        return freeTargets(n, visited, a).size() < freeTargets(n, visited, b).size();
    });
    for (Cell2 s : next) {
        visited[at(n, s)] = true;
        path.push_back(s);
        if (tourFrom(n, visited, path))
            return true;
        path.pop_back();
        visited[at(n, s)] = false;
    }
    return false;
}

bool deadEndFrom(int n, std::vector<bool>& visited, std::vector<Cell2>& path, std::size_t maxLength)
{
    const std::vector<Cell2> next = freeTargets(n, visited, path.back());
    if (next.empty())
        return static_cast<int>(path.size()) < n * n;
    if (path.size() >= maxLength)
        return false;
    for (Cell2 s : next) {
        visited[at(n, s)] = true;
        path.push_back(s);
        if (deadEndFrom(n, visited, path, maxLength))
            return true;
        path.pop_back();
        visited[at(n, s)] = false;
    }
    return false;
}
} // namespace

std::vector<Cell2> freeTargets(int n, const std::vector<bool>& visited, Cell2 from)
{
    std::vector<Cell2> out;
    for (Cell2 d : steps) {
        const Cell2 s{from.x + d.x, from.y + d.y};
        if (s.x >= 0 && s.y >= 0 && s.x < n && s.y < n && !visited[at(n, s)])
            out.push_back(s);
    }
    return out;
}

std::vector<Cell2> knightsTour(int n, Cell2 start)
{
    std::vector<bool> visited(static_cast<std::size_t>(n * n));
    std::vector<Cell2> path{start};
    visited[at(n, start)] = true;
    return tourFrom(n, visited, path) ? path : std::vector<Cell2>{};
}

std::vector<Cell2> deadEndPath(int n, Cell2 start)
{
    for (std::size_t length = 2; length < 12; ++length) {
        std::vector<bool> visited(static_cast<std::size_t>(n * n));
        std::vector<Cell2> path{start};
        visited[at(n, start)] = true;
        if (deadEndFrom(n, visited, path, length))
            return path;
    }
    return {};
}

Picture crop(const Picture& picture, int x, int y, int width, int height)
{
    Picture out{width, height, std::vector<uint16_t>(static_cast<std::size_t>(width * height))};
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px)
            if (x + px >= 0 && y + py >= 0 && x + px < picture.width && y + py < picture.height)
                out.pixels[static_cast<std::size_t>(py * width + px)] = picture.at(x + px, y + py);
    return out;
}

void writePictureBmp(const std::string& path, const Picture& picture)
{
    const uint32_t row = (static_cast<uint32_t>(picture.width) * 3 + 3) / 4 * 4;
    const uint32_t size = 54 + row * static_cast<uint32_t>(picture.height);
    std::vector<uint8_t> b(size);
    auto put32 = [&](std::size_t o, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[o + static_cast<std::size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(picture.width));
    put32(22, static_cast<uint32_t>(picture.height));
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const uint16_t p = picture.at(x, y);
            const std::size_t o = 54 + static_cast<std::size_t>(picture.height - 1 - y) * row + static_cast<std::size_t>(x) * 3;
            b[o] = static_cast<uint8_t>((p & 31) << 3);
            b[o + 1] = static_cast<uint8_t>(((p >> 5) & 63) << 2);
            b[o + 2] = static_cast<uint8_t>((p >> 11) << 3);
        }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}
