// Placeholder until the alpha masks exist: no Surface gets a mask.
#include "framework/Surface.h"

int Surface::createAlphaMask() { return FrameworkResult::Ok; }

void deleteAlphaMask(AlphaMask*) {}
