#!/usr/bin/env bash
# Builds the benchmarks in Release (build-release) and prints their report. Extra arguments go
# to the benchmark binary, e.g. --benchmark_filter=Decode or --benchmark_repetitions=5.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-release"

generator=()
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then
    generator=(-G Ninja)
fi

cmake -S "$root" -B "$build" "${generator[@]}" \
    -DCMAKE_BUILD_TYPE=Release -DPELLOW_BUILD_BENCH=ON -DPELLOW_BUILD_TESTS=ON -DPELLOW_BUILD_FUZZ=OFF
cmake --build "$build" --parallel 2 --target pellow_bench pellow_bench_app

# A fixed time zone and locale, so every run formats the same texts.
TZ=UTC LC_ALL=C.UTF-8 "$build/bin/pellow_bench" "$@"
# The tray benchmarks need a session bus: a private one unless there is one already.
bus=()
[[ -n ${DBUS_SESSION_BUS_ADDRESS:-} ]] || bus=(dbus-run-session --)
TZ=UTC LC_ALL=C.UTF-8 "${bus[@]}" "$build/bin/pellow_bench_app" "$@"
