// imgCTy's mirrored draws: only the run-length sprite draws mirrored; the base does nothing.
#include "sprite/imgCTy.h"

void imgCTy::DrawMirrorH(imgCTy*, int, int, const imgRect*) {}
void imgCTy::DrawExMirrorH(imgCTy*, int, int, const imgRect*, const DrawParams*) {}
