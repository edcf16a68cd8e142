#!/usr/bin/env bash
# Builds everything twice, plainly and with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the whole test suite in both; then the
# thread-safety test built with ThreadSanitizer and a short run of each fuzz
# target.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
passed=0
# Runs ctest in a build tree and adds its count of passed tests to the total.
run_ctest() {
    local log
    log=$(mktemp)
    (cd "$1" && ctest --output-on-failure -j"$jobs") | tee "$log"
    passed=$((passed + $(sed -n 's/.* 0 tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)))
    rm -f "$log"
}
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

echo "== normal build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRIMSIGHT_BENCHMARKS=ON >/dev/null
cmake --build build -j"$jobs"
run_ctest build

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRIMSIGHT_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
run_ctest build-asan

echo "== ThreadSanitizer build: settings, frames and replay events on three threads"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRIMSIGHT_TSAN=ON >/dev/null
cmake --build build-tsan -j"$jobs" --target prove_thread_safety_test
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 build-tsan/tests/prove/prove_thread_safety_test
passed=$((passed + 1))

echo "== fuzz targets (clang, libFuzzer + ASan + UBSan), a short run each"
for target in frame scene config; do
    FUZZ_BUILD_DIR=build-fuzz scripts/fuzz.sh "$target" "${TRIMSIGHT_FUZZ_SECONDS:-25}"
done
passed=$((passed + 3))

echo "tests: $passed passed, 0 failed"
