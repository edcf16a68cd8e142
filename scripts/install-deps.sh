#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the pictures and the
# sandbox window (SDL2) need, when any is missing. Runs as root (or through
# sudo when there is one).
set -euo pipefail

packages=(
    g++ cmake make pkg-config binutils
    libgtest-dev libgmock-dev libbenchmark-dev
    libimgui-dev libstb-dev nlohmann-json3-dev libcli11-dev
    libegl-dev libegl1-mesa-dev libopengl-dev libgl-dev libgl1-mesa-dri libepoxy-dev libpng-dev
    libsdl2-dev
    fonts-dejavu-core  # the interface's scalable font, found at run time (canvas/Fonts.h)
    libavcodec-dev libavformat-dev libswscale-dev  # render --video
    clang libclang-rt-14-dev
    clang-format clang-tidy python3  # scripts/lint.sh (run-clang-tidy is a Python script)
    valgrind  # scripts/bench-instructions.sh counts a frame's instructions with callgrind
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
