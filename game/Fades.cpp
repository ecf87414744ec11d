// The fades: the picture blended toward black at one level per presented frame.
#include "game/Fades.h"

#include "framework/AlphaBlit.h"
#include "game/Globals.h"
#include "game/Screenshot.h"

namespace {
void presentAtLevel(Surface& surface, int x, int y, int level)
{
    Surface* back = backBuffer();
    if (back) {
        Rect whole;
        (void)back->lock();
        blitBlended(&surface, back, x, y, makeRect(whole, 0, 0, surface.width, surface.height), 0, level);
        (void)back->unlock();
    }
    saveScreenshotOnKey();
    (void)display.flip(0);
}
} // namespace

void fadeOutSurface(Surface& surface, int x, int y)
{
    for (int level = 255; level > 0; level -= 5)
        presentAtLevel(surface, x, y, level);
}

void fadeInSurface(Surface& surface, int x, int y)
{
    for (int level = 0; level < 255; level += 4)
        presentAtLevel(surface, x, y, level);
}

void copyFrameToScreenCopy()
{
    Surface* back = backBuffer();
    if (!back)
        return;
    Rect whole;
    (void)back->blit(&screenCopy, 0, 0, makeRect(whole, 0, 0, back->width, back->height));
}
