#!/usr/bin/env bash
# Lists every include that goes against the module map (README.md, Folders):
#
#   game ──► framework ──► platform
#     ├────► talvo
#     └────► sprite ──► img ──► talvo          (sprite/blit is part of sprite; tools stand apart)
#
# Each module includes its own headers and those of the modules named for it in `under` below;
# a file may go further only with a line in `allowed`, which says why. tests/, bench/ and fuzz/
# may include anything and are not read. An include is resolved as the compiler does: beside the
# including file first, then from the top of the tree. Prints "file:line -> module" for each
# include that crosses the map, and each allowance that no longer matches an include.
# Exit status 1 when anything is printed.
# Usage: scripts/include-layers.sh
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2

# Module: the modules it may include besides itself.
#   talvo is the support core both libraries stand on (errors, streams, log, the vector level);
#   the framework is the game's face of the platform, so the game reaches the platform only
#   through it.
under='
talvo:
img: talvo
sprite: img talvo
platform:
framework: platform
game: framework sprite talvo
tools:
'

# File module: why. In these places the game talks to the system itself (key codes, a music
# command string, a font file, a message box, the screen size), and plat is our system layer; a
# framework function for each would only pass the call on, so they stay direct. The one vector
# level is talvo's, and the layer under the framework may not ask talvo, so one framework header
# hands it down.
allowed='
game/Program.cpp platform: the message box behind the assertion box, the screen size, the start-up errors of window and display, the display-lost hook
game/MainMenu.cpp platform: sends "play MUSIC repeat" itself, reads its error, tests the Q and F1 scan codes
game/PlayLoop.cpp platform: tests the F1 scan code
game/Screenshot.cpp platform: tests the F5 and F9 key codes and the pixel format of the back buffer
game/ScreenFont.cpp platform: installs the font file and removes it again
game/MusicLog.cpp platform: hooks the music command log
game/ScreenFrame.h platform: waits for the next window message while the window is inactive
framework/VectorLevel.h talvo: hands the vector level talvo reads down to the layer and the framework, for every program that draws through them
'

modules=$(awk -F: 'NF > 1 { print $1 }' <<<"$under")
# shellcheck disable=SC2086
files=$(find $modules \( -name '*.cpp' -o -name '*.h' \) | sort)

# shellcheck disable=SC2086
report=$(awk -v under="$under" -v allowed="$allowed" -v files="$files" '
  function normal(path,   n, part, out, i, k, kept) {
    n = split(path, part, "/"); k = 0
    for (i = 1; i <= n; ++i) {
      if (part[i] == "" || part[i] == ".") continue
      if (part[i] == ".." && k > 0) { --k; continue }
      kept[++k] = part[i]
    }
    out = kept[1]; for (i = 2; i <= k; ++i) out = out "/" kept[i]
    return out
  }
  function moduleOf(path,   p) { p = path; sub(/\/.*$/, "", p); return p }
  BEGIN {
    n = split(under, line, "\n")
    for (i = 1; i <= n; ++i) {
      if (line[i] !~ /:/) continue
      m = line[i]; sub(/:.*$/, "", m); may[m " " m] = 1
      rest = line[i]; sub(/^[^:]*:/, "", rest)
      c = split(rest, below, " "); for (j = 1; j <= c; ++j) may[m " " below[j]] = 1
    }
    n = split(allowed, line, "\n")
    for (i = 1; i <= n; ++i) {
      if (line[i] !~ /:/) continue
      split(line[i], word, /[ :]+/); allow[word[1] " " word[2]] = 1
    }
    n = split(files, name, "\n"); for (i = 1; i <= n; ++i) exists[name[i]] = 1
  }
  match($0, /^[ \t]*#[ \t]*include[ \t]*["<][^">]+[">]/) {
    target = substr($0, RSTART, RLENGTH); quoted = target ~ /"/
    sub(/^[^"<]*["<]/, "", target); sub(/[">]$/, "", target)
    dir = FILENAME; sub(/\/[^\/]*$/, "", dir)
    if (quoted && (normal(dir "/" target) in exists)) target = normal(dir "/" target)
    else target = normal(target)
    to = moduleOf(target); from = moduleOf(FILENAME)
    # Headers of the system and of outside libraries are no module of ours.
    if (!((to " " to) in may) || ((from " " to) in may)) next
    if ((FILENAME " " to) in allow) { used[FILENAME " " to] = 1; next }
    print FILENAME ":" FNR " -> " to
  }
  END {
    for (a in allow) if (!(a in used)) { split(a, p, " "); print p[1] " -> " p[2] ": allowed, but no such include is left" }
  }' $files | sort) || { echo "include-layers: the includes could not be read" >&2; exit 2; }
[ -z "$report" ] && exit 0
echo "$report"
echo "include-layers: the includes above go against the module map (scripts/include-layers.sh says what each may include)" >&2
exit 1
