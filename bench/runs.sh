# shellcheck shell=bash
# Shared by compare.sh, series.sh and placement.sh (sourced): the rounds asked for, which
# benchmarks to run, and one pinned run.

# bench_names FILTER BUILD... : the *_bench executables that every BUILD has and whose rows the
# filter matches, one name a line.
bench_names() {
  local filter=$1 first=$2 path name build
  shift
  for path in "$first"/bench/*_bench; do
    name=$(basename "$path")
    for build in "$@"; do
      [[ -x $build/bench/$name ]] || continue 2
    done
    # grep reads the whole list: one that stopped at the first line could end the lister with
    # SIGPIPE, which pipefail counts as no match.
    if "$path" --benchmark_list_tests=true --benchmark_filter="$filter" 2>/dev/null | grep . >/dev/null; then
      echo "$name"
    fi
  done
}

# run_pinned CPU EXECUTABLE FILTER JSON LOG [OPTIONS...] : one run pinned to CPU, its rows in JSON
# (the file output, since some benchmarks print through their own console reporter); a failed run
# prints the end of LOG and returns 1.
run_pinned() {
  local cpu=$1 exe=$2 filter=$3 json=$4 log=$5
  shift 5
  if ! taskset -c "$cpu" "$exe" --benchmark_filter="$filter" --benchmark_out="$json" \
    --benchmark_out_format=json "$@" >"$log" 2>&1; then
    echo "$exe failed:" >&2
    tail -20 "$log" >&2
    return 1
  fi
}

# need_rounds ROUNDS VARIABLE : ends the script (status 2) when fewer than 5 rounds are asked for.
need_rounds() {
  ((${1} >= 5)) && return
  echo "$(basename "$0"): $2 must be at least 5" >&2
  exit 2
}

# list_benches FILTER BUILD... : bench_names into the array benches; ends the script (status 1)
# when no benchmark has a row the filter matches.
list_benches() {
  mapfile -t benches < <(bench_names "$@")
  ((${#benches[@]} > 0)) && return
  echo "$(basename "$0"): no row of $2/bench matches '$1'" >&2
  exit 1
}
