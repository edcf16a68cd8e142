#!/usr/bin/env bash
# Builds the plugin and the host program and renders the built-in demo scene
# (an aerial, then the same with peripheral mode on) to PNG pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target trimsight trimsight-host
out=${1:-out/demo}
mkdir -p "$out"
build/trimsight-host render -o "$out"
echo "Pictures of the demo are in $(cd "$out" && pwd)"
