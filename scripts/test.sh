#!/usr/bin/env bash
# Builds everything twice, plainly and with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the whole test suite in both, with the
# lint check after the plain build; then the thread-safety test and the
# picture tests built with ThreadSanitizer, a short run of each fuzz target,
# the browser build checked against the normal one, and the Windows build
# (MinGW-w64, under Wine) checked against the normal one.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)
# What ran and passed, and what ran and failed: a failing test does not stop
# the rest, and the script fails at the end.
passed=0
failed=0
# Runs ctest in a build tree and adds its counts to the totals; a run that
# ends without its summary counts as one failure.
run_ctest() {
    local log summary bad total
    log=$(mktemp)
    (cd "$1" && ctest --output-on-failure -j"$jobs") | tee "$log" || true
    summary=$(sed -n 's/.* \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$log" | tail -n 1)
    rm -f "$log"
    if [ -z "$summary" ]; then
        failed=$((failed + 1))
        return
    fi
    read -r bad total <<<"$summary"
    passed=$((passed + total - bad))
    failed=$((failed + bad))
}
# Runs a GoogleTest program and adds the tests it passed; a run that fails or
# passes none counts as one failure.
run_gtest() {
    local log status=0 count
    log=$(mktemp)
    "$@" 2>&1 | tee "$log" || status=$?
    count=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" | tail -n 1)
    rm -f "$log"
    if [ "$status" -eq 0 ] && [ "${count:-0}" -gt 0 ]; then
        passed=$((passed + count))
    else
        failed=$((failed + 1))
    fi
}
# Runs one check that is a single test (a fuzz target) and counts it by its
# exit status.
run_check() {
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
    fi
}
# ccache, when installed, keeps the second and later runs' builds short.
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# intercept_tls_get_addr=0: the leak checker's own record of dynamically
# loaded libraries' thread-local blocks goes wrong once the video encoder and
# Mesa's driver have been loaded (glibc 2.36, GCC 12's runtime), and its
# tracer then dies at exit reading a block that is not there. Without the
# record those blocks are not scanned; the leak check itself stays on.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

echo "== normal build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRIMSIGHT_BENCHMARKS=ON "${launcher[@]}" >/dev/null
cmake --build build -j"$jobs"
run_ctest build

echo "== the pictures of docs/ and the README made again and compared (scripts/docs-pictures.sh)"
run_check scripts/docs-pictures.sh --check build

echo "== lint: clang-format check and clang-tidy over the normal build's sources"
run_check scripts/lint.sh build

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRIMSIGHT_SANITIZE=ON "${launcher[@]}" >/dev/null
cmake --build build-asan -j"$jobs"
run_ctest build-asan

echo "== ThreadSanitizer build: settings, frames and replay events on three threads;"
echo "   pictures encoded and written on worker threads while the next frames draw"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRIMSIGHT_TSAN=ON "${launcher[@]}" >/dev/null
cmake --build build-tsan -j"$jobs" --target prove_thread_safety_test picture_library_test \
    picture_pipeline_test picture_render_test
# Mesa's rasteriser threads are not instrumented: see the file.
tsan_suppressions="suppressions=$PWD/scripts/tsan-suppressions.txt"
for test in prove/prove_thread_safety_test picture/picture_library_test \
    picture/picture_pipeline_test picture/picture_render_test; do
    run_gtest env TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:$tsan_suppressions" \
        "build-tsan/tests/$test"
done

echo "== fuzz targets (clang, libFuzzer + ASan + UBSan), a short run each"
for target in frame scene config; do
    run_check env FUZZ_BUILD_DIR=build-fuzz scripts/fuzz.sh "$target" \
        "${TRIMSIGHT_FUZZ_SECONDS:-25}"
done

echo "== browser build (emscripten): its numbers against the normal build's, its page in Chromium"
run_check scripts/web.sh build-web
run_check scripts/web-check.sh build-web build

echo "== Windows build (MinGW-w64): the DLL's exports and version resource, its tests and traces under Wine"
# Installs its own packages; a build-windows/ left by an earlier run is
# built again only where something changed (docs/windows.md has the times).
run_check scripts/windows.sh build-windows build

echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
