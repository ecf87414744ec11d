// imgCTy::DrawEx until the software blitter carries it out: draws nothing.
#include "sprite/imgCTy.h"

void imgCTy::DrawEx(imgCTy*, int, int, const imgRect*, const DrawParams*) {}
