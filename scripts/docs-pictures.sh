#!/usr/bin/env bash
# Makes every picture of docs/ and the README with the built program, from
# the example scenes, the guide's moments, scripted and autopilot flights,
# with no saved settings and no history of the user's:
#
#   scripts/docs-pictures.sh [BUILD]          # writes them into docs/
#   scripts/docs-pictures.sh --check [BUILD]  # makes them in a temporary folder and
#                                             # compares with docs/ (scripts/test.sh)
#
# The check compares sizes and a grid of sample pixels, not bytes
# (scripts/compare-pictures.py): the window's HUD shows the frame rate.
# docs/web.png is the browser test's (TRIMSIGHT_WEB_SCREENSHOT=docs/web.png
# scripts/web-check.sh) and is not made here.
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
if [ "${1:-}" = "--check" ]; then
    check=1
    shift
fi
build=${1:-build}
host="$build/trimsight-host"
[ -x "$host" ] || { echo "docs-pictures: no $host; build first" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out=docs
[ "$check" -eq 1 ] && out="$work/docs" && mkdir -p "$out"
# A config that does not exist: the defaults; a history of our own.
# What the program says goes to a file, shown when a step fails.
run() {
    "$host" --config "$work/none.json" --history "$work/history.txt" "$@" >"$work/said" 2>&1 ||
        { cat "$work/said" >&2; echo "docs-pictures: failed: trimsight-host $*" >&2; exit 1; }
}

run render scenes/dial-closeup.json -o "$out/dial.png"
run render scenes/climb.json --settings -o "$out/settings.png"
run guide -o "$out"
run fly --video-driver offscreen --script scenes/demo-flight.fly --seconds 5.4 \
    --screenshot "$out/fly.png"
run fly --video-driver offscreen --drill aerial-touch --seed 1 --autopilot \
    --screenshot "$out/drill.png"
run fly --video-driver offscreen --drill velocity-alignment --seed 1 --autopilot \
    --record "$work/attempt.log"
run render "$work/attempt.log" --plot "$out/plot.png"
# A clip's last frame, the world and the attempt's result. At 40 frames a
# second the 307 ticks of the flight end one tick after the last frame, so
# the world shown with the result and the dial drawn at that frame agree.
run fly --video-driver offscreen --drill recovery --seed 1 --autopilot --record "$work/recovery.log"
run render "$work/recovery.log" --fps 40 --canvas 1280x720 -o "$work/clip"
cp "$(ls "$work"/clip/frame-*.png | sort | tail -n 1)" "$out/clip.png"
run fly --video-driver offscreen --drill aerial-touch --seed 2 --autopilot --ball-path \
    --car-path --seconds 3.3 --screenshot "$out/path-ahead.png"
run fly --video-driver offscreen --drill fast-aerial --seed 1 --script scenes/fast-aerial-late.fly \
    --screenshot "$out/fast-aerial.png"
# A pack's first shot after the touch, the ball on its way to the goal; a
# ring course with its next ring and the ones after it.
run fly --video-driver offscreen --pack first-aerials --autopilot --seconds 10.5 \
    --screenshot "$out/pack-shot.png"
run fly --video-driver offscreen --course slalom --autopilot --seconds 3.5 \
    --screenshot "$out/course.png"
# A session's HUD: the autopilot three attempts into "First aerials", on its
# first pack shot (without a screen each attempt follows the last at once).
run fly --video-driver offscreen --session first-aerials --autopilot --seconds 27 \
    --screenshot "$out/session.png"
# Rewinding: a double jump and a climb, then the rewind key held 0.8 s.
run fly --video-driver offscreen --script scenes/rewind.fly --screenshot "$out/rewind.png"

pictures=(dial.png settings.png dial-guide.png situation-level-ball-right.png
          situation-nose-up-ball-below.png situation-falling-velocity-behind.png
          fly.png drill.png plot.png clip.png path-ahead.png fast-aerial.png pack-shot.png
          course.png session.png rewind.png)
if [ "$check" -eq 1 ]; then
    python3 scripts/compare-pictures.py "$out" docs "${pictures[@]}"
    echo "docs pictures: ${#pictures[@]} made again and alike"
else
    echo "wrote ${pictures[*]/#/docs/}"
fi
