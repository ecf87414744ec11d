// The screenshot key test.
#include "game/Screenshot.h"

#include "framework/KeyboardState.h"

void saveScreenshotOnKey()
{
    // NOTE: F5 and F9 save nothing yet: the picture is written through the sprite image
    // library, which the game does not have yet. The poller still advances every frame.
    pollKeyboardState();
}
