// The authors screen: no cursor, every key ignored, a click ends it.
#include "game/AuthorsScreen.h"

#include "game/Fades.h"
#include "game/GameState.h"
#include "game/Globals.h"
#include "game/Resources.h"
#include "game/ScreenFrame.h"

void runAuthorsScreen()
{
    loadPicture(background, "Data/Menu/authors().bmp");
    fadeInSurface(background, 0, 0);
    showBackgroundUntilClick();
    copyFrameToScreenCopy();
    fadeOutSurface(screenCopy, 0, 0);
}
