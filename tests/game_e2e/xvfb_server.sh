# Shared by the Xvfb tests (sourced): a private X server started here rather than by xvfb-run,
# whose Debian 12 script hands Xvfb its -auth file unquoted and so fails in a folder with a
# blank. The sourcing script has fail MESSAGE.

# The server answers, or it has ended.
x_settled() { xdotool getdisplaygeometry >/dev/null 2>&1 || ! kill -0 "$xpid" 2>/dev/null; }

# start_x: a fresh 800x600 X server, answering requests; sets xpid and DISPLAY. The server
# takes its display number by a lock file, as xvfb-run's do; one that loses the number to a
# server starting at the same moment ends at once, and the next number is tried. Without
# -noreset the server resets whenever its last client leaves (the probe below, the game's
# look at the screen size before its window) and refuses connections meanwhile.
start_x() {
  number=$((200 + $$ % 600))
  for attempt in 1 2 3 4 5 6 7 8; do
    number=$((number + 1))
    [ -e "/tmp/.X$number-lock" ] && continue
    Xvfb ":$number" -noreset -nolisten tcp -screen 0 800x600x24 2>xvfb.log &
    xpid=$!
    DISPLAY=:$number
    export DISPLAY
    x_deadline=$(($(date +%s) + 60))
    until x_settled; do
      [ "$(date +%s)" -lt "$x_deadline" ] || fail "no X server after a long wait"
      sleep 0.1
    done
    kill -0 "$xpid" 2>/dev/null && return
  done
  cat xvfb.log
  fail "no X server"
}
