// The game's framework objects, defined in one file so their construction order is the
// order below and their destruction the reverse.
#include "game/Globals.h"

Window window;
Display display;
Input input;
Surface endButtonPicture;
Surface background;
Surface pieceStrip;
Surface hintHoverPicture;
Surface visitedPicture;
SoundDevice soundDevice;
Sound clickSound;
Sound startSound;
Music music;
Animation pieceAnimation;
Surface menu6x6Picture;
Surface menu8x8Picture;
Surface menu10x10Picture;
Surface musicPicture;
Surface authorsPicture;
Surface exitPicture;
Surface musicTickPicture;
Surface badgePicture;
Surface cursorPicture;
Surface hintPicture;
Surface screenCopy;
Surface lostPicture;
Surface lostMaskPicture;
Surface yesButtonPicture;
Surface noButtonPicture;
Timer timer;
