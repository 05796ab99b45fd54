#!/usr/bin/env bash
# Runs the ctest suites of the plain and the sanitized build (as test.sh runs them, the package
# step left out) while stress-ng keeps both cores busy, <rounds> times in a row (default 3): a
# suite that passes here does not fail on a slow machine. Builds with test.sh first.
#
#   scripts/stress-suite.sh [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-3}
command -v stress-ng >/dev/null || { echo "stress-ng is missing (apt-get install stress-ng)" >&2; exit 2; }
for dir in build-ci build-asan; do
    [[ -f $root/$dir/CTestTestfile.cmake ]] || { echo "no $dir: run scripts/test.sh first" >&2; exit 2; }
done

stress-ng --cpu 2 --quiet &
stress=$!
trap 'kill "$stress" 2>/dev/null; wait "$stress" 2>/dev/null || true' EXIT

jobs=$(nproc)
for ((round = 1; round <= rounds; round++)); do
    echo "== Round $round of $rounds under stress-ng --cpu 2 ($(date -u +%H:%M:%S))"
    ctest --test-dir "$root/build-ci" --output-on-failure -j "$jobs" -LE 'e2e|package'
    ctest --test-dir "$root/build-ci" --output-on-failure -L e2e
    ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
        LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
        UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
        ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs" -LE 'e2e|package'
done
echo "All $rounds rounds passed under load."
