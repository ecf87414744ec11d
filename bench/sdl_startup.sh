#!/bin/bash
# SDL start-up under Xvfb: time from exec to the first presented frame, the game against a minimal
# SDL2 program that shows frames the same way (median of 7 runs each), then idle CPU in the menu
# and resident memory of both. Usage: bench/sdl_startup.sh <release build dir with VELMOOR_BENCH=ON>
set -euo pipefail
build=$(cd "${1:?usage: $0 <build dir>}" && pwd)
game="$build/run/Velmoor"
minimal="$build/bench/sdl_minimal"
stamp_lib="$build/bench/libfirst_present_stamp.so"
runs=7
idle_seconds=${IDLE_SECONDS:-5}
for f in "$game" "$minimal" "$stamp_lib"; do [ -e "$f" ] || { echo "missing $f" >&2; exit 1; }; done

work=$(mktemp -d)
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() { kill "$xvfb" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
export DISPLAY=$display VELMOOR_PLATFORM=sdl
unset SDL_VIDEODRIVER SDL_AUDIODRIVER
cp -r "$build/run/Data" "$build/run/Alpine.ttf" "$work/"


# Microseconds from exec to the first present of one run.
first_present_us() {
    local program=$1 start end
    rm -f "$work/stamp"
    start=${EPOCHREALTIME/./}
    (cd "$work" && STARTUP_STAMP="$work/stamp" STARTUP_EXIT=1 LD_PRELOAD="$stamp_lib" exec "$program") \
        >/dev/null 2>&1 || true
    [ -s "$work/stamp" ] || { echo "no frame from $program" >&2; exit 1; }
    end=$(cat "$work/stamp")
    echo $((end / 1000 - start))
}

median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

# Runs alternate between the two programs, so a change in the machine's load falls on both.
first_present_us "$game" >/dev/null # warm file caches
first_present_us "$minimal" >/dev/null
game_runs=() minimal_runs=()
for _ in $(seq $runs); do
    game_runs+=("$(first_present_us "$game")")
    minimal_runs+=("$(first_present_us "$minimal")")
done
declare -A start_us
start_us[game]=$(printf '%s\n' "${game_runs[@]}" | median)
start_us[minimal]=$(printf '%s\n' "${minimal_runs[@]}" | median)

# Idle: the program left alone (the game in its menu) for a while; CPU time over that span and
# the resident set at its end. Five alternating runs each, medians.
idle() {
    local program=$1 pid t0 t1 rss hz
    (cd "$work" && exec "$program") >/dev/null 2>&1 &
    pid=$!
    sleep 2
    t0=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    sleep "$idle_seconds"
    t1=$(awk '{print $14 + $15}' "/proc/$pid/stat")
    rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    hz=$(getconf CLK_TCK)
    echo "$(awk -v d=$((t1 - t0)) -v hz="$hz" -v s="$idle_seconds" 'BEGIN {printf "%.1f", 100 * d / hz / s}') $rss"
}
game_idle=() minimal_idle=()
for _ in 1 2 3 4 5; do
    game_idle+=("$(idle "$game")")
    minimal_idle+=("$(idle "$minimal")")
done
column() { local i=$1; shift; printf '%s\n' "$@" | awk -v i="$i" '{print $i}' | median; }
game_cpu=$(column 1 "${game_idle[@]}") game_rss=$(column 2 "${game_idle[@]}")
min_cpu=$(column 1 "${minimal_idle[@]}") min_rss=$(column 2 "${minimal_idle[@]}")

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf (b > 0 ? "%.2fx" : "n/a"), a / b}'; }
ms() { awk -v v="$1" 'BEGIN {printf "%.1f", v / 1000}'; }
printf '%-34s %8s %10s %10s\n' "SDL under Xvfb (median of $runs)" ratio game minimal
printf '%-34s %8s %7s ms %7s ms\n' "exec to first presented frame" \
    "$(ratio "${start_us[game]}" "${start_us[minimal]}")" "$(ms "${start_us[game]}")" "$(ms "${start_us[minimal]}")"
printf '%-34s %8s %9s%% %9s%%\n' "idle CPU (${idle_seconds} s, one core = 100%)" \
    "$(ratio "$game_cpu" "$min_cpu")" "$game_cpu" "$min_cpu"
printf '%-34s %8s %7s kB %7s kB\n' "resident memory" "$(ratio "$game_rss" "$min_rss")" "$game_rss" "$min_rss"
