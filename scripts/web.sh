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

# The Dear ImGui the desktop links (Debian's libimgui-dev 1.86), pinned: a
# different source fails here rather than building something else.
imgui_version=1.86+ds-1
imgui_tarball=imgui_1.86+ds.orig.tar.xz
imgui_tarball_sha256=0dace0e8e57d298eb6e93af12dc19420cb96330832f6495c733b90aeeef11f64
imgui_cpp_sha256=f5831105e72d0737f1d42d615cfcb3039b36cb368e847822b9f574e12842b51a

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

install_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return
    echo "web: installing ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

# apt-get with a state of its own under BUILD_DIR/cache/apt, reading only
# the deb-src list written there.
private_apt() {
    local apt_dir=$cache/apt
    apt-get -q -o Dir::Etc::SourceList="$apt_dir/deb-src.list" \
        -o Dir::Etc::SourceParts="$apt_dir/none" -o Dir::State::Lists="$apt_dir/lists" \
        -o Dir::Cache="$apt_dir/cache" -o APT::Sandbox::User=root "$@"
}

# A deb-src line for every Debian archive the machine's sources lists name
# (as apt itself reads them), signed by Debian's archive keyring.
write_deb_src_list() {
    local keyring=/usr/share/keyrings/debian-archive-keyring.gpg option=""
    [ -f "$keyring" ] && option="[signed-by=$keyring] "
    apt-get indextargets --format '$(TARGET_OF) $(REPO_URI) $(RELEASE) $(COMPONENT)' |
        awk -v option="$option" '$1 == "deb" && $2 ~ /debian/ {
            print "deb-src " option $2 " " $3 " " $4 }' | sort -u >"$1"
    if [ ! -s "$1" ]; then
        echo "web: the machine's apt sources name no Debian archive to take sources from" >&2
        exit 1
    fi
}

sha256_of() { sha256sum "$1" | cut -d' ' -f1; }

# Dear ImGui's source, unpacked into BUILD_DIR/cache/imgui-1.86 and checked.
fetch_imgui() {
    local source_dir=$cache/imgui-1.86
    if [ -f "$source_dir/imgui.cpp" ] && [ "$(sha256_of "$source_dir/imgui.cpp")" = "$imgui_cpp_sha256" ]; then
        return
    fi
    local apt_dir=$cache/apt
    mkdir -p "$apt_dir/none" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" \
        "$cache/download"
    write_deb_src_list "$apt_dir/deb-src.list"
    echo "web: fetching Dear ImGui's source ($imgui_version) with apt-get source"
    private_apt update >/dev/null
    (cd "$cache/download" && private_apt source --download-only "imgui=$imgui_version" >/dev/null)
    local tarball=$cache/download/$imgui_tarball
    if [ "$(sha256_of "$tarball")" != "$imgui_tarball_sha256" ]; then
        echo "web: $tarball is not the pinned Dear ImGui source (sha256 differs)" >&2
        exit 1
    fi
    rm -rf "$source_dir"
    tar -xJf "$tarball" -C "$cache"
    if [ "$(sha256_of "$source_dir/imgui.cpp")" != "$imgui_cpp_sha256" ]; then
        echo "web: $source_dir/imgui.cpp is not the pinned one (sha256 differs)" >&2
        exit 1
    fi
}

# The build machine's header-only libraries the module compiles against,
# linked into a folder of their own (never all of /usr/include).
link_headers() {
    mkdir -p "$cache/include"
    ln -sfn /usr/include/nlohmann "$cache/include/nlohmann"
    ln -sfn /usr/include/stb "$cache/include/stb"
}

install_packages emscripten nlohmann-json3-dev libstb-dev xz-utils
mkdir -p "$build/cache"
cache=$(cd "$build/cache" && pwd)
fetch_imgui
link_headers

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
