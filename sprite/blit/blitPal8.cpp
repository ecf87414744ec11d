// The loops of palettized sources, and the index-to-index copies: their row of the selection table, each loop by its name.
#include "sprite/blit/blitLoop.h"

#define BLIT_OWN BLIT_DEFINE
#define BLIT_SERVED(OP, S, D, SUF)
BLIT_FROM_PAL8(BLIT_BLOCK)

BLIT_INDEX_COPIES(BLIT_DEFINE)
