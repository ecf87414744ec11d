// Screens composed as the game shows them, written as PNG files for a person to look at.
#include "tools/assetgen/Preview.h"

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include "tools/assetgen/AssetSet.h"
#include "tools/assetgen/Canvas.h"
#include "tools/assetgen/Layout.h"
#include "tools/assetgen/Style.h"

namespace assetgen {

namespace {

using Pictures = std::map<std::string, Picture>;

void blit(Picture& dst, const Picture& src, int x, int y, bool keyed, Box from = {}) {
    if (from.width() <= 0) from = Box{0, 0, src.width, src.height};
    for (int sy = from.y0; sy < from.y1; ++sy)
        for (int sx = from.x0; sx < from.x1; ++sx) {
            const int dx = x + sx - from.x0, dy = y + sy - from.y0;
            if (dx < 0 || dy < 0 || dx >= dst.width || dy >= dst.height) continue;
            const Rgb c = src.at(sx, sy);
            if (keyed && isKeyBlack(c)) continue;
            dst.at(dx, dy) = c;
        }
}

// The game's masked blit on a 5-6-5 display: opacity from the mask's grey, d + floor((s - d) a / 256).
void blitMasked(Picture& dst, const Picture& src, const Picture& mask, int x, int y) {
    auto level = [](int field, int max) { return field == max ? 255 : field * 255 / max; };
    auto mix = [](int d, int s, int a) { return d + static_cast<int>(std::floor((s - d) * a / 256.0)); };
    for (int sy = 0; sy < src.height; ++sy)
        for (int sx = 0; sx < src.width; ++sx) {
            const Rgb m = mask.at(sx, sy);
            const int a = (level(m.r >> 3, 31) + level(m.g >> 2, 63) + level(m.b >> 3, 31)) / 3;
            Rgb& d = dst.at(x + sx, y + sy);
            const Rgb s = src.at(sx, sy);
            d = Rgb{static_cast<std::uint8_t>(mix(d.r >> 3, s.r >> 3, a) << 3),
                    static_cast<std::uint8_t>(mix(d.g >> 2, s.g >> 2, a) << 2),
                    static_cast<std::uint8_t>(mix(d.b >> 3, s.b >> 3, a) << 3)};
        }
}

// The score line as the game writes it: font "Alpine" at cell height 30, gold, cell top at (620, 30).
Picture withScore(const Picture& base, const std::string& text) {
    Canvas canvas(base.width, base.height);
    cairo_t* cr = canvas.cr();
    paintPicture(cr, base, 0, 0, false);
    cairo_set_font_face(cr, fontFace(Face::Alpine));
    cairo_set_font_size(cr, 100);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    const double size = 100 * 30 / (fe.ascent + fe.descent);
    const double ascent = fe.ascent * size / 100;
    cairo_new_path(cr);
    textPath(cr, Face::Alpine, size, text, scoreText.x0, scoreText.y0 + ascent);
    setColour(cr, Colour{248, 200, 0});
    cairo_fill(cr);
    return canvas.toOpaque();
}

struct Square {
    int x, y;
};

void drawAt(Picture& screen, const BoardLayout& b, Square s, const Picture& sprite, Box from = {}) {
    blit(screen, sprite, squarePixel(b.cellSize, b.originX, s.x), squarePixel(b.cellSize, b.originY, s.y), true, from);
}

Box frame(int i) { return Box::at(35 * i, 0, 35, 35); }

// A board in play: visited squares, the piece (or a jump under way), its free jumps.
Picture boardInPlay(const Pictures& p, const BoardLayout& b, const std::vector<Square>& path, int animStep,
                    Square hover) {
    Picture screen = p.at(b.fieldPath);
    std::vector<std::vector<int>> cells(static_cast<std::size_t>(b.n), std::vector<int>(static_cast<std::size_t>(b.n)));
    for (const Square& s : path) cells[static_cast<std::size_t>(s.x)][static_cast<std::size_t>(s.y)] = 1;
    const Square piece = path.back();
    const Square previous = path.size() > 1 ? path[path.size() - 2] : Square{-1, -1};
    for (int x = 0; x < b.n; ++x)
        for (int y = 0; y < b.n; ++y) {
            if (!cells[static_cast<std::size_t>(x)][static_cast<std::size_t>(y)]) continue;
            if (x == piece.x && y == piece.y) {
                if (animStep >= 0) {
                    drawAt(screen, b, piece, p.at("Data/horse.bmp"), frame(animStep + 8));
                    if (previous.x >= 0) drawAt(screen, b, previous, p.at("Data/horse.bmp"), frame(animStep));
                } else {
                    drawAt(screen, b, piece, p.at("Data/horse.bmp"), frame(17));
                }
            } else if (!(animStep >= 0 && x == previous.x && y == previous.y)) {
                drawAt(screen, b, Square{x, y}, p.at("Data/no.bmp"));
            }
        }
    static constexpr int jumps[8][2] = {{2, 1}, {-2, 1}, {2, -1}, {-2, -1}, {1, -2}, {-1, 2}, {-1, -2}, {1, 2}};
    for (const auto& j : jumps) {
        const Square t{piece.x + j[0], piece.y + j[1]};
        if (t.x < 0 || t.y < 0 || t.x >= b.n || t.y >= b.n) continue;
        if (cells[static_cast<std::size_t>(t.x)][static_cast<std::size_t>(t.y)]) continue;
        const bool under = t.x == hover.x && t.y == hover.y;
        drawAt(screen, b, t, p.at(under ? "Data/yes.bmp" : "Data/here.bmp"));
    }
    return screen;
}

Picture zoomedSprites(const Pictures& p) {
    const int zoom = 4;
    Picture sheet(18 * 35 * zoom / 2, 35 * zoom * 4);
    for (int y = 0; y < sheet.height; ++y)
        for (int x = 0; x < sheet.width; ++x) {
            const bool light = ((x / (44 * zoom / 2)) + (y / (44 * zoom / 2))) % 2 == 0;
            sheet.at(x, y) = light ? Rgb{232, 216, 184} : Rgb{168, 120, 80};
        }
    auto put = [&](const Picture& src, Box from, int ox, int oy) {
        for (int y = from.y0; y < from.y1; ++y)
            for (int x = from.x0; x < from.x1; ++x) {
                const Rgb c = src.at(x, y);
                if (isKeyBlack(c)) continue;
                for (int dy = 0; dy < zoom; ++dy)
                    for (int dx = 0; dx < zoom; ++dx)
                        sheet.at(ox + (x - from.x0) * zoom + dx, oy + (y - from.y0) * zoom + dy) = c;
            }
    };
    for (int i = 0; i < 18; ++i) put(p.at("Data/horse.bmp"), frame(i), (i % 9) * 35 * zoom, (i / 9) * 35 * zoom);
    put(p.at("Data/no.bmp"), Box{0, 0, 35, 35}, 0, 2 * 35 * zoom);
    put(p.at("Data/here.bmp"), Box{0, 0, 35, 35}, 35 * zoom, 2 * 35 * zoom);
    put(p.at("Data/yes.bmp"), Box{0, 0, 35, 35}, 2 * 35 * zoom, 2 * 35 * zoom);
    put(p.at("Data/cursor.bmp"), Box{0, 0, 24, 24}, 3 * 35 * zoom, 2 * 35 * zoom);
    return sheet;
}

} // namespace

void writePreviews(const std::string& dir) {
    Pictures p;
    for (PictureAsset& a : renderPictures()) p.emplace(a.path, std::move(a.picture));
    const Picture& cursor = p.at("Data/cursor.bmp");

    {
        Picture s = p.at("Data/Menu/Menu.bmp");
        const Badge& badge = badges[2];
        blit(s, p.at(badge.path), badge.picture.x0, badge.picture.y0, false);
        const MenuButton& hovered = menuButtons[1];
        blit(s, p.at(hovered.path), hovered.picture.x0, hovered.picture.y0, false);
        blit(s, p.at("Data/Menu/galka.bmp"), musicTick.x0, musicTick.y0, false);
        s = withScore(s, "Highscore:123");
        blit(s, cursor, 300, 262, true);
        writePng(s, dir + "/menu.png");
    }
    {
        Picture s = p.at("Data/Menu/Menu.bmp");
        blit(s, p.at(badges[0].path), badges[0].picture.x0, badges[0].picture.y0, false);
        const MenuButton& hovered = menuButtons[5];
        blit(s, p.at(hovered.path), hovered.picture.x0, hovered.picture.y0, false);
        s = withScore(s, "Highscore:1000");
        blit(s, cursor, 400, 500, true);
        writePng(s, dir + "/menu-rank0-exit.png");
    }
    {
        const BoardLayout& b = boards[1];
        const std::vector<Square> path = {{0, 0}, {1, 2}, {2, 4}, {3, 6}, {5, 7}, {7, 6}, {6, 4}};
        Picture s = boardInPlay(p, b, path, -1, Square{4, 5});
        s = withScore(s, "Punkte:7");
        blit(s, cursor, squarePixel(b.cellSize, b.originX, 4) + 14, squarePixel(b.cellSize, b.originY, 5) + 14, true);
        writePng(s, dir + "/board8.png");
    }
    {
        const BoardLayout& b = boards[2];
        const std::vector<Square> path = {{0, 0}, {2, 1}, {4, 2}, {6, 3}, {8, 4}, {9, 6}, {7, 7}};
        Picture s = boardInPlay(p, b, path, 3, Square{-1, -1});
        blit(s, p.at(b.endPath), b.endPicture.x0, b.endPicture.y0, false);
        s = withScore(s, "Punkte:42");
        blit(s, cursor, 480, 545, true);
        writePng(s, dir + "/board10-jump.png");
    }
    {
        const BoardLayout& b = boards[0];
        Picture s = p.at(b.fieldPath);
        blitMasked(s, p.at("Data/Menu/Youloose.bmp"), p.at("Data/Menu/YLMask.bmp"), lostX, lostY);
        blit(s, p.at("Data/Menu/Nein.bmp"), noPicture.x0 + lostX, noPicture.y0 + lostY, false);
        s = withScore(s, "Punkte:23");
        writePng(s, dir + "/lost6.png");
    }
    {
        // The dialog shows the bare board picture: no piece, marks or hints.
        Picture s = p.at(boards[1].fieldPath);
        blitMasked(s, p.at("Data/Menu/Youloose.bmp"), p.at("Data/Menu/YLMask.bmp"), lostX, lostY);
        blit(s, p.at("Data/Menu/Ja.bmp"), yesPicture.x0 + lostX, yesPicture.y0 + lostY, false);
        s = withScore(s, "Punkte:3");
        blit(s, cursor, 290, 418, true);
        writePng(s, dir + "/lost8-ja.png");
    }
    writePng(withScore(p.at("Data/Congratulaions.bmp"), "Punkte:100"), dir + "/won.png");
    writePng(p.at("Data/Menu/authors().bmp"), dir + "/authors.png");
    writePng(zoomedSprites(p), dir + "/sprites.png");
}

} // namespace assetgen
