#!/usr/bin/env bash
# Lists two-file include circles: a.cpp or a.h includes b.h while b.cpp or b.h includes a.h,
# for the files under the folders given (subfolders included). Exit status 1 when one is found.
# Usage: scripts/include-circles.sh FOLDER...
set -uo pipefail
cd "$(dirname "$0")/.."
[ $# -gt 0 ] || { echo "usage: $0 FOLDER..." >&2; exit 2; }

# One edge "a b" per file a.* including b.h, both named without their extension.
edges=$(find "${@%/}" \( -name '*.cpp' -o -name '*.h' \) -print0 |
  xargs -0 awk 'match($0, /^[ \t]*#[ \t]*include[ \t]*"[^"]+\.h"/) {
      target = $0; sub(/^[^"]*"/, "", target); sub(/\.h".*$/, "", target)
      source = FILENAME; sub(/\.(cpp|h)$/, "", source)
      if (source != target) print source, target
    }' | sort -u)

circles=$(awk '{ edge[$1 " " $2] = 1 } END { for (e in edge) { split(e, p, " ")
    if (p[1] < p[2] && ((p[2] " " p[1]) in edge)) print p[1] " <-> " p[2] } }' <<<"$edges" | sort)
[ -z "$circles" ] && exit 0
echo "$circles"
exit 1
