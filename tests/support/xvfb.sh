# Sourced by the real-window tests: start_xvfb DIR starts a private Xvfb, its display and log in
# DIR, sets xvfb_pid, and exports DISPLAY and SDL_VIDEODRIVER=x11 (a real X window, not the
# offscreen driver the test suite asks for). Fails, with the server's log, when it does not start.
start_xvfb() {
  # -displayfd lets the server pick a free display, so parallel runs never collide.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1/display" 2>"$1/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$1/display" ] && break; sleep 0.1; done
  [ -s "$1/display" ] || { echo "Xvfb did not start"; cat "$1/xvfb.log"; return 1; }
  export DISPLAY=":$(head -1 "$1/display")" SDL_VIDEODRIVER=x11
}
