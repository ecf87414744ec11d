// What the processor offers beyond the baseline the project is built for, asked once.
#pragma once

namespace plat {

// True when the processor runs AVX2 (always false off x86).
[[nodiscard]] bool hasAvx2();

} // namespace plat
