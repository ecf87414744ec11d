#!/usr/bin/env bash
# Cross-builds the whole project for 64-bit ARM Linux in build/arm64 (no sanitizers, warnings are
# errors) and runs its tests under qemu-aarch64: the libraries', the platform's, the framework's,
# the game's and the data generator's (the Xvfb scripts are left out: they are not registered in a
# cross build). The whole output goes to build/arm64/{configure,build,ctest}.log; the terminal
# shows failures and the counts (under test.sh, test.sh closes on them). Exit status: non-zero when
# the build or a test fails.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/phases.sh
if ! ./scripts/setup.sh cross; then
  record arm64 0 1 0
  [ -z "$summary_owner" ] || finish cross-test.sh arm64
  exit 1
fi

export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
jobs=$(nproc)

echo "arm64: cross-building and testing under qemu (logs in build/arm64/)"
# -O1 without debug information keeps both the build and the emulated runs short; assertions stay on.
if built build/arm64/configure.log cmake -S . -B build/arm64 --toolchain cmake/aarch64-linux-gnu.cmake \
     -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS_DEBUG=-O1 -DCMAKE_CXX_FLAGS_DEBUG=-O1 -DVELMOOR_WERROR=ON &&
   built build/arm64/build.log cmake --build build/arm64 -j"$jobs"; then
  run_ctest arm64 build/arm64 -j"$jobs"
else
  record arm64 0 1 0
fi
# Run alone it closes on its own counts; under test.sh, test.sh does. Either way its status tells.
[ -z "$summary_owner" ] || { finish cross-test.sh arm64; exit; }
! phase_failed arm64
