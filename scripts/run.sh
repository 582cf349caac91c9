#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it. The program keeps its slots
# (1.wav ... 16.wav, Settings.txt) in the folder of its executable: build/run/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DWTB_BENCHMARKS=OFF >/dev/null
cmake --build build/release -j2 --target wavetable-builder
mkdir -p build/run
cp build/release/src/wavetable-builder build/run/
exec build/run/wavetable-builder
