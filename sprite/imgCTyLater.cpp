// imgCTy operations whose work belongs to the blitter and the picture loaders; until those
// arrive they do nothing.
#include "sprite/imgCTy.h"

void imgCTy::DrawMirrorH(imgCTy*, int, int, const imgRect*) {}
void imgCTy::DrawExMirrorH(imgCTy*, int, int, const imgRect*, const DrawParams*) {}
void imgCTy::LoadTga(const char*) {}
void imgCTy::ReadTga(talvo::io::IStream&) {}
void imgCTy::LoadJpg(const char*) {}
