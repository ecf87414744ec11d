// The processor's features, asked on first use.
#include "platform/cpu_features.h"

namespace plat {
namespace {
constinit bool allowed = true;

bool hasAvx2()
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
#else
    return false;
#endif
}
} // namespace

bool wideStepsOn() { return allowed && hasAvx2(); }

void allowWideSteps(bool allow) { allowed = allow; }

} // namespace plat
