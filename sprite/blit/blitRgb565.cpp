// The loops of rgb565 sources (onto rgb565 their constant-alpha, alpha-map and subtract cells by the kept-apart policy): their row of the selection table, each loop by its name.
#include "sprite/blit/blitLoop.h"

#define BLIT_OWN BLIT_DEFINE
#define BLIT_SERVED(OP, S, D, SUF)
BLIT_FROM_RGB565(BLIT_BLOCK)
