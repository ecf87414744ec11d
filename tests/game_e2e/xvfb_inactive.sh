#!/bin/sh
# The game without the focus on the SDL backend under Xvfb: its loops wait for the window's
# next event up to one system tick instead of waking every millisecond. The game's main thread
# may switch out voluntarily at most CEILING times a second (default 200; about 64 expected, the
# 1 ms sleep made about 740) while another window has the focus; a loaded machine only lowers
# the count. With the focus back, Q still ends the game, with status 0.
# Usage: xvfb_inactive.sh RUN_DIR [CEILING]. Exit 77 (skipped) without Xvfb or xdotool.
. "$(dirname "$0")/xvfb_screen.sh"
ceiling=${2:-200}

# The main thread's voluntary context switches so far (/proc/PID/status is the main thread's).
switches() { awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$gpid/status"; }

# Counted over at least two seconds of the clock.
counted_long_enough() { [ "$(now_ms)" -ge $((counted_from + 2000)) ]; }

screen_setup "$1"
start_x
start_game
game_window=$(xdotool getwindowfocus)
root=$(xdotool search --maxdepth 0 --name '' | head -n 1)
[ -n "$root" ] && [ "$game_window" != "$root" ] || fail "the game has no focus to lose (focus $game_window)"
xdotool windowfocus --sync "$root"
counted_from=$(now_ms)
before=$(switches)
wait_until 60 "two seconds counted" counted_long_enough
after=$(switches)
took=$(($(now_ms) - counted_from))
per_second=$(((after - before) * 1000 / took))
echo "without the focus: $((after - before)) wake-ups in $took ms, $per_second a second"
xdotool windowfocus --sync "$game_window"
[ "$per_second" -le "$ceiling" ] || fail "$per_second wake-ups a second without the focus (at most $ceiling)"
xdotool keydown q
wait_until 60 "end of the game after Q with the focus back" game_ended
xdotool keyup q
[ "$gstatus" -eq 0 ] || fail "the game ended with status $gstatus"
echo "ok: at most $ceiling wake-ups a second without the focus, and Q heard with it back"
