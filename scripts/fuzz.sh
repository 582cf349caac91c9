#!/usr/bin/env bash
# Builds the libFuzzer targets in fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for a bounded time (WTB_FUZZ_SECONDS, 60 by default)
# from its seeds in fuzz/corpus/<target>/. The inputs it learns are kept in build/fuzz/corpus/
# for the next run. A crash, a leak or a broken property fails the run and leaves the input in
# build/fuzz/artifacts/. An input that runs longer than WTB_FUZZ_TIMEOUT seconds (10 by
# default) is a hang and fails the run too, at once rather than after the whole budget.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${WTB_FUZZ_SECONDS:-60}
timeout=${WTB_FUZZ_TIMEOUT:-10}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DWTB_FUZZ=ON >/dev/null
cmake --build build/fuzz -j2 --target settings_fuzz sound_file_fuzz sketch_fuzz
mkdir -p build/fuzz/artifacts
for target in settings sound_file sketch; do
    mkdir -p "build/fuzz/corpus/$target"
    log=build/fuzz/$target.log
    if ! "build/fuzz/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout="$timeout" \
        -print_final_stats=1 -artifact_prefix="build/fuzz/artifacts/$target-" \
        "build/fuzz/corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
        tail -n 60 "$log"
        echo "The fuzz target $target failed; its input is in build/fuzz/artifacts/." >&2
        exit 1
    fi
    runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$')
    echo "fuzz target $target: $runs inputs in $seconds s, no failure"
done
