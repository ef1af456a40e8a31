#!/usr/bin/env bash
# Runs fuzz targets one after another: fuzz/run.sh BUILD_DIR SECONDS [TARGET...]
# (targets by short name: script font stringtable particle ini pack image sound; default all).
# Each target starts from its seed corpus in fuzz/corpus/<target> and keeps what it finds in
# out/fuzz/<target>; a crash, leak, timeout or sanitizer report fails the run and leaves the
# input in out/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?build directory}
seconds=${2:?seconds per target}
shift 2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(script font stringtable particle ini pack image sound)
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}"
export SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=offscreen
mkdir -p out/fuzz/artifacts
status=0
for t in "${targets[@]}"; do
  mkdir -p "out/fuzz/$t"
  max_len=4096
  case $t in image|sound|pack) max_len=65536 ;; esac
  echo "fuzz: $t for ${seconds}s"
  if ! "$build/bin/${t}_fuzz" -max_total_time="$seconds" -timeout=2 -rss_limit_mb=1024 -max_len=$max_len \
       -print_final_stats=1 -artifact_prefix="out/fuzz/artifacts/$t-" "out/fuzz/$t" "fuzz/corpus/$t" \
       > "out/fuzz/$t.log" 2>&1; then
    echo "fuzz: $t FAILED"; tail -40 "out/fuzz/$t.log"; status=1
  else
    grep -E '^stat::number_of_executed_units' "out/fuzz/$t.log" || true
  fi
done
exit $status
