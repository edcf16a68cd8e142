#!/usr/bin/env bash
# Instructions of one frame and of its maths floor, per scene of the frame
# benchmark, counted by callgrind. Unlike times, the counts do not drift with
# the machine's load, so they show what a change to the frame did.
#
#   scripts/bench-instructions.sh [BUILD_DIR]     (default: build)
#
# The build must have the benchmark (-DTRIMSIGHT_BENCHMARKS=ON); valgrind
# comes from scripts/install-deps.sh. For each scene, `trimsight_bench
# --instructions SCENE` draws a block of frames and runs a block of floors in
# functions of their own, and callgrind counts only inside the one asked for.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
bench=$build/bench/trimsight_bench
if [ ! -x "$bench" ]; then
    echo "no $bench: configure with -DTRIMSIGHT_BENCHMARKS=ON and build trimsight_bench" >&2
    exit 2
fi
if ! command -v valgrind >/dev/null; then
    echo "valgrind is missing: run scripts/install-deps.sh" >&2
    exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Instructions inside one function ($2) of one scene's run ($1), per frame.
count() {
    local log="$work/$1-$2.log" frames collected
    valgrind --tool=callgrind --callgrind-out-file="$work/out.%p" --collect-atstart=no \
        --toggle-collect="*$2(*" "$bench" --instructions "$1" >"$work/stdout" 2>"$log"
    frames=$(sed -n 's/^\([0-9]*\) frames and floors$/\1/p' "$work/stdout")
    collected=$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$log")
    if [ -z "$frames" ] || [ -z "$collected" ]; then
        echo "callgrind gave no count for $1 ($2):" >&2
        cat "$log" >&2
        exit 1
    fi
    echo $((collected / frames))
}

printf '%-12s %12s %12s %7s\n' scene frame floor ratio
for scene in level behind peripheral; do
    frame=$(count "$scene" frameBlock)
    floor=$(count "$scene" floorBlock)
    ratio=$(awk -v a="$frame" -v b="$floor" 'BEGIN { printf "%.2f", a / b }')
    printf '%-12s %12s %12s %7s\n' "$scene" "$frame" "$floor" "$ratio"
done
