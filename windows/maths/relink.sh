#!/bin/sh
# Links trimsight.dll from lib/ (NOTICE says what is there) as the build
# links it. (The bytes may differ from the build's: the linker orders the
# imported DLLs by the paths it was given.)
#   ./relink.sh OUT.dll
set -eu
[ $# -eq 1 ] || { echo "usage: ./relink.sh OUT.dll" >&2; exit 2; }
case $1 in /*) out=$1 ;; *) out=$(pwd)/$1 ;; esac
cd "$(dirname "$0")/lib"
x86_64-w64-mingw32-g++-posix -O2 -g -static -Wl,--exclude-libs,ALL -Wl,--no-insert-timestamp \
    trimsight.def -shared -o "$out" trimsight-version.res \
    -Wl,--whole-archive libtrimsight_plugin.a -Wl,--no-whole-archive \
    libimgui.a libtrimsight_maths.a libpluginsdk.dll.a \
    -lkernel32 -luser32 -lgdi32 -lwinspool -lshell32 -lole32 -loleaut32 -luuid -lcomdlg32 -ladvapi32
