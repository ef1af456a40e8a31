#!/usr/bin/env bash
# Runs the game as a person would, in a real X window on a private Xvfb server, and quits it
# with Escape once its window shows:
#   tests/support/run_in_window.sh WAIT_SECONDS COMMAND [ARG...]
# WAIT_SECONDS bounds the wait for the window (a command that builds first needs longer).
# Ends with the command's status; 124 when no window showed or the game did not quit, 2 when
# Xvfb or xdotool is missing (scripts/install-deps installs both). The sanitizer settings of the caller's
# environment (ASAN_OPTIONS, LSAN_OPTIONS) reach the command as they are.
set -uo pipefail
wait_s=${1:?seconds to wait for the window}
shift
[ $# -gt 0 ] || { echo "run_in_window: no command" >&2; exit 2; }
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "run_in_window: $tool not found" >&2; exit 2; }
done

tmp=$(mktemp -d)
xvfb_pid=
game_pid=
cleanup() {
  [ -n "$game_pid" ] && kill -- "-$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

source "$(dirname "$0")/xvfb.sh"
start_xvfb "$tmp" || exit 124

# Its own process group, so that a cleanup ends a build the command may have started too.
set -m
"$@" &
game_pid=$!
set +m

window=
deadline=$((SECONDS + wait_s))
while [ -z "$window" ] && [ $SECONDS -lt $deadline ] && kill -0 "$game_pid" 2>/dev/null; do
  window=$(xdotool search --onlyvisible --name '^Farewander$' 2>/dev/null | head -1)
  [ -n "$window" ] || sleep 0.25
done
if [ -z "$window" ]; then
  if kill -0 "$game_pid" 2>/dev/null; then
    echo "run_in_window: no game window within ${wait_s}s"
    exit 124
  fi
  wait "$game_pid"
  status=$?
  game_pid=
  echo "run_in_window: the game ended with status $status before its window showed"
  exit $((status == 0 ? 124 : status))
fi
echo "run_in_window: window $window on $DISPLAY, pressing Escape"

# Escape on the title quits; keys pressed while the game still loads are read once it runs,
# and a repeated press covers one lost before the window took the focus.
for _ in $(seq 30); do
  kill -0 "$game_pid" 2>/dev/null || break
  xdotool windowfocus "$window" key Escape 2>/dev/null
  for _ in $(seq 10); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
done
if kill -0 "$game_pid" 2>/dev/null; then
  echo "run_in_window: the game did not quit on Escape"
  exit 124
fi
wait "$game_pid"
status=$?
game_pid=
echo "run_in_window: the game ended with status $status"
exit $status
