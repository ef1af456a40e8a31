#!/usr/bin/env bash
# Builds tests/consumer with a relative runtime output folder (bin) and runs it from a folder
# that holds bin/libbass.so of its own: the program must work, with the sound library its build
# made, and the planted library must never be loaded.
# Usage: tests/consumer/planted_library.sh <build folder>
set -euo pipefail
build=$(realpath -m "${1:?usage: $0 <build folder>}")
cd "$(dirname "$0")"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_RUNTIME_OUTPUT_DIRECTORY=bin >/dev/null
cmake --build "$build" -j "$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
cat >"$work/planted.c" <<'C'
#include <fcntl.h>
#include <unistd.h>
__attribute__((constructor)) static void planted(void) { close(open(MARK, O_WRONLY | O_CREAT, 0644)); }
C
cc -shared -fPIC -DMARK="\"$work/loaded\"" -o "$work/bin/libbass.so" "$work/planted.c"

status=0
(cd "$work" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy "$build/bin/consumer") || status=$?
if [ -e "$work/loaded" ]; then
  echo "planted_library: the consumer loaded $work/bin/libbass.so from its working folder" >&2
  exit 1
fi
if [ "$status" -ne 0 ]; then
  echo "planted_library: the consumer failed ($status)" >&2
  exit 1
fi
echo "planted_library: ok"
