#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each one for a while.
#
#   scripts/fuzz.sh [seconds-per-target]    (default 10)
#
# Each target starts from a copy of its seed corpus in tests/fuzz/corpus, made in a temporary
# folder, so a run never writes into the source tree. Exits non-zero when any target finds a
# crash; the crashing input is kept and its path printed.
set -euo pipefail

seconds="${1:-10}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
    echo "usage: $0 [seconds-per-target]" >&2
    exit 2
fi

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-fuzz"
targets=(fuzz_parselength fuzz_timerdecode fuzz_preferencefile)

generator=()
if [ ! -f "$build/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then
    generator=(-G Ninja)
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" "${generator[@]}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPELLOW_BUILD_FUZZ=ON -DPELLOW_BUILD_TESTS=OFF -DPELLOW_BUILD_BENCH=OFF
cmake --build "$build" --parallel 2 --target "${targets[@]}"

work="$(mktemp -d "${TMPDIR:-/tmp}/pellow-fuzz.XXXXXX")"
failed=()
for target in "${targets[@]}"; do
    corpus="$work/corpus/$target"
    artifacts="$work/artifacts/$target"
    mkdir -p "$corpus" "$artifacts"
    cp -R "$root/tests/fuzz/corpus/$target/." "$corpus/"

    echo "== $target: ${seconds}s"
    # Qt's text codecs and locale data want a UTF-8 locale; the run must not depend on the caller's.
    if (cd "$work" && LC_ALL=C.UTF-8 TZ=UTC "$build/bin/$target" \
            -max_total_time="$seconds" -print_final_stats=1 \
            -artifact_prefix="$artifacts/" "$corpus" 2>"$work/$target.log"); then
        grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$work/$target.log" || true
        echo "   corpus: $(find "$corpus" -type f | wc -l) inputs"
    else
        failed+=("$target")
        tail -n 40 "$work/$target.log" >&2
        echo "!! $target failed; log and crashing inputs kept in $work" >&2
    fi
done

if [ "${#failed[@]}" -ne 0 ]; then
    echo "fuzzing found problems in: ${failed[*]}" >&2
    exit 1
fi
rm -rf "$work"
echo "all fuzz targets ran clean"
