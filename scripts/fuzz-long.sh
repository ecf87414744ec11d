#!/usr/bin/env bash
# Builds the fuzz targets and runs each for SECONDS (all targets, or the ones named), at most
# FUZZ_JOBS at a time (default 4), then prints runs, runs per second and coverage per target from
# libFuzzer's final figures. The corpus each run grows is kept in build/fuzz/fuzz/corpus/<target>,
# the logs in build/fuzz/long/, crash inputs in build/fuzz/fuzz/artifacts/.
# Usage: scripts/fuzz-long.sh SECONDS [TARGET...]. Exit status 1 when a target failed.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-}
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 SECONDS [TARGET...]" >&2; exit 2; }
shift
root=$PWD
build=$root/build/fuzz

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 -DVELMOOR_FUZZ=ON \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null || exit 1
cmake --build "$build" -j"$(nproc)" --target fuzzers >/dev/null || exit 1

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in fuzz/*_fuzz.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi
logs=$build/long
mkdir -p "$logs" "$build/fuzz/artifacts"

run() {
  local name=$1 work=$build/fuzz/corpus/$1
  mkdir -p "$work"
  VELMOOR_PLATFORM=headless SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    "$build/fuzz/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -close_fd_mask=3 \
    -print_final_stats=1 -artifact_prefix="$build/fuzz/artifacts/$name-" \
    "$work" "$root/fuzz/corpus/$name" >"$logs/$name.log" 2>&1
  echo $? >"$logs/$name.status"
}

jobs=${FUZZ_JOBS:-4}
for name in "${targets[@]}"; do
  [ -x "$build/fuzz/$name" ] || { echo "no such target: $name" >&2; exit 2; }
  rm -f "$logs/$name.status"
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
  echo "running $name for $seconds s" >&2
  run "$name" &
done
wait

status=0
printf '%-26s %10s %8s %6s %7s %7s %8s  %s\n' target runs runs/s cov ft corpus rss_mb result
for name in "${targets[@]}"; do
  log=$logs/$name.log
  done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1)
  [ -n "$done_line" ] || done_line=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
  stat() { grep -E "^stat::$1:" "$log" | awk '{print $2}' | tail -n 1; }
  field() { sed -nE "s/.* $1: ([^ ]+).*/\1/p" <<<"$done_line"; }
  result=ok
  if [ "$(cat "$logs/$name.status" 2>/dev/null)" != 0 ]; then
    result="FAILED (see $log)"
    status=1
  fi
  printf '%-26s %10s %8s %6s %7s %7s %8s  %s\n' "$name" "$(stat number_of_executed_units)" \
    "$(stat average_exec_per_sec)" "$(field cov)" "$(field ft)" "$(field corp | cut -d/ -f1)" \
    "$(stat peak_rss_mb)" "$result"
done
exit $status
