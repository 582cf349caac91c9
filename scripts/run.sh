#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it on your own working folder, the
# one the installed program uses: $XDG_DATA_HOME/Brimtock/Wavetable Builder, by default
# ~/.local/share/Brimtock/Wavetable Builder. It lies outside build/, so rebuilding or cleaning
# the tree never touches your slots. Arguments are passed on to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DWTB_BENCHMARKS=OFF >/dev/null
cmake --build build/release -j2 --target wavetable-builder

folder="${XDG_DATA_HOME:-$HOME/.local/share}/Brimtock/Wavetable Builder"
slot_files=({1..16}.wav Settings.txt)

# Earlier versions of this script kept the slots in build/run/: bring them over once, into a
# folder that holds none yet.
holds_slots() {
    local file
    for file in "${slot_files[@]}"; do
        [[ -e "$1/$file" ]] && return 0
    done
    return 1
}
if holds_slots build/run && ! holds_slots "$folder"; then
    mkdir -p "$folder"
    for file in "${slot_files[@]}"; do
        [[ -e "build/run/$file" ]] && cp -p "build/run/$file" "$folder/"
    done
    echo "Copied your slots from build/run/ to $folder; build/run/ keeps the old copies."
fi

exec build/release/src/wavetable-builder --folder "$folder" "$@"
