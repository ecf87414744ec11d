// The loops of rgb888 sources: their row of the selection table, each loop by its name.
#include "sprite/blit/blitLoop.h"

#define BLIT_OWN BLIT_DEFINE
#define BLIT_SERVED(OP, S, D, SUF)
BLIT_FROM_RGB888(BLIT_BLOCK)
