#!/usr/bin/env bash
# Starts a copy of the program in a folder of its own, with the game's data/ but without the
# sound library, while the folder it was built in still holds one: the program must not load
# that one but end with its "Can't load BASS.DLL" box (on standard error, as no display is
# named), and its log must name no file outside the copy's folder.
#   tests/support/sound_library_only_beside_program.sh PROGRAM
# Ends with 0 when it does, 1 when it does not, 2 when there is no data/ beside PROGRAM.
set -uo pipefail
program=${1:?program}
name=sound_library_only_beside_program
built=$(cd "$(dirname "$program")" && pwd -P)
[ -d "$built/data" ] || { echo "$name: no data/ beside $program" >&2; exit 2; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
app=$(cd "$tmp" && pwd -P)
cp "$program" "$app/" || exit 1
ln -s "$built/data" "$app/data"

# A program that found a sound library plays on: it is ended after a minute.
(cd "$app" && exec env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
  timeout -s KILL 60 "$app/$(basename "$program")") >/dev/null 2>"$app/stderr.txt"
status=$?
err=$(cat "$app/stderr.txt")

fail() {
  echo "$name: $1; standard error:" >&2
  printf '%s\n' "$err" >&2
  exit 1
}
[ "$status" -ne 137 ] || fail "still running after 60 s, with a sound library from outside its folder"
[ "$status" -eq 0 ] || fail "the program ended with $status"
[ "$(printf '%s\n' "$err" | tail -n 1)" = "Error: Can't load BASS.DLL" ] || fail "no \"Can't load BASS.DLL\" box at the end"
printf '%s\n' "$err" | grep -qxF "Sound library not loaded: no $app/libbass.so" ||
  fail "the log does not name $app/libbass.so alone"
printf '%s\n' "$err" | grep -qF "$built" && fail "the log names the build's folder $built"
echo "$name: ok"
