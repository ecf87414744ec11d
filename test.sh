#!/usr/bin/env bash
# Checks the sources for two-file include circles and for includes against the module map, then
# builds everything with AddressSanitizer and UndefinedBehaviorSanitizer (warnings are errors) and
# runs every test (unit, end-to-end on the headless backend and under Xvfb), then builds the release
# configuration with the benchmarks (warnings are errors) and runs each benchmark once for a moment,
# then every fuzz target for VELMOOR_FUZZ_SECONDS, default 12, in parallel, then cross-builds
# everything for arm64 and runs the tests under qemu (scripts/cross-test.sh).
# Exit status: the tests'.
set -uo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh test || exit 1
./scripts/include-circles.sh talvo img sprite framework game platform tools || exit 1
./scripts/include-layers.sh || exit 1

export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
jobs=$(nproc)

cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 -DVELMOOR_SANITIZE=ON \
      -DVELMOOR_WERROR=ON >/dev/null || exit 1
cmake --build build/asan -j"$jobs" || exit 1
(cd build/asan && ctest --output-on-failure -j"$jobs")
status=$?

# The release configuration as ./run.sh builds it, with the benchmarks: a warning in our code, a
# benchmark that no longer builds, or one that fails or crashes in its one short pass fails here.
# bench/sdl_startup.sh is left out: it needs Xvfb and takes a minute of timed runs.
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVELMOOR_BENCH=ON -DVELMOOR_TESTS=OFF \
      -DVELMOOR_WERROR=ON >/dev/null || exit 1
if cmake --build build/release -j"$jobs"; then
  ran=0
  for bench in build/release/bench/*_bench; do
    ran=$((ran + 1))
    if ! "$bench" --benchmark_min_time=0.01 >"$bench.out" 2>&1; then
      echo "test.sh: $bench failed:"
      tail -20 "$bench.out"
      status=1
    fi
  done
  echo "test.sh: $ran benchmarks ran once (their output: build/release/bench/*.out)"
else
  status=1
fi

if compgen -G "fuzz/*_fuzz.cpp" >/dev/null; then
  cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 -DVELMOOR_FUZZ=ON \
        -DVELMOOR_FUZZ_SECONDS="${VELMOOR_FUZZ_SECONDS:-12}" \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null || exit 1
  cmake --build build/fuzz -j"$jobs" --target fuzzers || exit 1
  (cd build/fuzz && ctest --output-on-failure -j"$jobs") || status=1
fi

# The arm64 cross build, warnings as errors, and its tests under qemu-aarch64.
./scripts/cross-test.sh || status=1
exit $status
