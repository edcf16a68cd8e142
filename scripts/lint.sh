#!/usr/bin/env bash
# Checks the tree's C++ sources and fails on any finding: clang-format in
# check mode over every tracked source, then clang-tidy (the checks chosen in
# .clang-tidy) over every project source a build compiles.
#   scripts/lint.sh [BUILD_DIR]    (default: build; any configured build tree,
#                                   CMakeLists.txt exports its compile commands)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

echo "== clang-format"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

echo "== clang-tidy"
if [ ! -f "$build/compile_commands.json" ]; then
    echo "lint: $build/compile_commands.json is missing: configure a build there first" >&2
    exit 1
fi
findings=$(mktemp)
trap 'rm -f "$findings"' EXIT
# The project's own folders only: what CMake generates stays out.
run-clang-tidy -quiet -p "$build" -j "$(nproc)" \
    "$PWD/(Trimsight[A-Za-z]*\.cpp|render|settings|host|hostapp|sandbox|portable|web|testkit|bench|fuzz|tests)/" \
    2>/dev/null | sed "s/\x1b\[[0-9;]*m//g" | grep -E "(warning|error): " >"$findings" || true
if [ -s "$findings" ]; then
    sort -u "$findings"
    echo "lint: $(sort -u "$findings" | wc -l) clang-tidy finding(s)" >&2
    exit 1
fi
echo "lint: clean"
