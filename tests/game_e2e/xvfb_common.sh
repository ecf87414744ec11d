# Shared by the Xvfb tests (sourced): the game copied into a work folder, run on the SDL
# backend in a fresh 800x600 X server by the sourcing script itself (with --inside), found by
# its window and ended by the player's Q.
set -u
self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")

fail() { echo "FAILED: $*"; exit 1; }

# A path given relative to where the test started, made absolute.
absolute() { case "$1" in "" | /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }

# xvfb_setup RUN_DIR TOOL...: skipped (77) without the tools; else enters a fresh work folder
# holding the game and its data, removed at exit.
xvfb_setup() {
  run_dir=$1
  shift
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool is missing: skipped"; exit 77; }
  done
  work=$(mktemp -d "${TMPDIR:-/tmp}/velmoor-xvfb-XXXXXX") || exit 1
  trap 'rm -rf "$work"' EXIT
  cp -r "$run_dir/Data" "$run_dir/Alpine.ttf" "$run_dir/Velmoor" "$work/" || exit 1
  cd "$work" || exit 1
}

# run_in_xvfb SECONDS FILE...: removes the files, then runs this script with --inside in a
# fresh X server; status := its exit status. xvfb-run -a can lose the race for a display
# number to another X server starting at the same moment (parallel tests): then no window
# appears (status 2), and it is worth another try.
run_in_xvfb() {
  limit=$1
  shift
  for attempt in 1 2 3; do
    rm -f "$@"
    env -u SDL_VIDEODRIVER VELMOOR_PLATFORM=sdl SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 \
      timeout "$limit" xvfb-run -a -s "-screen 0 800x600x24" sh "$self" --inside
    status=$?
    [ "$status" -eq 2 ] || return 0
    echo "attempt $attempt: no game window"
    sleep 1
  done
}

# Inside the X server: starts the game and waits for its window and a few menu frames
# (exit 2 when no window appears).
start_game() {
  ./Velmoor >game-output.txt 2>&1 &
  pid=$!
  for _ in $(seq 1 300); do
    if [ -n "$(xdotool search --name '^Velmoor$' 2>/dev/null | head -n 1)" ]; then
      sleep 1
      return
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "the game window did not appear"
  cat game-output.txt
  kill "$pid" 2>/dev/null
  exit 2
}

# Inside the X server: Q held long enough for several frames to see it, sent again while the
# game is still there; exits with the game's status.
quit_game() {
  for _ in 1 2 3 4 5; do
    xdotool keydown q; sleep 0.3; xdotool keyup q
    for _ in $(seq 1 30); do
      kill -0 "$pid" 2>/dev/null || break 2
      sleep 0.1
    done
  done
  wait "$pid"
  status=$?
  echo "game status $status"
  cat game-output.txt
  exit $status
}
