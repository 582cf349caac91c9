#!/usr/bin/env bash
# Installs what is missing, then builds (warnings are errors) and runs every test of a normal
# build, then the unit and window tiers of a build with AddressSanitizer and
# UndefinedBehaviorSanitizer (the other tiers spend their time in programs the sanitizers do
# not see: the sound server, the Arduino builder, simavr, dpkg); then runs the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

# run_suite DIR TIERS CMAKE_ARGS...: TIERS is a ctest label expression, "" for every tier.
run_suite() {
    local dir=$1 tiers=$2
    shift 2
    cmake -S . -B "$dir" -G Ninja -DCMAKE_COMPILE_WARNING_AS_ERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j2
    (cd "$dir" && ctest --output-on-failure -j2 ${tiers:+-L "$tiers"})
}

run_suite build/test "" -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Qt's and fontconfig's one-time allocations live until exit; the leaks worth finding are ours.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite build/sanitize "^(unit|window)$" -DCMAKE_BUILD_TYPE=Debug -DWTB_SANITIZE=ON -DWTB_BENCHMARKS=OFF
# The loaders and the sketch builder under libFuzzer, half a minute each here (the suite has
# grown; a longer run is scripts/fuzz.sh alone).
WTB_FUZZ_SECONDS=${WTB_FUZZ_SECONDS:-30} scripts/fuzz.sh
