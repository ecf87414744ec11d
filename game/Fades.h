// Screen changes through black: each fade draws and presents its own frames and takes no
// window message or input while it runs.
#pragma once

class Surface;

// From full brightness down to level 5 of 256: 51 frames.
void fadeOutSurface(Surface& surface, int x, int y);
// From black up to level 252 of 256: 64 frames; full brightness comes with the next frame.
void fadeInSurface(Surface& surface, int x, int y);

// Copies the frame in the back buffer into screenCopy, the source of every fade-out.
void copyFrameToScreenCopy();
