// The loops of rgbx5551 sources: their row of the selection table, each loop by its name.
#include "sprite/blit/blitLoop.h"

#define BLIT_OWN BLIT_DEFINE
#define BLIT_SERVED(OP, S, D, SUF)
BLIT_FROM_RGBX5551(BLIT_BLOCK)
