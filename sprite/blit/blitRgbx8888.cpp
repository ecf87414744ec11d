// The loops of 32-bit sources (rgbx8888 and rgba8888 alike); onto 32-bit their blend cells follow the kept-apart policy: their row of the selection table, each loop by its name.
#include "sprite/blit/blitLoop.h"

#define BLIT_OWN BLIT_DEFINE
#define BLIT_SERVED(OP, S, D, SUF)
BLIT_FROM_RGBX8888(BLIT_BLOCK)
