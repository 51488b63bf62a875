#!/usr/bin/env bash
# Installs what building and testing Voxwell needs on Debian 12, only what is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libfftw3-dev
    g++-mingw-w64-x86-64-posix
    wine wine64 xvfb xauth x11-utils xdotool imagemagick
    pulseaudio pulseaudio-utils sox procps python3 strace
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
