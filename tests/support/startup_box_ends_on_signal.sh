#!/usr/bin/env bash
# Starts a copy of the program without its data/ in a real X window on a private Xvfb, so that
# it shows its start-up "Error" box, and ends it while the box is up in three ways: SIGTERM to
# the program, SIGTERM to the process that draws the box (SDL's X11 box draws in a forked child;
# the program itself when there is none), and SIGINT to the program's process group as Ctrl+C
# sends it. Each must end the program within 3 s with status 0 and leave no process behind.
#   tests/support/startup_box_ends_on_signal.sh PROGRAM
# The sound library beside PROGRAM is copied with it. Ends with 0 when all three pass, 1 when
# one fails, 2 when Xvfb, xdotool or the core X fonts are missing (scripts/install-deps
# installs them).
set -uo pipefail
program=${1:?program}
name=startup_box_ends_on_signal
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "$name: $tool not found" >&2; exit 2; }
done
# SDL draws its box with the server's core fonts.
compgen -G '/usr/share/fonts/X11/misc/*.pcf.gz' >/dev/null ||
  { echo "$name: the core X fonts (xfonts-base) not found" >&2; exit 2; }

tmp=$(mktemp -d)
xvfb_pid=
game_pid=
cleanup() {
  [ -n "$game_pid" ] && kill -KILL -- "-$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

mkdir "$tmp/app"
cp "$program" "$tmp/app/" || exit 1
[ -e "$(dirname "$program")/libbass.so" ] && cp "$(dirname "$program")/libbass.so" "$tmp/app/"
app="$tmp/app/$(basename "$program")"

source "$(dirname "$0")/xvfb.sh"
start_xvfb "$tmp" || exit 1

# The live (not zombie) processes whose field $1 of /proc/PID/stat after the name is $2:
# 2 is the parent, 3 the process group.
procs_with() {
  local stat line fields
  for stat in /proc/[0-9]*/stat; do
    read -r line 2>/dev/null <"$stat" || continue
    read -ra fields <<<"${line##*) }"
    [ "${fields[0]}" != Z ] && [ "${fields[$1 - 1]}" = "$2" ] && echo "${stat//[^0-9]/}"
  done
}

# The box's window: SDL names it in UTF-8, which xdotool's name search does not read.
box_window() {
  local w
  for w in $(xdotool search --onlyvisible --class '' 2>/dev/null); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = Error ] && { echo "$w"; return; }
  done
}

failed=0
# Fails the case and ends the program's group.
give_up() {
  failed=1
  kill -KILL -- "-$game_pid" 2>/dev/null
  wait "$game_pid" 2>/dev/null
  game_pid=
}

# run CASE: starts the program, waits for its box and signals it as CASE says.
run() {
  local case=$1 window='' target status left
  # Its own process group, as a shell gives a command it runs; SIGINT and SIGTERM as a
  # terminal's shell leaves them, even when this script was started with them ignored.
  set -m
  env --default-signal=INT,TERM "$app" >"$tmp/out" 2>"$tmp/err" &
  game_pid=$!
  set +m
  local deadline=$((SECONDS + 60))
  while [ -z "$window" ] && [ $SECONDS -lt $deadline ] && kill -0 "$game_pid" 2>/dev/null; do
    window=$(box_window)
    [ -n "$window" ] || sleep 0.2
  done
  if [ -z "$window" ]; then
    echo "$name: $case: no box showed"
    cat "$tmp/err"
    for pid in $(procs_with 3 "$game_pid"); do
      echo "$name: process $pid waits in $(cat "/proc/$pid/wchan" 2>/dev/null)"
      command -v gdb >/dev/null && gdb -batch -p "$pid" -ex 'thread apply all bt 12' 2>/dev/null | grep '^#'
    done
    give_up
    return
  fi
  case $case in
    term-program) target=$game_pid; kill -TERM "$game_pid" ;;
    term-drawer)
      target=$(procs_with 2 "$game_pid" | head -1)
      [ -n "$target" ] || { target=$game_pid; echo "$name: $case: SDL draws the box in the program"; }
      kill -TERM "$target" ;;
    int-group) target=-$game_pid; kill -INT -- "-$game_pid" ;;
  esac
  for _ in $(seq 30); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$game_pid" 2>/dev/null; then
    echo "$name: $case: the program outlived 3 s after the signal to $target"
    give_up
    return
  fi
  wait "$game_pid"
  status=$?
  # A process the program leaves (the box's drawer) stays in its group.
  sleep 0.3
  mapfile -t left < <(procs_with 3 "$game_pid")
  game_pid=
  if [ $status -ne 0 ] || [ ${#left[@]} -gt 0 ] || [ -n "$(box_window)" ]; then
    echo "$name: $case: status $status, processes left: ${left[*]:-none}, box left: $(box_window)"
    [ ${#left[@]} -gt 0 ] && kill -KILL "${left[@]}" 2>/dev/null
    failed=1
    return
  fi
  echo "$name: $case: ended with status 0"
}

run term-program
run term-drawer
run int-group
exit $failed
