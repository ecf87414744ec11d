#!/bin/sh
# The display lost in the middle of a board on the SDL backend under Xvfb: the X server killed
# (server), the game's connection killed by another client (client, xdotool windowkill), or its
# window destroyed by another client (window, xdotool windowclose). The game must end within
# 2 s with a non-zero status, one line on stderr, and its best score saved.
# Usage: xvfb_lost.sh RUN_DIR server|client|window. Exit 77 (skipped) without Xvfb or xdotool.
. "$(dirname "$0")/xvfb_screen.sh"
mode=${2:-server}
screen_setup "$1"
start_x
start_game
play_one_point
window=$(xdotool search --onlyvisible --name '^Velmoor$' | head -n 1)
start=$(now_ms)
case $mode in
  server) kill "$xpid"; xpid= ;;
  client) xdotool windowkill "$window" ;;
  window) xdotool windowclose "$window" ;;
  *) fail "unknown mode $mode" ;;
esac
gpid_kept=$gpid
wait_until 60 "end of the game" game_ended
took=$(($(now_ms) - start))
[ "$took" -le 2000 ] || fail "the game took $took ms to end (process $gpid_kept)"
[ "$gstatus" -ne 0 ] || fail "the game ended with status 0"
[ "$(best_score)" = 1 ] || fail "best score '$(best_score)', 1 expected"
lines=$(grep -c . game-output.txt)
grep -q "the display was lost" game-output.txt && [ "$lines" -eq 1 ] ||
  fail "$lines lines on stderr, one saying the display was lost expected"
echo "ok ($mode): ended in $took ms with status $gstatus, best score saved"
