#!/usr/bin/env bash
# bench/series.sh BUILD OUT_DIR [FILTER]
#
# The series the tables in bench/README.md come from: every BUILD/bench/*_bench executable that has
# a row matching FILTER, run whole in rounds (each round runs every executable once, in an order
# that turns from round to round), each run pinned to one core. The runs' JSON stays in OUT_DIR
# (EXECUTABLE.ROUND.json), so the tables' ratios can be taken per run; the summary printed gives each
# row's median CPU time and its min-max over the rounds.
#
#   SERIES_CPU     the core to pin to (default 7)
#   SERIES_ROUNDS  rounds, at least 5 (default 5)
#   SERIES_ARGS    more Google Benchmark options for every run (default none)
set -euo pipefail

if [[ $# -lt 2 || $# -gt 3 ]]; then
  echo "usage: $0 BUILD OUT_DIR [FILTER]" >&2
  exit 2
fi
build=$1 out=$2 filter=${3:-.}
cpu=${SERIES_CPU:-7} rounds=${SERIES_ROUNDS:-5}
# shellcheck source=bench/runs.sh
source "$(dirname "$0")/runs.sh"
need_rounds "$rounds" SERIES_ROUNDS
mkdir -p "$out"

list_benches "$filter" "$build"

n=${#benches[@]}
for ((r = 0; r < rounds; ++r)); do
  echo "series.sh: round $((r + 1)) of $rounds" >&2
  for ((k = 0; k < n; ++k)); do
    name=${benches[(r + k) % n]}
    # shellcheck disable=SC2086
    run_pinned "$cpu" "$build/bench/$name" "$filter" "$out/$name.$r.json" "$out/$name.$r.txt" \
      ${SERIES_ARGS:-} || exit 1
  done
done

python3 - "$out" <<'EOF'
import glob, json, os, statistics, sys
ns = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}
times = {}  # (executable, row) -> CPU times in ns, one a round
for path in sorted(glob.glob(os.path.join(sys.argv[1], "*.json"))):
    bench = os.path.basename(path).split(".")[0]
    for b in json.load(open(path))["benchmarks"]:
        if b.get("run_type", "iteration") == "iteration" and not b.get("error_occurred"):
            times.setdefault((bench, b["name"]), []).append(b["cpu_time"] * ns[b["time_unit"]])
width = max(len(f"{b}:{n}") for b, n in times)
print(f"{'row':<{width}}  {'median ns':>11}  {'min ns':>11}  {'max ns':>11}  runs")
for (bench, name), t in times.items():
    print(f"{bench + ':' + name:<{width}}  {statistics.median(t):11.1f}  {min(t):11.1f}  {max(t):11.1f}  {len(t):4d}")
EOF
