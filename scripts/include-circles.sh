#!/usr/bin/env bash
# Lists two-file include circles: a.cpp or a.h includes b.h while b.cpp or b.h includes a.h,
# for the files under the folders given (subfolders included). Exit status 1 when one is found.
# A backend interface (x_backend.h) is no circle with its facade: it includes the facade's header
# for the types both share, the facade's source includes it to reach the backend, and the backends
# include it too; the facade's header must leave it out, or the pair is listed.
# Usage: scripts/include-circles.sh FOLDER...
set -uo pipefail
cd "$(dirname "$0")/.."
[ $# -gt 0 ] || { echo "usage: $0 FOLDER..." >&2; exit 2; }

# One edge "a b ext" per file a.ext including b.h, both named without their extension.
edges=$(find "${@%/}" \( -name '*.cpp' -o -name '*.h' \) -print0 |
  xargs -0 awk 'match($0, /^[ \t]*#[ \t]*include[ \t]*"[^"]+\.h"/) {
      target = $0; sub(/^[^"]*"/, "", target); sub(/\.h".*$/, "", target)
      source = FILENAME; ext = source; sub(/\.(cpp|h)$/, "", source); sub(/^.*\./, "", ext)
      if (source != target) print source, target, ext
    }' | sort -u)

circles=$(awk '{ edge[$1 " " $2] = 1; if ($3 == "h") header[$1 " " $2] = 1; users[$2] = users[$2] " " $1 }
  # Files other than the facade that include the backend interface: its backends.
  function backends(b, facade,   n, i, u, count) {
    n = split(users[b], u, " "); count = 0
    for (i = 1; i <= n; ++i) if (u[i] != facade) ++count
    return count
  }
  function backendPair(b, f) {
    return b ~ /_backend$/ && ((b " " f) in header) && !((f " " b) in header) && backends(b, f) > 0
  }
  END { for (e in edge) { split(e, p, " ")
    if (p[1] < p[2] && ((p[2] " " p[1]) in edge) && !backendPair(p[1], p[2]) && !backendPair(p[2], p[1]))
      print p[1] " <-> " p[2] } }' <<<"$edges" | sort)
[ -z "$circles" ] && exit 0
echo "$circles"
exit 1
