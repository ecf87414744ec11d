# Shared by the Xvfb tests that drive the game by what its screen shows (sourced): a private X
# server and the game, both ended by their process ids, and waits on conditions (window,
# pictures on the screen, files, the game's end), each with a generous ceiling and never a
# fixed pause, so a loaded machine only makes them slower.
set -u
. "$(dirname "$0")/xvfb_server.sh"

cleanup() {
  [ -n "${gpid:-}" ] && kill "$gpid" 2>/dev/null
  [ -n "${xpid:-}" ] && kill "$xpid" 2>/dev/null
  cd / && rm -rf "$work"
}

fail() {
  echo "FAILED: $*"
  [ -f "$work/game-output.txt" ] && { echo "--- the game said:"; cat "$work/game-output.txt"; }
  exit 1
}

# screen_setup RUN_DIR: skipped (77) without the tools; else enters a fresh work folder with
# the game, its data and copies of the pictures the waits compare with, removed at exit.
screen_setup() {
  for tool in Xvfb xdotool import convert compare; do
    command -v "$tool" >/dev/null 2>&1 || { echo "$tool is missing: skipped"; exit 77; }
  done
  work=$(mktemp -d "${TMPDIR:-/tmp}/velmoor-xvfb-XXXXXX") || exit 1
  trap cleanup EXIT
  cp -r "$1/Data" "$1/Alpine.ttf" "$1/Velmoor" "$work/" || exit 1
  cd "$work" || exit 1
  # ImageMagick reads brackets in a name as a frame number.
  cp Data/Menu/Menu.bmp menu.bmp && cp "Data/Field[6x6].bmp" field6.bmp || exit 1
}

# now_ms: milliseconds on the system clock.
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# wait_until SECONDS WHAT COMMAND...: runs COMMAND until it succeeds; fails the test naming
# WHAT after SECONDS, or at once when the game has ended while it was awaited.
wait_until() {
  limit=$(($(now_ms) + $1 * 1000))
  what=$2
  shift 2
  while ! "$@"; do
    if [ -n "${gpid:-}" ] && ! kill -0 "$gpid" 2>/dev/null; then
      fail "the game ended while waiting for $what"
    fi
    [ "$(now_ms)" -lt "$limit" ] || fail "no $what after a long wait"
    sleep 0.1
  done
}

# start_game [VAR=VALUE...]: the game on the SDL backend, its output in game-output.txt; waits
# for its window and for the menu drawn in it.
start_game() {
  env -u SDL_VIDEODRIVER VELMOOR_PLATFORM=sdl SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 "$@" \
    ./Velmoor >game-output.txt 2>&1 &
  gpid=$!
  wait_until 90 "game window" window_shown
  wait_until 90 "menu on the screen" shows 120x200+20+300 menu.bmp
}

window_shown() { [ -n "$(xdotool search --onlyvisible --name '^Velmoor$' 2>/dev/null)" ]; }

# grab_region GEOMETRY FILE: the screen's region WxH+X+Y as a picture.
grab_region() { import -window root -crop "$1" +repage "$2" 2>/dev/null; }

# shows GEOMETRY PICTURE: the screen's region equals the same region of PICTURE (a full-screen
# picture). The screen widens 5-6-5 colours its own way: a few steps off are the same colour.
shows() {
  grab_region "$1" seen.png && convert "$2" -crop "$1" +repage wanted.png || return 1
  [ "$(compare -metric AE -fuzz 4% seen.png wanted.png null: 2>&1)" = 0 ]
}

# differs GEOMETRY PICTURE: the opposite, e.g. a hover picture or the piece drawn there.
differs() {
  grab_region "$1" seen.png && convert "$2" -crop "$1" +repage wanted.png || return 1
  [ "$(compare -metric AE -fuzz 4% seen.png wanted.png null: 2>&1)" != 0 ]
}

# game_ended: true once the game's process is gone; its status is then in gstatus.
game_ended() {
  kill -0 "$gpid" 2>/dev/null && return 1
  wait "$gpid"
  gstatus=$?
  gpid=
  return 0
}

# best_score: the best score in Data/scores.dat (empty when there is none).
best_score() { od -An -tu4 -j21 -N4 Data/scores.dat 2>/dev/null | tr -d ' '; }

# click_now: press and release in one go, no time between them (a tap on a touchpad).
click_now() { xdotool mousedown 1 mouseup 1; }

# Onto the 6x6 board from the menu, one point scored on it, the pointer left on the end
# button (which counts the points as the best score). All with absolute pointer moves and
# 0 ms clicks.
play_one_point() {
  # The button's left part, away from the cursor drawn right and below the pointer.
  xdotool mousemove 340 225
  wait_until 60 "6x6 button lit under the pointer" differs 40x40+260+190 menu.bmp
  click_now
  wait_until 60 "6x6 board" shows 120x200+20+300 field6.bmp
  # The piece on square (2, 2) shows a jump hint on square (0, 1), which nothing else draws.
  xdotool mousemove 275 291
  click_now
  wait_until 60 "jump hints of the placed piece" differs 24x24+175+235 field6.bmp
  xdotool mousemove 500 540
  wait_until 60 "end button lit under the pointer" differs 60x40+245+505 field6.bmp
}
