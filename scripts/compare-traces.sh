#!/usr/bin/env bash
# Compares two traces of the same scene (trimsight-host trace's lines, one
# canvas call a line, from two builds) and prints one line
# "NAME CALLS DIFFERING BAD": BAD counts the differing calls that are more
# than a pixel apart or not the same kind of call (a missing or extra line
# counts as such). Used by web-check.sh and windows.sh.
#   scripts/compare-traces.sh NAME TRACE OTHER_TRACE
set -euo pipefail
paste -d '\t' "$2" "$3" | awk -F '\t' -v name="$1" '
    { if ($1 !~ /^frame /) ++calls }
    $1 == $2 { next }
    {
        ++differing
        n = split($1, a, " "); m = split($2, b, " ")
        if (n != m || a[1] != b[1] || a[1] == "frame" || a[1] == "SetColor") { ++bad; next }
        for (i = 2; i <= n; ++i) if (a[i] - b[i] > 1 || b[i] - a[i] > 1) { ++bad; next }
    }
    END { printf "%s %d %d %d\n", name, calls, differing, bad }'
