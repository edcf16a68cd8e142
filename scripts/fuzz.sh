#!/usr/bin/env bash
# Runs one libFuzzer target for a given time:  scripts/fuzz.sh TARGET SECONDS
# TARGET is frame, scene or config. Builds the fuzz configuration first (clang,
# in $FUZZ_BUILD_DIR, default build-fuzz). The checked-in seeds in
# fuzz/corpus/TARGET are copied to a working corpus in the build directory,
# which grows across runs; a crash leaves its input in
# $FUZZ_BUILD_DIR/artifacts/ and makes the script fail, as does a run that
# tried no input.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -ne 2 ]; then
    echo "usage: scripts/fuzz.sh frame|scene|config SECONDS" >&2
    exit 2
fi
target=$1
seconds=$2
case "$target" in
    frame | scene | config) ;;
    *)
        echo "unknown fuzz target '$target' (frame, scene or config)" >&2
        exit 2
        ;;
esac

build=${FUZZ_BUILD_DIR:-build-fuzz}
if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTRIMSIGHT_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build "$build" -j"${FUZZ_JOBS:-$(nproc)}" --target "${target}_fuzzer" >/dev/null

corpus="$build/corpus/$target"
artifacts="$build/artifacts/$target/"
mkdir -p "$corpus" "$artifacts"
cp -n fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
dict=()
[ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")

export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
echo "== fuzzing $target for ${seconds}s"
log="$build/fuzz-$target.log"
status=0
"$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts" "${dict[@]}" "$corpus" >"$log" 2>&1 ||
    status=$?
grep -E '^(stat::number_of_executed_units|stat::new_units_added)' "$log" || true
if [ "$status" -ne 0 ]; then
    grep -E -A30 '(ERROR|runtime error|bad frame|bad scene|bad config)' "$log" | head -60 >&2 || true
    echo "fuzz target $target failed (exit $status); log $log, inputs in $artifacts" >&2
    exit 1
fi
# A run that tried no input proves nothing.
units=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -n 1)
if [ "${units:-0}" -eq 0 ]; then
    echo "fuzz target $target ran no inputs; log $log" >&2
    exit 1
fi
