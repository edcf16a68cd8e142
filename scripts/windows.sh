#!/usr/bin/env bash
# Builds the Windows build (docs/windows.md) with Debian's MinGW-w64 into
# BUILD_DIR and checks it, the programs under Wine in a prefix of the build's
# own:
#   1. the plugin's export table holds exactly deleteMe, exports, getPlugin,
#      and it imports none of the frame's maths functions;
#   2. its version resource reads 1.2.0.768 as file and product version, in
#      numbers and in text, with the plugin record's class and display name;
#   3. under Wine the plugin loads through the host layer's DLL and its
#      record reads as on Linux; it loads and releases 200 times;
#   4. trimsight-host.exe: info reads as on Linux, set and get keep a
#      setting, render, fly and guide exit 2 (not in this build), export of a log
#      the Linux sandbox flew writes the same scene, history reads;
#   5. the unit tests built for Windows, through CTest under Wine (the
#      desktop's platform files among them);
#   6. the frame's maths functions over many inputs, bit for bit against
#      glibc's on Linux (tests/windows/maths_sample);
#   7. every canvas call of every example scene, of the built-in demo, of a
#      random sweep of frames and of the flown log: trimsight-host.exe trace
#      against the Linux trimsight-host trace, line for line;
#   8. the LGPL kit beside the DLL relinks it, and the relinked DLL draws
#      the same.
#   scripts/windows.sh [BUILD_DIR] [LINUX_BUILD]    (build-windows, build)
#   TRIMSIGHT_SWEEP_FRAMES=N   frames of the random sweep (default 10000)
#   TRIMSIGHT_WINDOWS_MATHS=crt   a measuring build, into BUILD_DIR as given:
#                              the plugin with MinGW's and the C runtime's
#                              maths instead of glibc's; 6 and 7 then count
#                              the differences and do not fail on them
# What it needs and does not find it installs from Debian: MinGW-w64, Wine,
# pefile, glibc's source (the version of the machine's libc6), the JSON and
# CLI11 headers and GoogleTest's source; Dear ImGui's source through
# `apt-get source`, as scripts/web.sh has it. The Linux build's plugin, host program and the two
# comparison programs are built in LINUX_BUILD when they are not there yet.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}
linux=${2:-build}
sweep_frames=${TRIMSIGHT_SWEEP_FRAMES:-10000}
maths=${TRIMSIGHT_WINDOWS_MATHS:-glibc}
mingw=x86_64-w64-mingw32
# Debian's own Python, which has Debian's python3-pefile.
python=/usr/bin/python3
started=$(date +%s)
seconds() { echo $(($(date +%s) - $1)); }

debian_log_prefix=windows
# shellcheck source=scripts/debian-sources.sh
. scripts/debian-sources.sh

echo "== packages and sources"
install_packages g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 python3-pefile \
    googletest libstb-dev nlohmann-json3-dev libcli11-dev cmake ninja-build xz-utils python3
# glibc's source at the version of the C library the Linux build runs on:
# the maths compiled into the plugin is then the very code of its libm.
libc_version=$(dpkg-query -W -f='${Version}' libc6)
if [ "$(dpkg-query -W -f='${Version}' glibc-source 2>/dev/null || true)" != "$libc_version" ]; then
    echo "windows: installing glibc-source $libc_version (the machine's libc6)"
    $debian_sudo apt-get update -qq
    if ! DEBIAN_FRONTEND=noninteractive $debian_sudo apt-get install -y -qq --no-install-recommends \
        "glibc-source=$libc_version" >/dev/null; then
        echo "windows: Debian offers no glibc-source $libc_version, the machine's libc6" >&2
        exit 1
    fi
fi
mkdir -p "$build/cache"
cache=$(cd "$build/cache" && pwd)
fetch_imgui "$cache"
link_headers "$cache" stb nlohmann CLI
# The glibc files the maths build compiles, pinned by their hashes: a
# glibc-source whose maths differ fails here rather than building them.
glibc_files=windows/maths/glibc-2.36.sha256
glibc_dir=$cache/glibc-2.36
if ! (cd "$glibc_dir" 2>/dev/null && sha256sum --check --status "$OLDPWD/$glibc_files"); then
    rm -rf "$glibc_dir"
    tar -xJf /usr/src/glibc/glibc-2.36.tar.xz -C "$cache" \
        $(awk '{ print "glibc-2.36/" $2 }' "$glibc_files")
    if ! (cd "$glibc_dir" && sha256sum --check --quiet "$OLDPWD/$glibc_files"); then
        echo "windows: glibc-source $libc_version holds other maths sources than" \
            "$glibc_files pins: see what changed before pinning them" >&2
        exit 1
    fi
fi

echo "== build: $build (the frame's maths: $maths)"
configure=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRIMSIGHT_WINDOWS_MATHS="$maths"
    -DTRIMSIGHT_IMGUI_SOURCE="$cache/imgui-1.86" -DTRIMSIGHT_WINDOWS_HEADERS="$cache/include"
    -DTRIMSIGHT_GLIBC_SOURCE="$glibc_dir")
if [ -f "$build/CMakeCache.txt" ]; then
    cmake "$build" "${configure[@]}" >/dev/null
else
    cmake -G Ninja -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake "${configure[@]}" \
        >/dev/null
fi
build_started=$(date +%s)
cmake --build "$build" -j"$(nproc)"
echo "windows: built in $(seconds "$build_started") s"
if [ ! -f "$linux/CMakeCache.txt" ]; then
    cmake -S . -B "$linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
if ! cmake --build "$linux" -j"$(nproc)" --target trimsight trimsight-host frame_player \
    maths_sample >"$build/linux-build.log" 2>&1; then
    cat "$build/linux-build.log" >&2
    echo "windows: the Linux build in $linux failed" >&2
    exit 1
fi

bin=$build/bin
dll=$bin/trimsight.dll
run=$build/wine-run
if [ ! -f "$build/wine/system.reg" ]; then
    prefix_started=$(date +%s)
    "$run" wineboot --init >/dev/null 2>&1
    WINEPREFIX=$(cd "$build" && pwd)/wine /usr/lib/wine/wineserver -w
    echo "windows: Wine's prefix made in $(seconds "$prefix_started") s"
fi
check=$build/check
rm -rf "$check"
mkdir -p "$check"
# A config file that is not there: both programs' runs with no saved settings.
no_config=$check/no-config.json
failed=0
fail() {
    echo "windows: $*" >&2
    failed=1
}

echo "== the plugin's export table ($mingw-objdump -p)"
"$mingw-objdump" -p "$dll" >"$check/objdump.txt"
sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' "$check/objdump.txt" | sed '/^$/d'
exported=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' "$check/objdump.txt" |
    awk '/^\t\[/ { print $3 }' | sort | tr '\n' ' ')
[ "$exported" = "deleteMe exports getPlugin " ] || fail "the DLL exports: $exported"
# The frame's maths functions (and their kin) must come from the plugin itself.
imported_maths=$(awk '/DLL Name:/ { dll = $3 } dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print $3 }' \
    "$check/objdump.txt" | grep -xE '(sin|cos|tan|asin|acos|atan|atan2|pow|sqrt|exp|log|sincos)f?' |
    sort | tr '\n' ' ' || true)
echo "imports: $(grep 'DLL Name:' "$check/objdump.txt" | awk '{ print $3 }' | tr '\n' ' ')"
if [ "$maths" = glibc ]; then
    [ -z "$imported_maths" ] || fail "the DLL imports maths functions: $imported_maths"
else
    echo "maths imported from the C runtime: ${imported_maths:-none}"
fi

echo "== the plugin's version resource (pefile)"
if ! "$python" - "$dll" <<'EOF' | tee "$check/version.txt"; then
import sys
import pefile

pe = pefile.PE(sys.argv[1], fast_load=True)
pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
fixed = pe.VS_FIXEDFILEINFO[0]
def version(ms, ls):
    return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
numbers = {"FILEVERSION": version(fixed.FileVersionMS, fixed.FileVersionLS),
           "PRODUCTVERSION": version(fixed.ProductVersionMS, fixed.ProductVersionLS)}
texts = {}
for info in pe.FileInfo[0]:
    if info.Key == b"StringFileInfo":
        for table in info.StringTable:
            texts.update({k.decode(): v.decode() for k, v in table.entries.items()})
for key, value in numbers.items():
    print(f"{key} {value}")
for key in ("FileVersion", "ProductVersion", "FileDescription", "ProductName"):
    print(f"{key} \"{texts.get(key, '')}\"")
wanted = "1.2.0.768"
sys.exit(0 if set(numbers.values()) == {wanted} and texts.get("FileVersion") == wanted
         and texts.get("ProductVersion") == wanted else 1)
EOF
    fail "the version resource does not read 1.2.0.768 throughout"
fi

echo "== under Wine: the record through pluginsdk.dll, and 200 load cycles"
"$run" "$bin/frame_player.exe" "$dll" --record >"$check/record.windows"
"$linux/tests/windows/frame_player" "$linux/libtrimsight.so" --record >"$check/record.linux"
sed 's/^/record: /' "$check/record.windows"
# The source path is where each build was made from; the rest is the record.
cmp -s <(grep -v '^sourcePath ' "$check/record.linux") <(grep -v '^sourcePath ' "$check/record.windows") &&
    grep -q '^sourcePath .*Trimsight\.cpp$' "$check/record.windows" || fail "the record differs from Linux's"
grep -qx "FileDescription \"$(sed -n 's/^displayName //p' "$check/record.windows")\"" \
    "$check/version.txt" || fail "FileDescription is not the record's display name"
grep -qx "ProductName \"$(sed -n 's/^pluginClass //p' "$check/record.windows")\"" \
    "$check/version.txt" || fail "ProductName is not the record's class"
TRIMSIGHT_LOAD_CYCLES=200 "$run" "$bin/prove_load_cycle_test.exe" >"$check/cycles.txt" 2>&1 ||
    fail "the load cycles failed: see $check/cycles.txt"
grep 'load cycles in' "$check/cycles.txt" || true

echo "== under Wine: trimsight-host.exe"
# info reads as on Linux, but for the paths; set and get keep a setting.
"$linux/trimsight-host" --config "$no_config" info >"$check/info.linux"
"$run" "$bin/trimsight-host.exe" --config "$no_config" info >"$check/info.windows"
grep '^class: ' "$check/info.windows" | sed 's/^/host: /'
paths='^(plugin library|source path|config file): '
if ! diff <(grep -Ev "$paths" "$check/info.linux") <(grep -Ev "$paths" "$check/info.windows") \
    >"$check/info.diff" || ! grep -qx 'class: Trimsight' "$check/info.windows"; then
    fail "trimsight-host.exe info differs from Linux's: see $check/info.diff"
fi
"$run" "$bin/trimsight-host.exe" --config "$check/config.json" set trimsight_size 4.5 \
    >"$check/set.txt" 2>&1 || fail "trimsight-host.exe set failed: see $check/set.txt"
[ "$("$run" "$bin/trimsight-host.exe" --config "$check/config.json" get trimsight_size)" = 4.5 ] ||
    fail "trimsight-host.exe get does not read what set saved"
# The help names this build's plugin and folders, not the Linux ones.
"$run" "$bin/trimsight-host.exe" --help >"$check/help.txt" 2>&1 || true
grep -q 'trimsight.dll beside the program' "$check/help.txt" &&
    grep -q '%APPDATA%\\trimsight\\config.json' "$check/help.txt" &&
    ! grep -q 'XDG_' "$check/help.txt" ||
    fail "trimsight-host.exe --help names other defaults than its own: see $check/help.txt"
for command in render fly guide; do
    status=0
    "$run" "$bin/trimsight-host.exe" "$command" scenes/aerial.json >"$check/$command.txt" 2>&1 ||
        status=$?
    [ "$status" -eq 2 ] && grep -q 'not in this build' "$check/$command.txt" ||
        fail "trimsight-host.exe $command: exit $status, not 2 with the reason: $(cat "$check/$command.txt")"
done
# A flight log flown by the Linux build's sandbox (no display: SDL's
# offscreen driver), exported and traced by both programs.
flight=$check/demo-flight.log
if ! SDL_VIDEODRIVER=offscreen "$linux/trimsight-host" --config "$no_config" \
    --history "$check/history/history.txt" fly --script scenes/demo-flight.fly \
    --record "$flight" --seconds 4 >"$check/fly.txt" 2>&1; then
    fail "the Linux build cannot fly scenes/demo-flight.fly: see $check/fly.txt"
fi
"$linux/trimsight-host" export "$flight" >"$check/export.linux"
"$run" "$bin/trimsight-host.exe" export "$flight" -o "$check/export.windows" >/dev/null ||
    fail "trimsight-host.exe export failed"
cmp -s "$check/export.linux" "$check/export.windows" ||
    fail "trimsight-host.exe export writes another scene than Linux's"
status=0
"$run" "$bin/trimsight-host.exe" export "$flight" -o "$flight" 2>/dev/null || status=$?
[ "$status" -eq 2 ] || fail "trimsight-host.exe export -o over its own input: exit $status, not 2"
"$run" "$bin/trimsight-host.exe" --history "$check/history/history.txt" history \
    >"$check/history.txt" || fail "trimsight-host.exe history failed"
echo "host: info as on Linux; --help names its own defaults; set and get keep a setting; render, fly and guide exit 2, not" \
    "in this build; export of a flown log as on Linux, and refused over its input; history reads"

echo "== unit tests under Wine (CTest)"
if ! ctest --test-dir "$build" --output-on-failure -j"$(nproc)" >"$check/ctest.txt" 2>&1; then
    # The measuring build's maths fail the renderer's exact tests: counted, not failed.
    grep -E '^\s+[0-9]+ - ' "$check/ctest.txt"
    [ "$maths" = glibc ] && fail "unit tests failed: see $check/ctest.txt"
fi
grep -E '^[0-9]+% tests passed' "$check/ctest.txt" || true

echo "== the frame's maths: Windows against glibc on Linux"
# count_maths LINUX WINDOWS: per function and kind of input, "NAME KIND
# INPUTS DIFFERING ONE_ULP MORE NAN": how many results differ, and of those
# how many by one unit in the last place, by more, or only in a NaN's sign
# or payload.
count_maths() {
    "$python" - "$1" "$2" <<'EOF'
import sys
from collections import defaultdict

counts = defaultdict(lambda: [0, 0, 0, 0, 0])

def ordered(bits):  # the bits as an integer that counts units in the last place
    value, sign = int(bits, 16), 1 << (len(bits) * 4 - 1)
    return -(value & (sign - 1)) if value & sign else value

def is_nan(bits):
    value, exponent_bits = int(bits, 16), 8 if len(bits) == 8 else 11
    fraction_bits = len(bits) * 4 - 1 - exponent_bits
    top = (1 << exponent_bits) - 1
    return (value >> fraction_bits) & top == top and value & ((1 << fraction_bits) - 1) != 0

with open(sys.argv[1]) as linux, open(sys.argv[2]) as windows:
    for a, b in zip(linux, windows):
        a, b = a.split(), b.split()
        c = counts[(a[0], a[1])]
        c[0] += 1
        if a == b:
            continue
        c[1] += 1
        if is_nan(a[-1]) and is_nan(b[-1]):
            c[4] += 1
        elif abs(ordered(a[-1]) - ordered(b[-1])) == 1:
            c[2] += 1
        else:
            c[3] += 1
for (name, kind), c in sorted(counts.items()):
    print(name, kind, *c)
EOF
}
# The variants glibc runs on a processor with FMA and AVX2 (or whatever this
# one has), with AVX only, and with neither: its tunables mask the features.
declare -A tunables=([detected]="" [avx]="glibc.cpu.hwcaps=-AVX2,-FMA"
    [sse2]="glibc.cpu.hwcaps=-AVX,-AVX2,-FMA")
variants=(detected)
[ "$maths" = glibc ] && variants+=(avx sse2)
for variant in "${variants[@]}"; do
    linux_out=$check/maths.$variant.linux
    windows_out=$check/maths.$variant.windows
    if [ -n "${tunables[$variant]}" ]; then
        GLIBC_TUNABLES=${tunables[$variant]} "$linux/tests/windows/maths_sample" \
            --variants="$variant" >"$linux_out"
    else
        env -u GLIBC_TUNABLES "$linux/tests/windows/maths_sample" >"$linux_out"
    fi
    if ! "$run" "$bin/maths_sample.exe" --variants="$variant" >"$windows_out"; then
        echo "maths ($variant): this processor cannot run them"
        continue
    fi
    count_maths "$linux_out" "$windows_out" >"$check/maths.$variant.counts"
    if [ "$variant" = detected ]; then
        awk '{ printf "maths: %-12s %-8s %7d inputs, %6d differ", $1, $2, $3, $4
            if ($4 > 0) printf " (by 1 ulp %d, by more %d, NaN only %d)", $5, $6, $7
            printf "\n" }' "$check/maths.$variant.counts"
    else
        # Evidence that the tunables took: the results differ from the detected ones.
        other=$(paste -d '\t' "$check/maths.detected.linux" "$linux_out" |
            awk -F '\t' '$1 != $2 { ++n } END { print n + 0 }')
        awk -v variant="$variant" -v other="$other" '{ inputs += $3; differ += $4 }
            END { printf "maths (%s variants): %d of %d results differ; glibc gives %d" \
                " results otherwise than with the detected variants\n",
                variant, differ, inputs, other }' "$check/maths.$variant.counts"
    fi
    if [ "$(wc -l <"$linux_out")" -ne "$(wc -l <"$windows_out")" ] ||
        ! cmp -s "$linux_out" "$windows_out"; then
        [ "$maths" = glibc ] && fail "the plugin's maths ($variant) differ from glibc's"
    elif [ "$variant" != detected ]; then
        rm "$linux_out" "$windows_out"
    fi
done
if cmp -s "$check/maths.detected.linux" "$check/maths.detected.windows"; then
    rm "$check/maths.detected.linux" "$check/maths.detected.windows"
fi

echo "== traces: every canvas call, trimsight-host.exe against the Linux trimsight-host"
"$linux/trimsight-host" render --save-demo-scene "$check/demo.json" >/dev/null
"$python" scripts/scene-frames.py sweep 1 "$sweep_frames" >"$check/sweep.json"
# trace_both NAME ARGS...: the Linux and the Windows program's trace of one
# scene, with no saved settings, into NAME.linux and NAME.windows.
trace_both() {
    local name=$1
    shift
    "$linux/trimsight-host" --config "$no_config" trace "$@" >"$check/$name.linux"
    # To a file: Wine writes to /dev/null unbuffered, and slowly.
    "$run" "$bin/trimsight-host.exe" --config "$no_config" trace "$@" >"$check/$name.windows"
}
: >"$check/traces.counts"
for scene in scenes/*.json "$check/demo.json" "$check/sweep.json" "$flight"; do
    name=$(basename "$scene" .json)
    trace_both "$name" "$scene"
    scripts/compare-traces.sh "$name" "$check/$name.linux" "$check/$name.windows" |
        tee -a "$check/traces.counts"
    # What matched is not kept: a sweep's traces are some 90 MB each.
    if cmp -s "$check/$name.linux" "$check/$name.windows"; then
        rm "$check/$name.linux" "$check/$name.windows"
    fi
done
awk '{ calls += $2; differing += $3; bad += $4 }
    END { printf "traces: %d of %d canvas calls differ, %d by more than a pixel\n",
        differing, calls, bad }' "$check/traces.counts"
if awk '$3 > 0 { found = 1 } END { exit !found }' "$check/traces.counts"; then
    [ "$maths" = glibc ] && fail "canvas calls differ from Linux's"
fi

if [ "$maths" = glibc ]; then
    echo "== the LGPL kit: $bin/glibc-maths relinks the DLL"
    mkdir -p "$check/relinked"
    relinked=$check/relinked/trimsight.dll
    "$bin/glibc-maths/relink.sh" "$relinked"
    "$linux/trimsight-host" --config "$no_config" trace scenes/aerial.json >"$check/aerial.linux"
    "$run" "$bin/trimsight-host.exe" --plugin "$relinked" --config "$no_config" trace \
        scenes/aerial.json >"$check/aerial.relinked"
    relinked_exports=$("$mingw-objdump" -p "$relinked" |
        sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[/ { print $3 }' | tr '\n' ' ')
    if [ "$relinked_exports" = "deleteMe exports getPlugin " ] &&
        cmp -s "$check/aerial.linux" "$check/aerial.relinked"; then
        echo "kit: relinked from its archives ($(stat -c %s "$relinked") bytes), the same three" \
            "exports, aerial.json drawn as on Linux"
    else
        fail "the kit's relinked DLL is not the plugin"
    fi
fi

echo "windows: $([ "$failed" -eq 0 ] && echo passed || echo FAILED) in $(seconds "$started") s"
exit "$failed"
