#!/usr/bin/env bash
# Fails when a project include climbs up: every library may include its own
# folder and the folders listed for it below, nothing else of the project.
# The arrows are written here once; README.md's layout table says the same
# in words. Run by scripts/lint.sh.
#   scripts/check-includes.sh
set -euo pipefail
cd "$(dirname "$0")/.."

# folder: the folders (or single headers) it may include besides its own.
# A file belongs to the longest folder that holds it (fly/window/ before
# fly/). The plugin is its top-level files, render/ and settings/.
arrows='
portable:
host: portable
render: host portable
settings: host render Trimsight.h
plugin: host render portable Trimsight.h
base:
sandbox: base portable host/Types.h render/TargetOption.h render/Numerics.h
scene: base sandbox portable host
desktop: base scene sandbox portable host
canvas: base host
picture: base canvas desktop scene sandbox portable host
fly/platform: base sandbox portable host
fly: base fly/platform sandbox portable host render/TargetOption.h
fly/window: base fly fly/platform canvas sandbox portable host
app: render/TargetOption.h base fly/window fly fly/platform picture canvas desktop scene sandbox portable host
windows: app base desktop scene sandbox portable host
web: app/ExitCodes.h base fly/window fly fly/platform canvas scene sandbox portable host plugin render settings
'

declare -A allowed
while IFS=: read -r folder targets; do
    [ -n "$folder" ] && allowed[$folder]=$targets
done <<<"$arrows"

# The folder a path belongs to, or nothing for files not checked (tests,
# testkit, bench and fuzz may include anything; generated files).
owner() {
    case $1 in
        Trimsight.h | Trimsight*.cpp) echo plugin ;;
        fly/window/*) echo fly/window ;;
        fly/platform/*) echo fly/platform ;;
        */*) if [ -n "${allowed[${1%%/*}]+x}" ]; then echo "${1%%/*}"; fi ;;
    esac
}

bad=0
while IFS= read -r -d '' file; do
    from=$(owner "$file")
    [ -z "$from" ] && continue
    while IFS=: read -r line include; do
        to=$(owner "$include")
        [ -z "$to" ] && case ${include%%/*} in
            tests | testkit | bench | fuzz) to=${include%%/*} ;;
        esac
        [ -z "$to" ] && continue
        [ "$to" = "$from" ] && continue
        ok=0
        for target in ${allowed[$from]}; do
            if [ "$target" = "$to" ] || [ "$target" = "$include" ]; then
                ok=1
                break
            fi
        done
        if [ "$ok" -eq 0 ]; then
            echo "$file:$line: includes \"$include\": $from/ may not include $to/" >&2
            bad=$((bad + 1))
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
        sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/' || true)
done < <(git ls-files -z '*.cpp' '*.h')

if [ "$bad" -gt 0 ]; then
    echo "includes: $bad include(s) climb up (the arrows are in scripts/check-includes.sh)" >&2
    exit 1
fi
echo "includes: every arrow points down"
