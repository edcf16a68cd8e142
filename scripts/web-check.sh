#!/usr/bin/env bash
# Checks the browser build's numbers against the desktop's (docs/web.md):
#   1. float text: web/FloatTextSample.cpp's lines from both builds, equal;
#   2. traces: every scene in scenes/, the demo scene, and a sweep of random
#      frames (web/sweep-scene.js), traced by trimsight-host and by the
#      module under Node (web/trace-scene.js). It prints how many canvas calls
#      differ and fails when more than one call in 10000 does, or when any
#      call differs by more than one pixel in a number, or in its kind, its
#      colour or the calls around it;
#   3. the trace test page in headless Chromium, served from 127.0.0.1: the
#      demo's trace on the page equals the desktop's;
#   4. the flying page in the same browser (web/page-check.js): a scripted
#      flight draws its frames, records the desktop's flight log for the
#      same script and shows the dial where it belongs; a pad and the
#      keyboard fly; settings are kept in local storage; a screenshot; a
#      drill from the address flies and its attempt is kept; a pack and a
#      course from the address are flown by the autopilot. The
#      first frame's time after loading is printed, and the flying page's
#      .wasm plus .js must stay under 3 MB.
#   scripts/web-check.sh [WEB_BUILD] [DESKTOP_BUILD]   (build-web, build)
#   TRIMSIGHT_SWEEP_FRAMES=N   frames of the sweep (default 5000)
#   TRIMSIGHT_WEB_SCREENSHOT=PATH   keep the flying page's screenshot there
#                                   (docs/web.png is made so)
# Needs both builds (scripts/web.sh; the desktop build with its tests).
# Why a bound and not equality: the browser's maths library (musl's, compiled
# into the module) may round sin, cos, atan2, acos or pow one unit in the last
# place apart from glibc's, and a value that lands that close to a whole pixel
# truncates to its neighbour. Such calls are rare (the sweep of 20000 frames
# measured 9 in 5.5 million) and one pixel off; a real fault moves whole
# frames, or more than a pixel, or changes the calls drawn.
set -euo pipefail
cd "$(dirname "$0")/.."
web=${1:-build-web}
desktop=${2:-build}
sweep_frames=${TRIMSIGHT_SWEEP_FRAMES:-5000}
for needed in "$web/site/trimsight.js" "$web/site/trimsight-fly.js" "$web/check/float_text_sample.js" \
    "$desktop/trimsight-host" "$desktop/tests/web/float_text_sample"; do
    if [ ! -f "$needed" ]; then
        echo "web-check: $needed is missing: build with scripts/web.sh and the desktop build" >&2
        exit 1
    fi
done
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
work=$(mktemp -d)
server=""
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failed=0

echo "== float text: the browser build's fallbacks against libstdc++"
node "$web/check/float_text_sample.js" >"$work/floats.web"
"$desktop/tests/web/float_text_sample" >"$work/floats.desktop"
if cmp -s "$work/floats.desktop" "$work/floats.web"; then
    echo "float text: $(wc -l <"$work/floats.desktop") floats, written and read alike"
else
    echo "float text: differs, first at:" >&2
    diff "$work/floats.desktop" "$work/floats.web" | head -n 6 >&2
    failed=1
fi

echo "== traces: the browser build against trimsight-host"
"$desktop/trimsight-host" render --save-demo-scene "$work/demo.json" >/dev/null
node web/sweep-scene.js 1 "$sweep_frames" >"$work/sweep.json"
node web/trace-scene.js "$web/site" --demo-scene >"$work/demo.web.json"
if ! cmp -s "$work/demo.json" "$work/demo.web.json"; then
    echo "traces: the module's built-in demo scene differs from the desktop's" >&2
    failed=1
fi
: >"$work/counts"
for scene in scenes/*.json "$work/demo.json" "$work/sweep.json"; do
    name=$(basename "$scene" .json)
    "$desktop/trimsight-host" --config "$work/no-config.json" trace "$scene" >"$work/desktop.trace"
    node web/trace-scene.js "$web/site" "$scene" >"$work/web.trace"
    scripts/compare-traces.sh "$name" "$work/desktop.trace" "$work/web.trace" | tee -a "$work/counts"
done
awk '{ calls += $2; differing += $3; bad += $4 }
    END {
        printf "traces: %d of %d canvas calls differ (bound: 1 in 10000), %d by more than a pixel\n",
            differing, calls, bad
        exit (bad > 0 || differing * 10000 > calls) ? 1 : 0
    }' "$work/counts" || failed=1

echo "== the trace test page in headless Chromium"
if ! command -v chromium >/dev/null; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "web-check: installing chromium"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        chromium >/dev/null
fi
python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$web/site" >"$work/server.log" 2>&1 &
server=$!
port=""
for _ in $(seq 50); do
    port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$work/server.log" | head -n 1)
    [ -n "$port" ] && break
    sleep 0.1
done
# The page traces the demo on load; virtual time lets it finish before the
# page is dumped. Root needs --no-sandbox.
timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/chromium" \
    --virtual-time-budget=30000 --dump-dom "http://127.0.0.1:$port/trace.html?scene=demo" \
    >"$work/page.html" 2>/dev/null || true
"$desktop/trimsight-host" --config "$work/no-config.json" trace "$work/demo.json" \
    >"$work/demo.desktop.trace"
sed -n '/<pre id="output">/,/<\/pre>/p' "$work/page.html" |
    sed -e 's/^<pre id="output">//' -e 's/<\/pre>$//' -e '/^$/d' >"$work/demo.page.trace"
if grep -q 'data-state="traced"' "$work/page.html" &&
    cmp -s "$work/demo.desktop.trace" "$work/demo.page.trace"; then
    echo "page: the demo's $(grep -vc '^frame' "$work/demo.page.trace") canvas calls, as on the desktop"
else
    echo "page: the demo's trace on the page differs from the desktop's, or never came:" >&2
    grep -o '<div id="status"[^<]*' "$work/page.html" >&2 || echo "(no page)" >&2
    failed=1
fi

echo "== the flying page in headless Chromium"
fly_bytes=$(($(stat -c %s "$web/site/trimsight-fly.wasm") + $(stat -c %s "$web/site/trimsight-fly.js")))
echo "page: trimsight-fly.wasm and .js, $fly_bytes bytes together (budget 3000000)"
[ "$fly_bytes" -lt 3000000 ] || failed=1
# The scripted flight: jump with the stick pulled back, then right, then
# centred; the desktop flies it offscreen for its flight log.
printf '%s\n' '0 stick 0 1' '0 button down South' '0.67 stick 1 0' '0.67 button up South' \
    '1 stick 0 0' '2 end' >"$work/flight.script"
if ! "$desktop/trimsight-host" --config "$work/no-config.json" fly --video-driver offscreen \
    --script "$work/flight.script" --record "$work/desktop-flight.log" >/dev/null; then
    echo "web-check: the desktop could not fly the script offscreen" >&2
    failed=1
fi
# The screenshot's flight (web/page-check.js, kScreenshotScript) on the
# desktop, for the page's picture to be compared with.
printf '%s\n' '0 key down C' '0 stick 0.35 -0.5' '0.1 key up C' '0.9 stick 0 0' '1.2 end' \
    >"$work/screenshot.script"
if ! "$desktop/trimsight-host" --config "$work/no-config.json" fly --video-driver offscreen \
    --seed 4 --script "$work/screenshot.script" --screenshot "$work/desktop.png" >/dev/null; then
    echo "web-check: the desktop could not fly the screenshot's script offscreen" >&2
    failed=1
fi
timeout 600 node web/page-check.js "http://127.0.0.1:$port" --script "$work/flight.script" \
    --desktop-log "$work/desktop-flight.log" --desktop-picture "$work/desktop.png" \
    ${TRIMSIGHT_WEB_SCREENSHOT:+--screenshot "$TRIMSIGHT_WEB_SCREENSHOT"} || failed=1
[ "$failed" -eq 0 ]
