// The game's framework objects: process-wide, built before main in this order and destroyed
// after it in the reverse order, so every picture goes before the display and the window last.
#pragma once

#include "framework/Animation.h"
#include "framework/Display.h"
#include "framework/Input.h"
#include "framework/Music.h"
#include "framework/Sound.h"
#include "framework/SoundDevice.h"
#include "framework/Surface.h"
#include "framework/Timer.h"
#include "framework/Window.h"

extern Window window;
extern Display display;
extern Input input;
extern Surface endButtonPicture; // the end button of the running board
extern Surface background;       // the full-screen picture of the running screen
extern Surface pieceStrip;       // the piece's 18 animation frames
extern Surface hintHoverPicture; // a jump target under the mouse
extern Surface visitedPicture;
extern SoundDevice soundDevice;
extern Sound clickSound;       // an accepted click on the board
extern Sound startSound;       // a board starts
extern Music music;             // the menu's music, looped
extern Animation pieceAnimation; // frames cut from pieceStrip
extern Surface menu6x6Picture;
extern Surface menu8x8Picture;
extern Surface menu10x10Picture;
extern Surface musicPicture;
extern Surface authorsPicture;
extern Surface exitPicture;
extern Surface musicTickPicture; // shown while the music is on
extern Surface badgePicture;     // the rank badge; empty while there is no rank
extern Surface cursorPicture;
extern Surface hintPicture;      // a jump target
extern Surface screenCopy;       // the last frame, source of the fade-outs
extern Surface lostPicture;
extern Surface lostMaskPicture;
extern Surface yesButtonPicture;
extern Surface noButtonPicture;
extern Timer timer;              // seconds since start-up

// The surface of the frame being drawn (the display's back buffer).
[[nodiscard]] inline Surface* backBuffer() { return display.back; }
