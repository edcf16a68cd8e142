#!/usr/bin/env bash
# Installs what the sandbox needs, builds the plugin and the host program and
# opens the sandbox window (`trimsight-host fly`; arguments are passed on).
# On a machine with no display it says so and flies the demo flight
# (scenes/demo-flight.fly) offscreen instead, writing a picture every half
# second, a contact sheet and the flight log to out/fly-demo/ (or $1).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target trimsight trimsight-host

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/trimsight-host fly "$@"
fi

out=${1:-out/fly-demo}
echo "No display here (neither DISPLAY nor WAYLAND_DISPLAY is set): flying the demo flight"
echo "offscreen instead, with pictures of the window."
mkdir -p "$out"
build/trimsight-host fly --video-driver offscreen --script scenes/demo-flight.fly \
    --pictures "$out" --record "$out/flight.log" --screenshot "$out/last-frame.png"
echo "Pictures of the demo flight are in $(cd "$out" && pwd): frame-0000.png ... and contact-sheet.png"
