# Shared by the Xvfb tests (sourced): the game copied into a work folder, run on the SDL
# backend in a fresh 800x600 X server by the sourcing script itself (with --inside), found by
# its window and ended by the player's Q. Every step waits on something it can see (the window,
# the screen, the game's process) up to a generous ceiling, never for a fixed time: a loaded
# machine only makes the test slower.
set -u
. "$(dirname "$0")/xvfb_server.sh"
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
  trap '[ -n "${xpid:-}" ] && kill "$xpid" 2>/dev/null; rm -rf "$work"' EXIT
  cp -r "$run_dir/Data" "$run_dir/Alpine.ttf" "$run_dir/Velmoor" "$work/" || exit 1
  cd "$work" || exit 1
}

# run_in_xvfb SECONDS FILE...: removes the files, then runs this script with --inside against a
# fresh X server; status := its exit status. When no window appears (status 2) the game may have
# met a server that took the display number at the same moment, and it is worth another try.
run_in_xvfb() {
  limit=$1
  shift
  for attempt in 1 2 3; do
    rm -f "$@"
    start_x
    env -u SDL_VIDEODRIVER VELMOOR_PLATFORM=sdl SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 \
      timeout "$limit" sh "$self" --inside
    status=$?
    kill "$xpid" 2>/dev/null
    xpid=
    [ "$status" -eq 2 ] || return 0
    echo "attempt $attempt: no game window"
  done
}

# How long one step may take before the test gives up on it.
step_ceiling=${VELMOOR_XVFB_STEP_SECONDS:-120}

# Inside: ends the game and the script (status 3) after showing why and what the game said.
give_up() {
  echo "gave up: $*"
  cat game-output.txt 2>/dev/null
  kill "$pid" 2>/dev/null
  exit 3
}

# wait_for WHAT COMMAND...: runs COMMAND until it succeeds; gives up when the game ends first or
# after the step ceiling.
wait_for() {
  what=$1
  shift
  deadline=$(($(date +%s) + step_ceiling))
  until "$@"; do
    kill -0 "$pid" 2>/dev/null || give_up "the game ended while waiting for $what"
    [ "$(date +%s)" -lt "$deadline" ] || give_up "no $what within $step_ceiling s"
    sleep 0.1
  done
}

# grab FILE: the whole X screen.
grab() { import -window root "$1" 2>/dev/null; }

# same A B: the two pictures are equal; the screen widens 5-6-5 colours its own way, so a few
# steps of difference are the same colour.
same() { [ "$(compare -metric AE -fuzz 4% "$1" "$2" null: 2>&1)" = 0 ]; }

# crop FILE GEOMETRY OUT
crop() { convert "$1" -crop "$2" +repage "$3" 2>/dev/null; }

# screen_shows PICTURE GEOMETRY [PICTURE_GEOMETRY]: that part of the screen shows that part of
# the picture (the same part unless given).
screen_shows() {
  grab shown.png && crop shown.png "$2" shown-part.png && crop "$1" "${3:-$2}" want-part.png &&
    same shown-part.png want-part.png
}

# screen_differs FILE: the screen is no longer the screenshot FILE.
screen_differs() { grab now.png && ! same now.png "$1"; }

# screen_still: two screenshots in a row are the same (no animation or fade is running).
screen_still() {
  grab still-a.png && grab still-b.png && same still-a.png still-b.png
}

# cursor_at X Y: the game has drawn its cursor with the top-left at (X, Y): the screen there
# equals the cursor picture wherever the picture is not its black colour key.
cursor_at() {
  [ -f cursor-mask.png ] || convert Data/cursor.bmp -fill white +opaque black cursor-mask.png || return 1
  grab cursor-shot.png && crop cursor-shot.png "24x24+$1+$2" cursor-part.png &&
    convert cursor-part.png cursor-mask.png -compose multiply -composite cursor-seen.png &&
    same cursor-seen.png Data/cursor.bmp
}

# Inside the X server: starts the game and waits for its window and for the menu on the screen
# (exit 2 when no window appears).
start_game() {
  ./Velmoor >game-output.txt 2>&1 &
  pid=$!
  deadline=$(($(date +%s) + step_ceiling))
  until [ -n "$(xdotool search --name '^Velmoor$' 2>/dev/null | head -n 1)" ]; do
    if ! kill -0 "$pid" 2>/dev/null || [ "$(date +%s)" -ge "$deadline" ]; then
      echo "the game window did not appear"
      cat game-output.txt
      kill "$pid" 2>/dev/null
      exit 2
    fi
    sleep 0.1
  done
  # The bottom left of the menu holds no button, badge or score.
  wait_for "menu" screen_shows Data/Menu/Menu.bmp 120x60+0+540
}

# Inside: the game moves its cursor by the mouse's relative motion and clamps it at the screen's
# edges; motion read in one frame is summed before the clamp. So the cursor goes into the top
# left corner in a frame of its own (after a move away from it, to see the frame happen), and
# moves from there by differences, which add up the same however frames split them.
home_cursor() {
  grab home.png
  xdotool mousemove_relative -- 100 100
  wait_for "the cursor moving" screen_differs home.png
  grab home.png
  xdotool mousemove_relative -- -1600 -1600
  wait_for "the cursor in the corner" cursor_at 0 0
  cx=0
  cy=0
}

# to X Y: moves the cursor there and waits until the game draws it there.
to() {
  xdotool mousemove_relative -- $(($1 - cx)) $(($2 - cy))
  cx=$1
  cy=$2
  wait_for "the cursor at $1, $2" cursor_at "$1" "$2"
}

# click: presses the left button on a still screen and holds it until the screen answers (the
# game reads the button's state once a frame, so a shorter press can fall between two reads).
click() {
  wait_for "a still screen" screen_still
  grab before-click.png
  xdotool mousedown 1
  wait_for "an answer to the click" screen_differs before-click.png
  xdotool mouseup 1
}

# Inside: Q held until the game ends; exits with the game's status.
quit_game() {
  xdotool keydown q
  deadline=$(($(date +%s) + step_ceiling))
  while kill -0 "$pid" 2>/dev/null && [ "$(date +%s)" -lt "$deadline" ]; do
    sleep 0.1
  done
  xdotool keyup q
  kill -0 "$pid" 2>/dev/null && give_up "the game did not end on Q within $step_ceiling s"
  wait "$pid"
  status=$?
  echo "game status $status"
  cat game-output.txt
  exit $status
}
