# Sourced by test.sh and scripts/cross-test.sh. A phase keeps its whole output (configure, build,
# ctest) in logs in its build folder and shows the reader only what a failure needs: a failed
# build's errors, the output of the tests that failed. Its counts go to a summary file that
# `finish` turns into the closing lines: one per phase, the total, the verdict.

# test.sh hands its summary file on to scripts/cross-test.sh together with its process id, and
# cross-test.sh then leaves `finish` to it. A summary named in the environment is taken only from
# the parent process that made it: one left in a user's shell or by an earlier run is not added to.
summary_owner=""
if [ -z "${VELMOOR_SUMMARY:-}" ] || [ "${VELMOOR_SUMMARY_PID:-}" != "$PPID" ]; then
  mkdir -p build
  export VELMOOR_SUMMARY=$PWD/build/summary.txt VELMOOR_SUMMARY_PID=$$
  : >"$VELMOOR_SUMMARY"
  summary_owner=yes
fi

# record PHASE PASSED FAILED SKIPPED
record() { echo "$*" >>"$VELMOOR_SUMMARY"; }

# phase_failed PHASE: whether the summary holds a failure of the phase.
phase_failed() { awk -v phase="$1" '$1 == phase && $3 > 0 { found = 1 } END { exit !found }' "$VELMOOR_SUMMARY"; }

# built LOG COMMAND...: runs a configure or build step into LOG; when it fails, shows the
# compiler's or CMake's errors (else the log's end) and returns non-zero.
built() {
  local log=$1 errors=': (fatal )?error:|undefined reference|CMake Error'
  shift
  mkdir -p "$(dirname "$log")"
  "$@" >"$log" 2>&1 && return 0
  echo "FAILED: $* (whole output: $log)"
  if grep -qE "$errors" "$log"; then grep -E -A6 "$errors" "$log" | head -80; else tail -30 "$log"; fi
  return 1
}

# skip_reasons CTEST_LOG LASTTEST_LOG: a line per test that ctest's list marks skipped, its name and
# why: GoogleTest's message after "Skipped", or else the last line the test printed.
skip_reasons() {
  echo "Why each was skipped:"
  awk 'FNR == NR { if ($0 ~ /^[ \t]+[0-9]+ - .* \(Skipped\)$/) {
                     n = $0; sub(/^[ \t]+[0-9]+ - /, "", n); sub(/ \(Skipped\)$/, "", n); skipped[n] = 1 }
                   next }
       /^[0-9]+\/[0-9]+ Test: / { name = $0; sub(/^[^:]*: /, "", name); why = ""; after = 0; last = "" }
       /^<end of output>$/ { if (out && name in skipped) {
                               if (why == "" && !after) why = last
                               sub(/[ \t]+$/, "", why)
                               print "  " name ": " (why != "" ? why : "no reason given") }
                             out = 0 }
       out && after && why == "" && NF && !/^\[/ { why = $0 }
       out && /: Skipped$/ { after = 1 }
       out && NF && !/^\[|: Skipped$/ { last = $0 }
       /^Output:$/ { out = 1; getline }' "$1" "$2" 2>/dev/null
}

# run_ctest PHASE DIR [CTEST_ARGS...]: runs the tests of the build in DIR with $TMPDIR in DIR/tmp
# (CMake sets it) and their output in DIR/ctest.log; shows the output of the tests that failed,
# and anything they left in DIR/tmp, which counts as one more failure; records the counts.
run_ctest() {
  local phase=$1 dir=$2 log=$2/ctest.log line failed total skipped
  shift 2
  rm -rf "$dir/tmp" && mkdir "$dir/tmp"
  (cd "$dir" && ctest --output-on-failure "$@") >"$log" 2>&1
  local status=$?
  # A failed test's output follows its result line (marked ***) up to the next test's line;
  # ctest's list of the failed tests closes the log.
  awk '/^ *[0-9]+\/[0-9]+ Test +#|^ +Start +[0-9]+:|^[0-9]+% tests passed/ {
         show = /\*\*\*/ && !/\*\*\*Skipped|\(Disabled\)/ }
       /^The following tests FAILED:/ { show = 1 }
       show' "$log"
  # "95% tests passed, 2 tests failed out of 40": the skipped ones are among the passed, and
  # listed as "(Skipped)" under "The following tests did not run". No such line (no test found,
  # ctest killed) counts as a failure, as does ctest failing for a reason of its own.
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+$' "$log" | tail -1)
  if [ -z "$line" ]; then
    echo "$phase: no test result from ctest; the end of $log:"
    tail -20 "$log"
    total=1 failed=1 skipped=0
  else
    read -r failed total < <(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+)$/\1 \2/' <<<"$line")
    skipped=$(grep -cE '^\s+[0-9]+ - .* \(Skipped\)$' "$log")
    [ "$status" -ne 0 ] && [ "$failed" -eq 0 ] && failed=1 total=$((total + 1))
  fi
  # ctest's list names the skipped tests only; their reasons are in each one's own output.
  [ "${skipped:-0}" -gt 0 ] && skip_reasons "$log" "$dir/Testing/Temporary/LastTest.log" >>"$log"
  if [ -n "$(ls -A "$dir/tmp")" ]; then
    echo "$phase: the tests left files behind in $dir/tmp:"
    ls -A "$dir/tmp" | head -20
    failed=$((failed + 1)) total=$((total + 1))
  fi
  record "$phase" $((total - failed - skipped)) "$failed" "$skipped"
}

# finish NAME PHASE...: the closing lines, one per phase, the total (the one plain "N passed,
# N failed" line) and the verdict; returns non-zero when anything failed. Each named phase must
# have reported: one that did not (its step ended before it could) is a failed one.
finish() {
  local name=$1 phase passed failed skipped line all=0 bad=0 skips=0 failing=""
  shift
  local -a phases=("$@")
  local -A pass=() fail=() skip=()
  while read -r phase passed failed skipped; do
    [[ "$passed $failed $skipped" =~ ^[0-9]+\ [0-9]+\ [0-9]+$ ]] || continue
    [ -n "${fail[$phase]+set}" ] || [[ " ${phases[*]} " == *" $phase "* ]] || phases+=("$phase")
    pass[$phase]=$((${pass[$phase]:-0} + passed))
    fail[$phase]=$((${fail[$phase]:-0} + failed))
    skip[$phase]=$((${skip[$phase]:-0} + skipped))
  done <"$VELMOOR_SUMMARY"
  for phase in "${phases[@]}"; do
    if [ -z "${fail[$phase]+set}" ]; then
      echo "$phase: reported nothing, which counts as one failure"
      pass[$phase]=0 fail[$phase]=1 skip[$phase]=0
    else
      # Worded apart from the total, so that a reader of closing lines counts each test once.
      line="$phase: passed ${pass[$phase]}, failed ${fail[$phase]}"
      [ "${skip[$phase]}" -gt 0 ] && line+=", skipped ${skip[$phase]}"
      echo "$line"
    fi
    all=$((all + pass[$phase])) bad=$((bad + fail[$phase])) skips=$((skips + skip[$phase]))
    [ "${fail[$phase]}" -gt 0 ] && failing+="${failing:+, }$phase"
  done
  echo "total: $all passed, $bad failed, $skips skipped"
  if [ -z "$failing" ]; then
    echo "$name: all passed"
  else
    echo "$name: FAILED ($failing)"
    return 1
  fi
}
