#!/usr/bin/env bash
# Installs every Debian 12 package the program, its tests and its benchmarks need.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-multimedia-dev qt6-serialport-dev libsndfile1-dev libsoxr-dev libxcb1-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-dejavu-core fonts-liberation2 xvfb xauth xdotool x11-utils imagemagick
    pulseaudio pulseaudio-utils
    gcc-avr avr-libc arduino-core-avr arduino-builder avrdude simavr libsimavr-dev libelf-dev
    xxd sox alsa-utils libpython3.11-testsuite sound-theme-freedesktop
    desktop-file-utils appstream librsvg2-bin dpkg-dev man-db
    clang libfuzzer-14-dev libclang-rt-14-dev
)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if ((${#missing[@]})); then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}"
fi
