#!/usr/bin/env bash
# bench/placement.sh BUILD [FILTER]
#
# Shows the rows whose time hangs on where the linker puts the code. Every BUILD/bench/*_bench
# executable with a row matching FILTER is linked again four times from its own link line, with 0,
# 16, 32 and 48 bytes of code in front of each object of the libraries: a pad object, one section
# starting a 64-byte line and 64 + N bytes long, goes before each of them (the archives' members in
# the order the linker takes them), so every function of the libraries lies N bytes further into
# its line than in the 0-byte link, unless its object starts a line of its own (such a section
# starts one whatever comes before it). One pad in front of the libraries would stop at the first
# such object: everything behind it keeps its place. For each link the script prints how many
# functions moved by N. The links then run pinned to one core in rounds, each round running every
# link once (and the 0-byte link a second time, the self-pair), in an order that turns from round
# to round. Per row it prints the median CPU time of the 0-byte link, each pad's time over it
# (medians of the rounds' ratios), the spread (the slowest pad over the fastest) and the self-pair;
# the widest self-pair of all rows, taken either way from 1, is the noise band, and a row whose
# spread goes beyond it is marked.
#
#   PLACEMENT_CPU     the core to pin to (default 7)
#   PLACEMENT_ROUNDS  rounds, at least 5 (default 5)
#   PLACEMENT_ARGS    more Google Benchmark options for every run (default none)
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
  echo "usage: $0 BUILD [FILTER]" >&2
  exit 2
fi
build=$(cd "$1" && pwd) filter=${2:-.}
cpu=${PLACEMENT_CPU:-7} rounds=${PLACEMENT_ROUNDS:-5}
# shellcheck source=bench/runs.sh
source "$(dirname "$0")/runs.sh"
need_rounds "$rounds" PLACEMENT_ROUNDS
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

list_benches "$filter" "$build"

pads=(0 16 32 48)
for name in "${benches[@]}"; do
  python3 - "$build/bench" "$name" "$out/$name" "${pads[@]}" <<'EOF'
import os, re, shlex, subprocess, sys
bench_dir, name, out, *pads = sys.argv[1:]
args = shlex.split(open(os.path.join(bench_dir, "CMakeFiles", name + ".dir", "link.txt")).read())
own = [i for i, a in enumerate(args) if f"CMakeFiles/{name}.dir/" in a]
if not own or "-o" not in args:
    sys.exit(f"placement.sh: cannot read the link line of {name}")
os.makedirs(out)
# The archives' members in the order the linker takes them, from the map of the link as it is.
link_map = os.path.join(out, "link.map")
as_is = list(args)
as_is[as_is.index("-o") + 1] = os.path.join(out, "as_is")
subprocess.run(as_is + [f"-Wl,-Map={link_map}"], cwd=bench_dir, check=True)
taken = {}
for line in open(link_map):
    m = re.match(r"(\S+\.a)\(([^)]+)\)", line)
    if m and m.group(2) not in taken.setdefault(m.group(1), []):
        taken[m.group(1)].append(m.group(2))
members = {}
for archive, names in taken.items():
    where = os.path.join(out, f"members{len(members)}")
    os.makedirs(where)
    listed = subprocess.run(["ar", "t", archive], cwd=bench_dir, capture_output=True, text=True, check=True).stdout.split()
    if len(listed) != len(set(listed)):
        sys.exit(f"placement.sh: {archive} holds two members of one name")
    subprocess.run(["ar", "x", os.path.abspath(os.path.join(bench_dir, archive))], cwd=where, check=True)
    members[archive] = [os.path.join(where, n) for n in names]
for pad in pads:
    obj = os.path.join(out, f"pad{pad}.o")
    src = f'\t.text\n\t.p2align 6\n\t.fill {64 + int(pad)}, 1, 0xcc\n\t.section .note.GNU-stack,"",@progbits\n'
    subprocess.run([args[0], "-c", "-x", "assembler", "-", "-o", obj], input=src.encode(), check=True)
    link = []
    for i, a in enumerate(args):
        if a in members:
            for m in members[a]:
                link += [obj, m]
        elif i > own[-1] and a.endswith(".o"):
            link += [obj, a]
        else:
            link.append(a)
    # Every link runs under a path of the same length, so the strings at the top of the stack
    # leave the stack's addresses the same in every link.
    os.makedirs(os.path.join(out, f"{int(pad):02d}"))
    link[link.index("-o") + 1] = os.path.join(out, f"{int(pad):02d}", name)
    subprocess.run(link, cwd=bench_dir, check=True)
EOF
  mkdir "$out/$name/0a"
  cp "$out/$name/00/$name" "$out/$name/0a/$name"
  # How far the libraries' functions moved: by N, unless their object starts a line.
  for pad in "${pads[@]:1}"; do
    python3 - "$out/$name/00/$name" "$out/$name/$pad/$name" "$pad" "$name" <<'EOF'
import subprocess, sys
base, padded, pad, name = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
def functions(path):
    text = subprocess.run(["nm", "--defined-only", path], capture_output=True, text=True, check=True).stdout
    return {f[2]: int(f[0], 16) for f in (l.split() for l in text.splitlines()) if len(f) == 3 and f[1] in "tT"}
a, b = functions(base), functions(padded)
moved = [(b[s] - a[s]) % 64 for s in a if s in b and b[s] != a[s]]
by_pad = sum(1 for m in moved if m == pad)
print(f"placement.sh: {name} with {pad} bytes: {by_pad} functions {pad} bytes further into their lines, "
      f"{len(moved) - by_pad} moved by whole lines or otherwise, {len(a) - len(moved)} stayed", file=sys.stderr)
EOF
  done
done

links=("${pads[@]}" 0again)
dirs=(00 16 32 48 0a)
n=${#links[@]}
for ((r = 0; r < rounds; ++r)); do
  echo "placement.sh: round $((r + 1)) of $rounds" >&2
  for name in "${benches[@]}"; do
    for ((k = 0; k < n; ++k)); do
      link=${links[(r + k) % n]}
      # shellcheck disable=SC2086
      run_pinned "$cpu" "$out/$name/${dirs[(r + k) % n]}/$name" "$filter" "$out/$name.$link.$r.json" "$out/output" \
        ${PLACEMENT_ARGS:-} || exit 1
    done
  done
done

python3 - "$out" "$build" "$cpu" "$rounds" "${links[@]}" <<'EOF'
import glob, json, os, statistics, sys
out, build, cpu, rounds, *links = sys.argv[1:]
ns = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}
times = {}  # (executable, row) -> link -> round -> CPU time in ns
for path in sorted(glob.glob(os.path.join(out, "*.json"))):
    bench, link, r, _ = os.path.basename(path).split(".")
    for b in json.load(open(path))["benchmarks"]:
        if b.get("run_type", "iteration") == "iteration" and not b.get("error_occurred"):
            times.setdefault((bench, b["name"]), {}).setdefault(link, {})[r] = b["cpu_time"] * ns[b["time_unit"]]
pads, rows = links[:-1], []
for key, by_link in times.items():
    if len(by_link) < len(links):
        continue
    # Per round against the same round's 0-byte link: a round the machine slowed moves both alike.
    rel = {l: statistics.median(t / by_link["0"][r] for r, t in by_link[l].items() if r in by_link["0"])
           for l in links}
    rel["0"] = 1.0
    rows.append((key, statistics.median(by_link["0"].values()), rel))
if not rows:
    sys.exit("placement.sh: no row ran in every link")
band = max(max(m["0again"], 1 / m["0again"]) for _, _, m in rows)
spreads = [max(m[p] for p in pads) / min(m[p] for p in pads) for _, _, m in rows]
print(f"{build}, core {cpu}, medians of {rounds} rounds' ratios to the 0-byte link, CPU time")
print(f"noise band (the widest self-pair, 0 bytes again / 0 bytes, either way): {1 / band:.3f} to {band:.3f}")
width = max(len(f"{b}:{n}") for (b, n), _, _ in rows)
print(f"{'row':<{width}}  {'0 bytes ns':>11}  " + "  ".join(f"{p:>5}" for p in pads[1:]) + "  spread   self")
for ((bench, name), t0, m), s in zip(rows, spreads):
    mark = "  hangs on placement" if s > band else ""
    print(f"{bench + ':' + name:<{width}}  {t0:11.1f}  " + "  ".join(f"{m[p]:5.3f}" for p in pads[1:])
          + f"  {s:6.3f}  {m['0again']:5.3f}{mark}")
print(f"{sum(s > band for s in spreads)} of {len(rows)} rows spread beyond the noise band; "
      f"the widest spread {max(spreads):.3f}")
EOF
