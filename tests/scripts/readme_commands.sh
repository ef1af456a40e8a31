#!/usr/bin/env bash
# The README's two commands share build/ and must each do their whole job whatever configured
# it before. Run from CI on a fresh tree (it configures and builds build/):
#   1. build/ configured for a sanitizer test run, then scripts/play: a plain game (no
#      sanitizer in it) that opens its real window and quits on Escape with status 0;
#   2. then scripts/test, on the configuration scripts/play left (tests and benchmarks off):
#      it must build and run the whole suite.
# Extra arguments go to the first configuration (CI passes none).
set -euo pipefail
cd "$(dirname "$0")/../.."
fail() { echo "readme_commands: FAILED: $*"; exit 1; }

scripts/install-deps
cmake --preset test -DFW_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DFW_BUILD_BENCH=OFF "$@" >/dev/null

echo "readme_commands: scripts/play after a sanitizer configuration of build/"
status=0
SDL_AUDIODRIVER=dummy tests/support/run_in_window.sh 900 scripts/play || status=$?
[ "$status" -eq 0 ] || fail "scripts/play ended with status $status"
if ldd build/bin/farewander | grep -q 'libasan\|libubsan'; then
  fail "scripts/play built the game with the sanitizers"
fi

echo "readme_commands: scripts/test after scripts/play"
mkdir -p out
scripts/test 2>&1 | tee out/readme_commands_test.log
summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' out/readme_commands_test.log || true)
ran=${summary##* out of }
[ -n "$summary" ] && [ "$ran" -gt 0 ] || fail "scripts/test ran no test"
# The whole suite: every test the test configuration defines.
listed=$(ctest --test-dir build -N | sed -n 's/^Total Tests: //p')
[ "$ran" -eq "$listed" ] || fail "scripts/test ran $ran of $listed tests"
echo "readme_commands: scripts/test ran all $ran tests"
