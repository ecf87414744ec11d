// Fixture for the board screens: starting a board from the menu, clicking squares, and
// checking a board frame square by square against the generated pictures and a model of the
// board kept by the test itself.
#pragma once

#include "GameTest.h"
#include "tests/game/BoardModel.h"

#include <optional>
#include <string>
#include <vector>

// Points inside the buttons of the lost dialog.
inline constexpr ScreenPoint JaButton{290, 415};
inline constexpr ScreenPoint NeinButton{500, 420};

class BoardTest : public GameTest {
protected:
    // The model of the board as the test's own clicks left it.
    struct Model {
        LayoutModel layout = Layout6x6;
        Visited visited; // the piece's square included
        std::optional<Square> piece;
        std::optional<Square> previous;

        void reset(const LayoutModel& m) { *this = Model{m, Visited(static_cast<size_t>(m.n * m.n)), {}, {}}; }
    };

    // From the menu into the board; returns once the board's first frame is shown.
    void enterBoard(const LayoutModel& layout);
    // Queues a click on the square's centre and lets the game take the press and the release.
    void clickSquare(Square square);
    // The same, and moves the model's piece there; with frames = 1 only the press's frame runs.
    void playSquare(Square square, int frames = 2);
    // Frames until the jump animation is over.
    void waitForRest();

    // Every square of the presented frame against the model: the piece's animation frame,
    // visited marks, the hints on exactly the model's free targets, the bare board elsewhere.
    // "ok" or what differs first.
    [[nodiscard]] std::string checkBoardFrame();
    // The whole frame of the lost dialog: the panel where the mask is opaque, the board picture
    // where it is clear and everywhere else, as far as the board picture reaches (greys and the
    // cursor are not compared); pictures as the game loaded them. "ok" or what differs.
    [[nodiscard]] std::string checkLostDialog(const Picture& board, const Picture& panel, const Picture& mask,
                                              int minPanelPixels = 1000);
    [[nodiscard]] std::string checkLostDialog()
    {
        return checkLostDialog(picture(boardPicturePath()), picture("Data/Menu/Youloose.bmp"),
                               picture("Data/Menu/YLMask.bmp"));
    }

    [[nodiscard]] std::string boardPicturePath() const;

    Model model;
};
