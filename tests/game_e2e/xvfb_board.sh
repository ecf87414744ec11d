#!/bin/sh
# Plays a 6x6 board on the SDL backend under Xvfb as a player would: mouse motion
# from xdotool, clicks into a dead end, "Nein", Q. Screenshots of the X screen on the board and
# in the lost dialog are checked against the pictures (the dialog's panel where its mask is
# opaque, the bare board beside it), and so are the files the game left.
# Usage: xvfb_board.sh RUN_DIR [KEEP_DIR]. Exit 77 (skipped) without Xvfb.
. "$(dirname "$0")/xvfb_common.sh"
if [ "${1:-}" = --inside ]; then
  start_game
  cp "Data/Field[6x6].bmp" field.bmp # ImageMagick reads brackets in a name as a frame number
  home_cursor
  square() { to $((187 + $1 * 443 / 10)) $((203 + $2 * 443 / 10)); }
  to 300 200; click          # the 6x6 button
  wait_for "the board" screen_shows field.bmp 120x200+20+300
  # A path that leaves the piece without a free jump after six squares.
  for s in "2 2" "4 3" "2 4" "3 2" "1 3"; do square $s; click; done
  wait_for "a still board" screen_still
  import -window root board.png
  square 0 5; click
  to 700 560                 # the cursor off the dialog
  wait_for "the lost dialog" screen_shows Data/Menu/Youloose.bmp 150x30+425+408 150x30+281+364
  import -window root dialog.png
  to 500 420; click          # "Nein"
  wait_for "the menu again" screen_shows Data/Menu/Menu.bmp 120x60+0+540
  quit_game
fi

keep=$(absolute "${2:-}")
xvfb_setup "$1" Xvfb xdotool import compare convert
run_in_xvfb 600 Data/scores.dat Data/results.dat board.png dialog.png
[ -n "$keep" ] && cp board.png dialog.png "$keep/" 2>/dev/null
[ "$status" -eq 0 ] || fail "the game ended with status $status"
[ -f board.png ] || fail "no screenshot of the board"
[ -f dialog.png ] || fail "no screenshot of the lost dialog"
# The screen widens 5-6-5 colours its own way: a few steps of difference are the same colour.
# ImageMagick reads brackets in a name as a frame number.
cp "Data/Field[6x6].bmp" field.bmp
same() { compare -metric AE -fuzz 4% "$1" "$2" null: 2>&1; }
# The "Nein" plaque of the panel, where the mask is fully opaque: the panel's own pixels.
convert dialog.png -crop 150x30+425+408 +repage shot.png || fail "cannot read dialog.png"
convert Data/Menu/Youloose.bmp -crop 150x30+281+364 +repage panel.png || fail "cannot read the panel"
differ=$(same shot.png panel.png)
[ "$differ" = 0 ] || fail "the dialog's 'Nein' plaque differs from the panel in $differ pixels"
# Left of the panel the dialog shows the bare board picture.
convert dialog.png -crop 120x200+20+300 +repage shot.png
convert field.bmp -crop 120x200+20+300 +repage bare.png
differ=$(same shot.png bare.png)
[ "$differ" = 0 ] || fail "the board beside the dialog differs in $differ pixels"
# The board mid-game is not the bare board: piece, marks and hints are on it.
convert board.png -crop 266x266+165+181 +repage shot.png
convert field.bmp -crop 266x266+165+181 +repage bare.png
differ=$(same shot.png bare.png)
[ "$differ" != 0 ] || fail "the board screenshot shows an empty board"
[ "$(cat Data/results.dat 2>/dev/null)" = "" ] || fail "a lost board wrote a rank"
best=$(od -An -tu4 -j21 -N4 Data/scores.dat 2>/dev/null | tr -d ' ')
[ "$best" = 6 ] || fail "best score $best, 6 expected (the dialog raises it)"
echo "ok: board and dialog screenshots, best score 6"
