// What the processor offers beyond the baseline the project is built for, asked once, and a
// switch with which tests run the baseline loops on a processor that has more.
#pragma once

namespace plat {

// True when the processor runs AVX2 (always false off x86) and wide steps are allowed.
[[nodiscard]] bool wideStepsOn();

// Allowed unless a test turns them off to check the baseline loops; not for concurrent use.
void allowWideSteps(bool allow);

} // namespace plat
