// The MMX check behind mmxEnabled.
#include "framework/Mmx.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

uint8_t detectMmx()
{
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || !(edx & (1u << 23)))
        return 0;
    // Reaching here means EMMS exists; running it leaves the FPU state clean.
    __asm__ volatile("emms");
    return 1;
#else
    return 0;
#endif
}

uint8_t mmxEnabled = detectMmx();
