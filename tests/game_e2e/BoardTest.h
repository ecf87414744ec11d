// Fixture for the board screens: starting a board from the menu, clicking squares, and
// checking a board frame square by square against the generated pictures and a model of the
// board kept by the test itself.
#pragma once

#include "BoardModel.h"
#include "GameTest.h"

#include "platform/headless/input.h"

#include <string>
#include <vector>

class BoardTest : public GameTest {
protected:
    // The model of the board as the test's own clicks left it.
    struct Model {
        BoardLayout layout;
        std::vector<bool> visited; // by y * n + x, the piece's square included
        std::optional<Cell2> piece;
        std::optional<Cell2> previous;
    };

    // From the menu into the board (its menu button at the point); returns once the board's
    // first frame is shown.
    void enterBoard(const BoardLayout& layout, int buttonX, int buttonY);
    void enter6x6() { enterBoard(Layout6x6, 300, 200); }
    void enter8x8() { enterBoard(Layout8x8, 300, 260); }
    void enter10x10() { enterBoard(Layout10x10, 300, 320); }

    // Queues a click on the square's centre and lets the game take the press and the release.
    void clickSquare(Cell2 square);
    // The same, and moves the model's piece there (the click must be a legal one).
    void playSquare(Cell2 square);
    // Frames until the jump animation is over.
    void waitForRest();

    // Every square of the presented frame against the model: the piece's animation frame,
    // visited marks, the hints on exactly the model's free targets, the bare board elsewhere.
    // "ok" or what differs first.
    [[nodiscard]] std::string checkBoardFrame();

    // The cursor picture's area at the frame's mouse position.
    [[nodiscard]] Area cursorArea() const;

    [[nodiscard]] std::string boardPicturePath() const;
    // One frame of the piece's strip.
    [[nodiscard]] Picture pieceFrame(int frame);

    Model model{Layout6x6, {}, {}, {}};
};

// The point of a menu or dialog button (inside its rectangle).
struct Point {
    int x;
    int y;
};
inline constexpr Point JaButton{290, 415};
inline constexpr Point NeinButton{500, 420};
