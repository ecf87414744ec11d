// The MMX check behind mmxEnabled.
#include "framework/Mmx.h"

#include "platform/simd_level.h"

// Every x86-64 processor has MMX and EMMS, and only x86 ones have vector levels above scalar; the
// four-pixel rows are vector rows, so they follow the one level (VELMOOR_SIMD=scalar turns them off).
uint8_t detectMmx() { return plat::simdLevel() != plat::SimdLevel::scalar ? 1 : 0; }

uint8_t mmxEnabled = detectMmx();
