#!/bin/sh
# The SDL backend under Xvfb driven as tablets, remote desktops and touchpads do: absolute
# pointer moves (xdotool mousemove) reach the 6x6 button and a square, clicks and the Q key
# come as press and release with no time between them, and libasound (asked for, with no
# sound card here) says nothing. The game must end with status 0 and the point it scored saved.
# Usage: xvfb_pointer.sh RUN_DIR. Exit 77 (skipped) without Xvfb or xdotool.
. "$(dirname "$0")/xvfb_screen.sh"
screen_setup "$1"
start_x
start_game SDL_AUDIODRIVER=alsa
play_one_point
click_now
wait_until 60 "menu after the end button" shows 120x200+20+300 menu.bmp
xdotool keydown q keyup q
wait_until 60 "end of the game after Q" game_ended
[ "$gstatus" -eq 0 ] || fail "the game ended with status $gstatus"
[ "$(best_score)" = 1 ] || fail "best score '$(best_score)', 1 expected"
! grep -q "ALSA lib" game-output.txt || fail "libasound spoke on stderr"
echo "ok: absolute moves and 0 ms clicks and key taps reached the game"
