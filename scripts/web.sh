#!/usr/bin/env bash
# Builds the browser build (docs/web.md): the sandbox window, the plugin and
# the host layer's in-process parts compiled to WebAssembly with Debian's
# emscripten, into BUILD_DIR/site/, a folder any static file server can
# serve: index.html is the flying page, trace.html the trace test page.
#   scripts/web.sh [BUILD_DIR]      (default: build-web)
#   TRIMSIGHT_WEB_OPT=-O2|-Os|...   the optimisation (default -O2: twice as fast
#                                   as -Os for 18 % more bytes, both far under
#                                   the 3 MB budget; docs/web.md)
# What it needs and does not find it installs from Debian: emscripten (about
# 800 MB, so only here, not in install-deps.sh), and Dear ImGui's source
# through `apt-get source`, from a deb-src twin of the machine's Debian
# entries kept in BUILD_DIR/cache/ with an apt state of its own (the
# machine's apt configuration is left alone). Nothing else is downloaded:
# emscripten's ports (its SDL2 and the like) are never used.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-web}
opt=${TRIMSIGHT_WEB_OPT:--O2}

debian_log_prefix=web
# shellcheck source=scripts/debian-sources.sh
. scripts/debian-sources.sh

install_packages emscripten nlohmann-json3-dev libstb-dev xz-utils
mkdir -p "$build/cache"
cache=$(cd "$build/cache" && pwd)
fetch_imgui "$cache"
link_headers "$cache" nlohmann stb

# Debian's emcc runs Node tools that look for Debian's Node modules here.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
start=$(date +%s)
emcmake cmake -S . -B "$build" -DTRIMSIGHT_WEB=ON -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="$opt -DNDEBUG" -DCMAKE_EXE_LINKER_FLAGS_RELEASE="$opt" \
    -DTRIMSIGHT_IMGUI_SOURCE="$cache/imgui-1.86" -DTRIMSIGHT_WEB_HEADERS="$cache/include" \
    >/dev/null
cmake --build "$build" -j"$(nproc)"
bytes() { stat -c %s "$build/site/$1"; }
echo "web: built $build/site in $(($(date +%s) - start)) s: the flying page's module" \
    "$(bytes trimsight-fly.wasm) bytes of .wasm and $(bytes trimsight-fly.js) of .js;" \
    "the trace's $(bytes trimsight.wasm) and $(bytes trimsight.js)"
