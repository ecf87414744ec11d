#!/usr/bin/env bash
# Checks the sources for two-file include circles and for includes against the module map, then
# builds everything with AddressSanitizer and UndefinedBehaviorSanitizer (warnings are errors) and
# runs every test (unit, end-to-end on the headless backend and under Xvfb), then builds the release
# configuration with the benchmarks (warnings are errors) and runs each benchmark once for a moment,
# then every fuzz target for VELMOOR_FUZZ_SECONDS, default 12, in parallel, then cross-builds
# everything for arm64 and runs the tests under qemu (scripts/cross-test.sh).
# The whole output goes to logs in each build folder (configure.log, build.log, ctest.log); the
# terminal shows failures and closes on one line per phase, the total and the verdict.
# Exit status: non-zero when anything failed, or when a phase reported nothing.
set -uo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh test || exit 1
./scripts/include-circles.sh talvo img sprite framework game platform tools || exit 1
./scripts/include-layers.sh || exit 1
# A summary of this run's own, whatever the environment names.
unset VELMOOR_SUMMARY VELMOOR_SUMMARY_PID
source scripts/phases.sh
# The phases that must report; one that does not fails the run.
phases=(asan benchmarks)

export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
jobs=$(nproc)

echo "asan: building and testing (logs in build/asan/)"
if built build/asan/configure.log cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
     -DVELMOOR_SANITIZE=ON -DVELMOOR_WERROR=ON &&
   built build/asan/build.log cmake --build build/asan -j"$jobs"; then
  run_ctest asan build/asan -j"$jobs"
else
  record asan 0 1 0
fi

# The release configuration as ./run.sh builds it, with the benchmarks: a warning in our code, a
# benchmark that no longer builds, or one that fails or crashes in its one short pass fails here.
# bench/sdl_startup.sh is left out: it needs Xvfb and takes a minute of timed runs.
echo "benchmarks: building and running each once (logs in build/release/)"
if built build/release/configure.log cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVELMOOR_BENCH=ON \
     -DVELMOOR_TESTS=OFF -DVELMOOR_WERROR=ON &&
   built build/release/build.log cmake --build build/release -j"$jobs"; then
  ran=0 failed=0
  for bench in build/release/bench/*_bench; do
    if "$bench" --benchmark_min_time=0.01 >"$bench.out" 2>&1; then
      ran=$((ran + 1))
    else
      failed=$((failed + 1))
      echo "FAILED: $bench; the end of $bench.out:"
      tail -20 "$bench.out"
    fi
  done
  record benchmarks "$ran" "$failed" 0
else
  record benchmarks 0 1 0
fi

if compgen -G "fuzz/*_fuzz.cpp" >/dev/null; then
  phases+=(fuzz)
  echo "fuzz: building and fuzzing (logs in build/fuzz/)"
  if built build/fuzz/configure.log cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 \
       -DVELMOOR_FUZZ=ON -DVELMOOR_FUZZ_SECONDS="${VELMOOR_FUZZ_SECONDS:-12}" \
       -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ &&
     built build/fuzz/build.log cmake --build build/fuzz -j"$jobs" --target fuzzers; then
    run_ctest fuzz build/fuzz -j"$jobs"
  else
    record fuzz 0 1 0
  fi
fi

# The arm64 cross build, warnings as errors, and its tests under qemu-aarch64. A step that ends
# badly without recording a failure (not executable, killed, a stray exit) fails all the same.
phases+=(arm64)
./scripts/cross-test.sh
status=$?
if [ "$status" -ne 0 ] && ! phase_failed arm64; then
  echo "arm64: scripts/cross-test.sh ended with status $status and recorded no failure"
  record arm64 0 1 0
fi
finish test.sh "${phases[@]}"
