// The MMX check behind mmxEnabled.
#include "framework/Mmx.h"

#include "platform/cpu_features.h"

// Every x86-64 processor has MMX and EMMS, and only x86 ones have vector levels above scalar: the
// layer's one question to the processor answers this too.
uint8_t detectMmx() { return plat::supportedSimdLevel() != plat::SimdLevel::scalar ? 1 : 0; }

uint8_t mmxEnabled = detectMmx();
