#!/usr/bin/env bash
# Checks the tree's C++ sources and fails on any finding: clang-format in
# check mode over every tracked source, the include arrows
# (scripts/check-includes.sh), then clang-tidy (the checks chosen in
# .clang-tidy) over the project sources a build compiles.
#   scripts/lint.sh [BUILD_DIR]    (default: build; any configured build tree,
#                                   CMakeLists.txt exports its compile commands)
#
# clang-tidy is slow (minutes per run over the whole tree on two cores), so a
# source found clean is remembered in BUILD_DIR/lint-cache/ under a key made
# of its compile command, .clang-tidy, its own text and the text of every
# project header its last compile read (the build's dependency file): the
# next run checks only the sources whose key changed. A build tree without
# that cache, or TRIMSIGHT_LINT_ALL=1, or CI (CI=true: a fresh clone) checks
# every source.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

echo "== clang-format"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

echo "== includes"
scripts/check-includes.sh

echo "== clang-tidy"
if [ ! -f "$build/compile_commands.json" ]; then
    echo "lint: $build/compile_commands.json is missing: configure a build there first" >&2
    exit 1
fi
cache="$build/lint-cache"
all=0
if [ "${CI:-}" = true ] || [ "${TRIMSIGHT_LINT_ALL:-0}" = 1 ] || [ ! -d "$cache" ]; then
    all=1
fi
mkdir -p "$cache"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The project's own folders only: what CMake generates stays out. Writes the
# sources to check (one a line) to work/todo and their keys to work/keys.
python3 - "$build" "$cache" "$all" "$work" "$PWD" <<'EOF'
import hashlib, json, os, re, shlex, sys

build, cache, check_all, work, root = sys.argv[1:6]
project = re.compile(re.escape(root) + r"/(Trimsight[A-Za-z]*\.cpp|(render|settings|host|base|"
                     r"sandbox|scene|desktop|canvas|picture|fly|app|portable|web|testkit|bench|"
                     r"fuzz|tests)/)")
with open(os.path.join(root, ".clang-tidy"), "rb") as f:
    checks = f.read()

def text(path):
    with open(path, "rb") as f:
        return f.read()

def headers(entry):
    args = shlex.split(entry["command"])
    out = args[args.index("-o") + 1] if "-o" in args else None
    if out is None:
        return None
    dep = os.path.join(entry["directory"], out + ".d")
    if not os.path.exists(dep):
        return None
    names = text(dep).decode().replace("\\\n", " ").split(":", 1)[-1].split()
    return sorted(n for n in names if n.startswith(root + "/") and os.path.exists(n))

todo, keys = [], []
for entry in json.load(open(os.path.join(build, "compile_commands.json"))):
    source = entry["file"]
    if not project.match(source):
        continue
    deps = headers(entry)
    if deps is None:
        todo.append(source)
        continue
    key = hashlib.sha256(entry["command"].encode() + b"\0" + checks)
    for name in [source] + deps:
        key.update(b"\0" + name.encode() + b"\0" + text(name))
    key = key.hexdigest()
    if check_all == "1" or not os.path.exists(os.path.join(cache, key)):
        todo.append(source)
        keys.append(key)
with open(os.path.join(work, "todo"), "w") as f:
    f.write("".join(s + "\n" for s in todo))
with open(os.path.join(work, "keys"), "w") as f:
    f.write("".join(k + "\n" for k in keys))
EOF

count=$(wc -l <"$work/todo")
if [ "$count" -eq 0 ]; then
    echo "lint: clean (no source changed since its last clean check)"
    exit 0
fi
echo "clang-tidy over $count source(s)"
# run-clang-tidy takes regular expressions: each source as itself, exactly.
mapfile -t sources < <(sed 's/[][\.*^$+?(){}|]/\\&/g; s/^/^/; s/$/$/' "$work/todo")
run-clang-tidy -quiet -p "$build" -j "$(nproc)" "${sources[@]}" 2>/dev/null |
    sed "s/\x1b\[[0-9;]*m//g" | grep -E "(warning|error): " >"$work/findings" || true
if [ -s "$work/findings" ]; then
    sort -u "$work/findings"
    echo "lint: $(sort -u "$work/findings" | wc -l) clang-tidy finding(s)" >&2
    exit 1
fi
# Clean: remember each source checked, by its key.
while read -r key; do : >"$cache/$key"; done <"$work/keys"
echo "lint: clean"
