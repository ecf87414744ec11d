#!/bin/sh
# Starts Velmoor on the SDL backend under Xvfb (an 800x600 screen), screenshots the menu,
# holds Q, and checks that the game ended with status 0 and wrote Data/scores.dat.
# Usage: xvfb_quit.sh RUN_DIR [SCREENSHOT]. Exit 77 (skipped) without Xvfb.
. "$(dirname "$0")/xvfb_common.sh"
if [ "${1:-}" = --inside ]; then
  start_game
  if [ -n "${SHOT:-}" ] && command -v import >/dev/null 2>&1; then
    import -window root "$SHOT" || echo "no screenshot"
  fi
  quit_game
fi

SHOT=$(absolute "${2:-}")
export SHOT
xvfb_setup "$1" Xvfb xdotool
run_in_xvfb 600 Data/scores.dat
[ "$status" -eq 0 ] || fail "the game ended with status $status"
size=$(stat -c %s Data/scores.dat 2>/dev/null || echo missing)
[ "$size" = 25 ] || fail "Data/scores.dat is $size (25 bytes expected)"
echo "ok: status 0, Data/scores.dat written"
