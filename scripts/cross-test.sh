#!/usr/bin/env bash
# Cross-builds the whole project for 64-bit ARM Linux in build/arm64 (no sanitizers, warnings are
# errors) and runs its tests under qemu-aarch64: the libraries', the platform's, the framework's,
# the game's and the data generator's (the Xvfb scripts are left out: they are not registered in a
# cross build). Exit status: non-zero when the build or a test fails.
set -uo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh cross || exit 1

export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
jobs=$(nproc)

# -O1 without debug information keeps both the build and the emulated runs short; assertions stay on.
cmake -S . -B build/arm64 --toolchain cmake/aarch64-linux-gnu.cmake -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_C_FLAGS_DEBUG=-O1 -DCMAKE_CXX_FLAGS_DEBUG=-O1 -DVELMOOR_WERROR=ON >/dev/null || exit 1
cmake --build build/arm64 -j"$jobs" || exit 1
(cd build/arm64 && ctest --output-on-failure -j"$jobs")
