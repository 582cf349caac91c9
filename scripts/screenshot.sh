#!/usr/bin/env bash
# Makes the software centre's screenshot, dist/screenshots/main-window.png, from the real window
# at its default size: the built-in kit in a fresh folder, on a private X server. Run it again
# whenever the window changes. Needs a built program (scripts/run.sh or the test build).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
program=${1:-}
if [[ -z $program ]]; then
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DWTB_BENCHMARKS=OFF >/dev/null
    cmake --build build/release -j2 --target wavetable-builder
    program=build/release/src/wavetable-builder
fi
work=$(mktemp -d)
finish() {
    if [[ -n ${app:-} ]]; then kill "$app" 2>/dev/null || true; wait "$app" 2>/dev/null || true; fi
    if [[ -n ${server:-} ]]; then kill "$server" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap finish EXIT
Xvfb -displayfd 3 -noreset -screen 0 1024x480x24 -nolisten tcp 3>"$work/display" &
server=$!
while [[ ! -s $work/display ]]; do sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
HOME=$work XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb "$program" --folder "$work/kit" &
app=$!
for _ in $(seq 100); do
    window=$(xdotool search --name '^Brimtock - Wavetable builder' 2>/dev/null | head -1 || true)
    [[ -n $window ]] && break
    sleep 0.1
done
[[ -n ${window:-} ]] || { echo "The window did not appear." >&2; exit 1; }
sleep 0.5 # let it paint
import -window "$window" dist/screenshots/main-window.png
echo "Wrote dist/screenshots/main-window.png"
