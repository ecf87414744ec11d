#!/usr/bin/env bash
# bench/compare.sh OLD_BUILD NEW_BUILD [FILTER]
#
# Runs the benchmarks of two release builds (OLD_BUILD/bench/*_bench against the same executables in
# NEW_BUILD/bench) pinned to one core and interleaved: each round runs every executable three times,
# the old build, the new one and the old one again, in an order that turns from round to round. Per
# row it prints the median CPU times, new/old and the self-pair (old again / old); the widest
# self-pair of all rows, taken either way from 1, is the noise band, and a row whose new/old lies
# outside it is marked.
#
#   COMPARE_CPU     the core to pin to (default 7)
#   COMPARE_ROUNDS  rounds, at least 5 (default 5)
#   COMPARE_ARGS    more Google Benchmark options for every run (default none)
set -euo pipefail

if [[ $# -lt 2 || $# -gt 3 ]]; then
  echo "usage: $0 OLD_BUILD NEW_BUILD [FILTER]" >&2
  exit 2
fi
old=$1 new=$2 filter=${3:-.}
cpu=${COMPARE_CPU:-7} rounds=${COMPARE_ROUNDS:-5}
# shellcheck source=bench/runs.sh
source "$(dirname "$0")/runs.sh"
need_rounds "$rounds" COMPARE_ROUNDS
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

list_benches "$filter" "$old" "$new"

sides=(old new self)
for ((r = 0; r < rounds; ++r)); do
  echo "compare.sh: round $((r + 1)) of $rounds" >&2
  for name in "${benches[@]}"; do
    for k in 0 1 2; do
      side=${sides[(r + k) % 3]}
      build=$old
      [[ $side == new ]] && build=$new
      # shellcheck disable=SC2086
      run_pinned "$cpu" "$build/bench/$name" "$filter" "$out/$name.$side.$r.json" "$out/output" \
        ${COMPARE_ARGS:-} || exit 1
    done
  done
done

python3 - "$out" "$old" "$new" "$cpu" "$rounds" <<'EOF'
import glob, json, os, statistics, sys
out, old, new, cpu, rounds = sys.argv[1:]
ns = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}
times = {}  # (executable, row) -> side -> CPU times in ns
for path in sorted(glob.glob(os.path.join(out, "*.json"))):
    bench, side, _, _ = os.path.basename(path).split(".")
    for b in json.load(open(path))["benchmarks"]:
        if b.get("run_type", "iteration") == "iteration" and not b.get("error_occurred"):
            times.setdefault((bench, b["name"]), {}).setdefault(side, []).append(b["cpu_time"] * ns[b["time_unit"]])
rows = [(key, {s: statistics.median(t) for s, t in sides.items()}) for key, sides in times.items()
        if len(sides) == 3]
if not rows:
    sys.exit("compare.sh: no row ran on all three sides")
# Noise goes either way: the band reaches as far to each side as the widest self-pair.
spread = max(max(m["self"] / m["old"], m["old"] / m["self"]) for _, m in rows)
lo, hi = 1 / spread, spread
print(f"{old} -> {new}, core {cpu}, medians of {rounds} rounds, CPU time")
print(f"noise band (the widest self-pair, old again / old, either way): {lo:.3f} to {hi:.3f}")
width = max(len(f"{b}:{n}") for (b, n), _ in rows)
print(f"{'row':<{width}}  {'old ns':>11}  {'new ns':>11}  new/old   self")
for (bench, name), m in rows:
    ratio = m["new"] / m["old"]
    mark = "  slower" if ratio > hi else "  faster" if ratio < lo else ""
    print(f"{bench + ':' + name:<{width}}  {m['old']:11.1f}  {m['new']:11.1f}  {ratio:7.3f}  {m['self']/m['old']:5.3f}{mark}")
for (bench, name), sides in times.items():
    if len(sides) < 3:
        found = ", ".join(f"{s} {statistics.median(t):.1f} ns" for s, t in sorted(sides.items()))
        print(f"only in some runs: {bench}:{name} ({found})")
EOF
