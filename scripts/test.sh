#!/usr/bin/env bash
# Installs what is missing, builds Pellow and runs the whole test suite: the plain build with
# warnings as errors (unit, gui and end-to-end tests, then the install tree and the .debs), the
# same tests under AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of each fuzzer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
pellow_install_deps
jobs=$(nproc)

echo "== Plain build (warnings are errors)"
cmake -S "$root" -B "$root/build-ci" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELLOW_WERROR=ON >/dev/null
cmake --build "$root/build-ci" -j "$jobs"
ctest --test-dir "$root/build-ci" --output-on-failure -j "$jobs" -LE 'e2e|package'
ctest --test-dir "$root/build-ci" --output-on-failure -L e2e

echo "== Install tree and Debian packages"
ctest --test-dir "$root/build-ci" --output-on-failure -L package

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELLOW_WERROR=ON \
    -DPELLOW_SANITIZE=ON -DPELLOW_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build-asan" -j "$jobs"
ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
    LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs" -LE 'e2e|package'

if [[ -x "$root/scripts/fuzz.sh" ]]; then
    echo "== Fuzzers (smoke run)"
    "$root/scripts/fuzz.sh" 5
fi
echo "All tests passed."
