#!/bin/sh
# Starts Velmoor on the SDL backend under Xvfb (an 800x600 screen), waits for its window,
# screenshots the screen, holds Q, and checks that the game ended with status 0 and wrote
# Data/scores.dat. Usage: xvfb_quit.sh RUN_DIR [SCREENSHOT]. Exit 77 (skipped) without Xvfb.
set -u
run_dir=$1
shot=${2:-}
if ! command -v xvfb-run >/dev/null 2>&1 || ! command -v xdotool >/dev/null 2>&1; then
  echo "xvfb-run or xdotool is missing: skipped"
  exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/velmoor-xvfb-XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
cp -r "$run_dir/Data" "$run_dir/Alpine.ttf" "$run_dir/Velmoor" "$work/" || exit 1

cat >"$work/inside.sh" <<'INSIDE'
#!/bin/sh
# Runs inside the X server: the game, then the player's Q.
./Velmoor >game-output.txt 2>&1 &
pid=$!
window=""
for _ in $(seq 1 300); do
  window=$(xdotool search --name '^Velmoor$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "the game window did not appear"
  cat game-output.txt
  kill "$pid" 2>/dev/null
  exit 2
fi
sleep 1 # a few menu frames
if [ -n "${SHOT:-}" ] && command -v import >/dev/null 2>&1; then
  import -window root "$SHOT" || echo "no screenshot"
fi
# Q is held long enough for several frames to see it; sent again if the game is still there.
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
INSIDE
chmod +x "$work/inside.sh"

cd "$work" || exit 1
case "$shot" in
  "" | /*) ;;
  *) shot="$OLDPWD/$shot" ;;
esac
# xvfb-run -a can lose a race for a display number with another X server starting at the
# same moment (a shared machine, parallel tests): the game then finds no display. Try again.
for attempt in 1 2 3; do
  rm -f Data/scores.dat
  env -u SDL_VIDEODRIVER VELMOOR_PLATFORM=sdl SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 SHOT="$shot" \
    timeout 120 xvfb-run -a -s "-screen 0 800x600x24" ./inside.sh
  status=$?
  [ "$status" -eq 0 ] && break
  echo "attempt $attempt ended with status $status"
  sleep 1
done
if [ "$status" -ne 0 ]; then
  echo "FAILED: the game ended with status $status"
  exit 1
fi
size=$(stat -c %s Data/scores.dat 2>/dev/null || echo missing)
if [ "$size" != 25 ]; then
  echo "FAILED: Data/scores.dat is $size (25 bytes expected)"
  exit 1
fi
echo "ok: status 0, Data/scores.dat written"
