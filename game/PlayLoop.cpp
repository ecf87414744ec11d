// The three board screens as one loop over a table of what differs between them.
#include "game/PlayLoop.h"

#include "framework/Display.h"
#include "framework/Font.h"
#include "framework/Input.h"
#include "framework/Surface.h"
#include "framework/Window.h"
#include "game/BestScoreFile.h"
#include "game/Fades.h"
#include "game/GameState.h"
#include "game/Globals.h"
#include "game/JumpHints.h"
#include "game/Resources.h"
#include "game/Rules.h"
#include "game/ScreenFont.h"
#include "game/ScreenFrame.h"
#include "game/SquareGeometry.h"
#include "game/WonScreen.h"
#include "platform/keycodes.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace {

struct BoardScreen {
    const char* boardPicture;
    // The 6x6 board shows the file named for 8x8 and the other way round; the names are the
    // data's own.
    const char* endButtonPicture;
    ScreenRect endButton;
    int32_t endPictureX;
    int32_t endPictureY;
};

// In the order of Board.
constexpr std::array<BoardScreen, 3> boardScreens{{
    {"Data/Field[6x6].bmp", "Data/end[8x8].bmp", {237, 537, 498, 558}, 236, 497},
    {"Data/Field[8x8].bmp", "Data/end[6x6].bmp", {167, 474, 449, 517}, 166, 445},
    {"Data/Field[10x10].bmp", "Data/end[10x10].bmp", {377, 610, 501, 599}, 314, 500},
}};

const BoardScreen& boardScreen(Board board)
{
    return boardScreens.at(static_cast<std::size_t>(board));
}

// The animation frames of the piece's strip.
constexpr int32_t LeavingFrame = 0; // + jumpStep: the piece leaving the previous square
constexpr int32_t ArrivingFrame = 8; // + jumpStep: the piece arriving
constexpr int32_t RestingFrame = 17;

// One frame of the board: everything between the input and the present.
void drawBoardFrame(Board board, const BoardScreen& screen, Font& font)
{
    drawPicture(background, 0, 0);
    updateHoverSquare(gameState, gameState.mouseX, gameState.mouseY);

    if (mouseIn(screen.endButton)) {
        if (gameState.mouseClicked || input.keys[plat::dik::F1])
            gameState.leaveScreen = true;
        drawPicture(endButtonPicture, screen.endPictureX, screen.endPictureY);
        raiseBestScore();
    }

    if (tryJump(gameState, gameState.mouseX, gameState.mouseY, gameState.mouseClicked))
        static_cast<void>(clickSound.play(0, nullptr));

    checkBoardComplete(gameState, board);
    if (gameState.won) {
        // A full board is the best play there is; without this only hovering the end button
        // would ever record it.
        raiseBestScore();
        runWonScreen(boardGeometry(board).rankLevel);
    }

    drawBoardCells(boardGeometry(board).size);
    showJumpHints(board);

    drawTextF(font, backBuffer(), ScreenTextX, ScreenTextY, screenTextColour(), "Punkte:%i", gameState.score);
    drawPicture(cursorPicture, gameState.mouseX, gameState.mouseY);
}

} // namespace

void setupBoardScreen(Board board)
{
    const BoardScreen& screen = boardScreen(board);
    static_cast<void>(input.attach(window));
    loadPicture(endButtonPicture, screen.endButtonPicture);
    loadPicture(background, screen.boardPicture);
    setupBoard(gameState, board);
}

void setupBoard6x6() { setupBoardScreen(Board::Size6x6); }
void setupBoard8x8() { setupBoardScreen(Board::Size8x8); }
void setupBoard10x10() { setupBoardScreen(Board::Size10x10); }

void runGame(Board board)
{
    const BoardScreen& screen = boardScreen(board);
    Font font;
    buildScreenFont(font);
    // The 6x6 setup clears the score itself, so a restart there begins at 0; the larger boards
    // clear it only here, so a restart keeps the points.
    if (!boardGeometry(board).setupClearsScore)
        gameState.score = 0;

    runScreenLoop([&] {
        readFrameInput();
        drawBoardFrame(board, screen, font);
        presentFrame();
    });

    copyFrameToScreenCopy();
    fadeOutSurface(screenCopy, 0, 0);
}

void runGame6x6() { runGame(Board::Size6x6); }
void runGame8x8() { runGame(Board::Size8x8); }
void runGame10x10() { runGame(Board::Size10x10); }

void drawBoardCells(int32_t n)
{
    if (gameState.pieceX == -1 || gameState.leaveScreen)
        return;
    timer.advance(1.0);
    advanceJumpAnimation(gameState, timer.time);
    if (gameState.leaveScreen || n < 1)
        return;
    n = std::min(n, BoardStorageSide);

    const bool animating = gameState.animating;
    const bool hasPrevious = gameState.previousX != -1;
    for (int32_t x = 0; x < n; ++x) {
        for (int32_t y = 0; y < n; ++y) {
            const ScreenPoint at = squarePixelPosition(gameState, x, y);
            switch (gameState.cell(x, y)) {
            case Cell::Piece:
                if (animating) {
                    pieceAnimation.drawFrame(backBuffer(), at.x, at.y, gameState.jumpStep + ArrivingFrame);
                    if (hasPrevious) {
                        const ScreenPoint from = squarePixelPosition(gameState, gameState.previousX,
                                                                     gameState.previousY);
                        pieceAnimation.drawFrame(backBuffer(), from.x, from.y, gameState.jumpStep + LeavingFrame);
                    }
                } else {
                    pieceAnimation.drawFrame(backBuffer(), at.x, at.y, RestingFrame);
                }
                break;
            case Cell::Visited:
                if (!(animating && x == gameState.previousX && y == gameState.previousY))
                    drawPicture(visitedPicture, at.x, at.y);
                break;
            case Cell::Empty: break;
            }
        }
    }
}
